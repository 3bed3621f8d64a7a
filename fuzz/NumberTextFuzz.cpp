// The number-text reader on any text: it never fails, what it reads is finite, the whole-number
// reading agrees with it, the reader of the same text as UTF-8 reads the same, and the program's
// own texts of a number read back as that number.

#include "FuzzCheck.h"
#include "NumberText.h"

#include <QString>

#include <cmath>
#include <cstdint>

using namespace moravel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the user's decimal separator.
    numtext::setDecimalSeparator(data[0] & 1 ? QLatin1Char(',') : QLatin1Char('.'));
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

    const std::optional<double> value = numtext::parse(text);
    const std::optional<qint64> whole = numtext::parseWhole(text);
    const QByteArray utf8 = text.toUtf8();
    const std::optional<double> fromUtf8 = numtext::parseUtf8(utf8);
    FUZZ_CHECK(fromUtf8.has_value() == value.has_value() && (!value || *fromUtf8 == *value));
    FUZZ_CHECK(numtext::parseWholeUtf8(utf8) == whole);
    if (!value) {
        FUZZ_CHECK(!whole);
        return 0;
    }
    FUZZ_CHECK(std::isfinite(*value));
    if (std::fabs(*value) > 9.0e15)
        FUZZ_CHECK(!whole);
    else
        FUZZ_CHECK(whole && *whole == std::llround(*value));

    const std::optional<double> fixed = numtext::parse(numtext::fixed5(*value));
    FUZZ_CHECK(fixed && std::fabs(*fixed - *value) <= 5e-6 + std::fabs(*value) * 1e-15);
    const std::optional<double> general = numtext::parse(numtext::general(*value));
    FUZZ_CHECK(general && std::fabs(*general - *value) <= std::fabs(*value) * 1e-14);
    return 0;
}
