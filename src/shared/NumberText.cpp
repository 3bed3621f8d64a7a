#include "NumberText.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace moravel::numtext {

namespace {
QChar g_separator;

QString withSeparator(QString text) {
    const QChar sep = decimalSeparator();
    if (sep != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), sep);
    return text;
}

// Everything the pattern accepts; the texts the programs write themselves are read first by
// plainNumber, which is exact for them and many times faster.
std::optional<double> numberByPattern(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*([+-]?(?:\d+(?:[.,]\d*)?|[.,]\d+)(?:[eE][+-]?\d{1,3})?)\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QString number = match.captured(1);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A sign, ASCII digits and at most one separator, fifteen digits at most: the shape of every
// number the programs store. Its digits form a whole number below 2^53 and its decimals a power
// of ten up to 10^15, both exact doubles, so one division gives the correctly rounded value, the
// same double as the general reader's conversion. Any other text: no answer here.
// Char is QChar for texts already read and char for UTF-8 straight from the table.
template <typename Char> std::optional<double> plainNumber(const Char* c, const Char* const end) {
    constexpr int kMaxDigits = 15;
    static constexpr double kPowersOfTen[kMaxDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const auto code = [](Char ch) -> char16_t {
        if constexpr (std::is_same_v<Char, QChar>)
            return ch.unicode();
        else
            return static_cast<unsigned char>(ch);
    };
    bool negative = false;
    if (c != end && (code(*c) == u'-' || code(*c) == u'+'))
        negative = code(*c++) == u'-';
    qint64 digits = 0;
    int count = 0;
    int decimals = -1; // no separator yet
    for (; c != end; ++c) {
        const char16_t u = code(*c);
        if (u >= u'0' && u <= u'9') {
            if (++count > kMaxDigits)
                return std::nullopt;
            digits = digits * 10 + (u - u'0');
            if (decimals >= 0)
                ++decimals;
        } else if ((u == u'.' || u == u',') && decimals < 0) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0)
        return std::nullopt;
    const double value = static_cast<double>(digits) / kPowersOfTen[std::max(decimals, 0)];
    return negative ? -value : value;
}

std::optional<qint64> rounded(std::optional<double> value) {
    if (!value || std::fabs(*value) > 9.0e15)
        return std::nullopt;
    return static_cast<qint64>(std::llround(*value));
}
} // namespace

QChar decimalSeparator() {
    if (!g_separator.isNull())
        return g_separator;
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

void setDecimalSeparator(QChar separator) {
    g_separator = separator;
}

QString fixed5(double value) {
    if (!std::isfinite(value))
        return QString();
    QString text = QString::number(value, 'f', 5);
    if (text.startsWith(QLatin1Char('-')) && text.mid(1).count(QLatin1Char('0')) == text.size() - 2)
        text.remove(0, 1); // "-0.00000" is zero
    return withSeparator(text);
}

QString general(double value) {
    if (!std::isfinite(value))
        return QString();
    if (value == 0.0)
        return QStringLiteral("0");
    return withSeparator(QString::number(value, 'g', 15));
}

std::optional<double> parse(const QString& text) {
    if (const std::optional<double> value = plainNumber(text.constData(), text.constData() + text.size()))
        return value;
    return numberByPattern(text);
}

std::optional<qint64> parseWhole(const QString& text) {
    return rounded(parse(text));
}

std::optional<double> parseUtf8(QByteArrayView text) {
    if (const std::optional<double> value = plainNumber(text.begin(), text.end()))
        return value;
    return numberByPattern(QString::fromUtf8(text));
}

std::optional<qint64> parseWholeUtf8(QByteArrayView text) {
    return rounded(parseUtf8(text));
}

} // namespace moravel::numtext
