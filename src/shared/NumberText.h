#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// Numbers as the table and the settings store keep them: decimal text with the
// user's decimal separator and never a group separator.
namespace moravel::numtext {

// The user's decimal separator; taken from the system locale unless set.
QChar decimalSeparator();
// Sets the separator (tests use ',' and '.'); a null QChar goes back to the system locale.
void setDecimalSeparator(QChar separator);

// "0.00000": at least one integer digit, exactly five decimals, rounded (46363,50000).
QString fixed5(double value);
// The general number text: up to 15 significant digits, trailing zeros dropped (46363,5 and 46363).
QString general(double value);

// Reads a number written with either "," or "." as its decimal separator; blanks around it
// are allowed. Empty text, group separators and anything else give no value.
std::optional<double> parse(const QString& text);
// The same, rounded to a whole number (halves away from zero); no value when out of range.
std::optional<qint64> parseWhole(const QString& text);
// The same two for UTF-8 text as the table holds it, read without making a QString first.
std::optional<double> parseUtf8(QByteArrayView text);
std::optional<qint64> parseWholeUtf8(QByteArrayView text);

} // namespace moravel::numtext
