#include "NumberText.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace moravel::numtext {

namespace {
QChar g_separator;

QString withSeparator(QString text) {
    const QChar sep = decimalSeparator();
    if (sep != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), sep);
    return text;
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

std::optional<qint64> parseWhole(const QString& text) {
    const std::optional<double> value = parse(text);
    if (!value || std::fabs(*value) > 9.0e15)
        return std::nullopt;
    return static_cast<qint64>(std::llround(*value));
}

} // namespace moravel::numtext
