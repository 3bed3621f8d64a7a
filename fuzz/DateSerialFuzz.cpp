// The date-serial conversions with any double (NaN, infinities and subnormals included) and any
// whole number: no undefined behaviour, and within the dates QDate holds they invert each other.

#include "DateSerial.h"
#include "FuzzCheck.h"
#include "NumberText.h"
#include "Recurrence.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>

using namespace moravel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    double value;
    const uint64_t bits = input.ConsumeIntegral<uint64_t>();
    std::memcpy(&value, &bits, sizeof value);
    const qint64 day = input.ConsumeIntegral<qint64>();
    const int digit = input.ConsumeIntegralInRange(-1, 9);

    const QDateTime moment = serial::toDateTime(value);
    if (moment.isValid()) {
        // Rounded to the second: never more than half a second (plus the double's own step) away.
        const double back = serial::fromDateTime(moment);
        FUZZ_CHECK(std::fabs(back - value) <= 0.5 / 86400 + std::fabs(value) * 4e-16 + 1e-9);
    }
    FUZZ_CHECK(serial::hhmm(value).size() == 5);
    FUZZ_CHECK(serial::timeOfFraction(value).isValid());
    numtext::fixed5(value);
    numtext::general(value);

    const QDate date = serial::dateOfDay(day);
    if (date.isValid())
        FUZZ_CHECK(serial::dayNumber(date) == day);
    serial::fromDateTime(QDateTime(date, serial::timeOfFraction(value)));

    if (const std::optional<qint64> next = Folgedatum(day, digit)) {
        FUZZ_CHECK(digit >= 1 && digit <= 7);
        FUZZ_CHECK(*next > day && *next - day <= 2 * 366);
    }
    return 0;
}
