// numtext::parse reads the programs' own number texts without its pattern. These tests hold it to
// the pattern reader it replaced, kept here as the reference: the same texts accepted, and the
// very same double (bit for bit) for each of them. The reader of UTF-8 straight from the table is
// held to it in the same way.
#include "NumberText.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace moravel;

namespace {

std::optional<double> referenceParse(const QString& text) {
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

quint64 bits(double value) {
    quint64 out;
    std::memcpy(&out, &value, sizeof out);
    return out;
}

// Counts the texts on which the two readers disagree, naming the first few.
class Comparison {
public:
    void check(const QString& text) {
        ++m_checked;
        const std::optional<double> expected = referenceParse(text);
        compare(text, "parse", expected, numtext::parse(text));
        compare(text, "parseUtf8", expected, numtext::parseUtf8(text.toUtf8()));
    }
    int checked() const { return m_checked; }
    int differences() const { return m_differences; }

private:
    void compare(const QString& text, const char* reader, std::optional<double> expected,
                 std::optional<double> actual) {
        const bool same =
            expected.has_value() == actual.has_value() && (!expected || bits(*expected) == bits(*actual));
        if (same)
            return;
        if (++m_differences <= 10)
            ADD_FAILURE() << "\"" << text.toStdString() << "\": reference "
                          << (expected ? QString::number(*expected, 'g', 17).toStdString() : "none") << ", "
                          << reader << " "
                          << (actual ? QString::number(*actual, 'g', 17).toStdString() : "none");
    }

    int m_checked = 0;
    int m_differences = 0;
};

} // namespace

TEST(NumberTextEquivalenceTest, EveryShortTextOfSignsDigitsSeparatorsAndBlanks) {
    const QString alphabet = QStringLiteral("019-+,. eE\tx");
    Comparison comparison;
    QString text;
    // Every text of up to five characters over the alphabet: 271 453 texts.
    const std::function<void(int)> extend = [&](int left) {
        comparison.check(text);
        if (left == 0)
            return;
        for (const QChar c : alphabet) {
            text.append(c);
            extend(left - 1);
            text.chop(1);
        }
    };
    extend(5);
    EXPECT_GT(comparison.checked(), 270000);
    EXPECT_EQ(comparison.differences(), 0);
}

TEST(NumberTextEquivalenceTest, RandomTextsWithForeignDigitsAndBlanks) {
    // Arabic-Indic and full-width digits, no-break and ideographic spaces: the pattern's \d and
    // \s know them, the plain reader must leave them to it.
    const QString alphabet = QString::fromUtf8("0123456789-+,.,,..eE \t\u00a0\u3000\u0663\uff15x");
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    Comparison comparison;
    for (int i = 0; i < 200000; ++i) {
        QString text;
        for (int n = length(random); n > 0; --n)
            text.append(alphabet.at(pick(random)));
        comparison.check(text);
    }
    EXPECT_EQ(comparison.differences(), 0);
}

TEST(NumberTextEquivalenceTest, NumbersAsTheProgramsWriteThem) {
    std::mt19937 random(46363);
    std::uniform_real_distribution<double> serials(-100000.0, 100000.0);
    std::uniform_int_distribution<qint64> days(0, 2958465);
    Comparison comparison;
    for (const QChar separator : {QChar(u','), QChar(u'.')}) {
        numtext::setDecimalSeparator(separator);
        for (int i = 0; i < 50000; ++i) {
            const double value = serials(random);
            comparison.check(numtext::fixed5(value));
            comparison.check(numtext::general(value));
            comparison.check(numtext::general(static_cast<double>(days(random)) + (i % 1440) / 1440.0));
            comparison.check(QString::number(days(random)));
        }
    }
    numtext::setDecimalSeparator(QChar());
    EXPECT_EQ(comparison.differences(), 0);
}

TEST(NumberTextEquivalenceTest, DigitCountsAroundTheExactBound) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> digit(0, 9);
    Comparison comparison;
    for (int digits = 1; digits <= 20; ++digits) {
        for (int separatorAt = -1; separatorAt <= digits; ++separatorAt) {
            for (int sample = 0; sample < 50; ++sample) {
                QString text = sample % 3 == 0 ? QStringLiteral("-") : QString();
                for (int i = 0; i < digits; ++i) {
                    if (i == separatorAt)
                        text.append(sample % 2 ? QLatin1Char(',') : QLatin1Char('.'));
                    text.append(
                        QLatin1Char(static_cast<char>('0' + (i == 0 ? 9 - sample % 9 : digit(random)))));
                }
                if (separatorAt == digits)
                    text.append(QLatin1Char(','));
                comparison.check(text);
            }
        }
    }
    // The largest exact cases and the first beyond them.
    for (const char* text :
         {"999999999999999", "9999999999999999", "0,99999999999999", "0,999999999999999",
          "0,9999999999999999", "9007199254740993", "-0", "+0,0", "-,5", "5,", "0,1", "0,3"})
        comparison.check(QString::fromLatin1(text));
    EXPECT_EQ(comparison.differences(), 0);
}

TEST(NumberTextEquivalenceTest, WholeNumbersFollowTheReader) {
    for (const char* text : {"46363", "46363,5", "-2,5", "2,5", "", "x", "0,49999", "9e15", "1e16"}) {
        const std::optional<double> value = referenceParse(QString::fromLatin1(text));
        const std::optional<qint64> whole = numtext::parseWhole(QString::fromLatin1(text));
        ASSERT_EQ(whole.has_value(), value.has_value() && std::fabs(*value) <= 9.0e15) << text;
        EXPECT_EQ(numtext::parseWholeUtf8(text), whole) << text;
        if (whole) {
            EXPECT_EQ(*whole, std::llround(*value)) << text;
        }
    }
}
