// Fuzz target of the ISO 8601 date and time scanner (ScanDateTime), on the input as text from
// every start position. A scan that fails leaves Pos and the value alone; one that succeeds
// gives fields in their ranges (days of the month by the Gregorian calendar, 24 only as
// 24:00:00, zones up to 23:59).
#include <cstdint>
#include <string_view>

#include "fuzz_support.hpp"
#include "ozm/math1.hpp"

using namespace ozm;
using ozm::fuzzing::Require;

namespace {

int DaysInMonth(int Year, int Month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
    return Month == 2 && leap ? 29 : days[Month - 1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string_view text = ozm::fuzzing::AsText(Data, Size);
    if (Size > 1024) return 0;
    for (size_t start = 0; start <= Size; ++start) {
        size_t pos = start;
        TIsoDateTime value;
        value.Year = -1;
        if (!math1::ScanDateTime(text, pos, value)) {
            Require(pos == start && value.Year == -1 && !value.HasDate && !value.HasTime,
                    "a failed scan changed Pos or the value");
            continue;
        }
        Require(pos > start && pos <= Size, "Pos moved backwards or beyond the text");
        Require(value.HasDate || value.HasTime, "neither date nor time");
        if (value.HasDate) {
            Require(value.Year >= 0 && value.Year <= 9999 && value.Month >= 1 &&
                        value.Month <= 12 && value.Day >= 1 &&
                        value.Day <= DaysInMonth(value.Year, value.Month),
                    "date out of range");
        }
        if (value.HasTime) {
            Require(value.Hour >= 0 && value.Hour <= 24 && value.Minute >= 0 &&
                        value.Minute <= 59 && value.Second >= 0 && value.Second < 61,
                    "time out of range");
            if (value.Hour == 24)
                Require(value.Minute == 0 && value.Second == 0, "24 other than 24:00:00");
        }
        if (value.HasZone)
            Require(value.ZoneOffset >= -(23 * 60 + 59) && value.ZoneOffset <= 23 * 60 + 59,
                    "zone out of range");
    }
    return 0;
}
