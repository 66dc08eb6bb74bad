// Fuzz target of the number scanners and parsers: the platform's strict parsers (TryParseDouble,
// TryParseInt, TryParseInt64), the math1 scanners (hexadecimal, octal, binary, decimal, floating
// point, degrees) and validators, and the matrix readers' ScanInteger and ScanReal, on the input
// as text. Scanners must leave Pos and the value alone on failure and move Pos forward within
// the text on success; what the validators accept the scanners read; parsed doubles written as
// the shortest text read back bit for bit.
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz_support.hpp"
#include "ozm/math1.hpp"
#include "ozm/matrix/scan.hpp"
#include "ozm/platform/numtext.hpp"

using namespace ozm;
using namespace ozm::math1;
using ozm::fuzzing::Require;

namespace {

// Runs Scan from every start position of the text, as a reader walking a line would.
template <typename T, typename F>
void Walk(std::string_view Text, F Scan) {
    for (size_t start = 0; start <= Text.size(); ++start) {
        size_t pos = start;
        T value{};
        const T sentinel = value;
        const bool ok = Scan(Text, pos, value);
        if (ok) {
            Require(pos > start && pos <= Text.size(), "a scanner moved Pos backwards or beyond");
        } else {
            Require(pos == start, "a failed scan moved Pos");
            if constexpr (std::is_floating_point_v<T>)
                Require(std::bit_cast<uint64_t>(double(value)) ==
                            std::bit_cast<uint64_t>(double(sentinel)),
                        "a failed scan changed the value");
            else
                Require(value == sentinel, "a failed scan changed the value");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string_view text = ozm::fuzzing::AsText(Data, Size);
    if (Size > 512) return 0;  // every start position is scanned: keep the walk short

    double d = 0;
    if (TryParseDouble(text, d) && !std::isnan(d)) {
        double back = 0;
        Require(TryParseDouble(FormatShortest(d), back) &&
                    std::bit_cast<uint64_t>(back) == std::bit_cast<uint64_t>(d),
                "shortest text does not read back");
        const std::string exp = FormatExp(d, 26);
        Require(TryParseDouble(std::string_view(exp).substr(exp.find_first_not_of(' ')), back) &&
                    std::bit_cast<uint64_t>(back) == std::bit_cast<uint64_t>(d),
                "exponential text with 18 digits does not read back");
    }
    int32_t i32 = 0;
    if (TryParseInt(text, i32)) {
        int64_t i64 = 0;
        Require(TryParseInt64(text, i64) && i64 == i32, "32- and 64-bit parsers disagree");
    }

    using ScanU = bool (*)(std::string_view, size_t&, uint32_t&);
    using ScanI = bool (*)(std::string_view, size_t&, int32_t&);
    using ScanD = bool (*)(std::string_view, size_t&, double&);
    for (const ScanU scan : {ScanU(ScanHex), ScanU(ScanOctal), ScanU(ScanBin)})
        Walk<uint32_t>(text, scan);
    Walk<int32_t>(text, ScanI(ScanDecimal));
    Walk<double>(text, ScanD(ScanFPNum));
    Walk<double>(text, ScanD(ScanDegrees));

    if (IsValidDouble(text)) {
        size_t pos = 0;
        double v = 0;
        Require(ScanFPNum(text, pos, v) && std::isfinite(v), "a valid double does not scan");
        Require(IsValidFPNum(text), "a valid double is no valid number");
    }
    if (IsValidDecInt(text)) {
        size_t pos = 0;
        int32_t v = 0;
        Require(ScanDecimal(text, pos, v), "a valid integer does not scan");
    }
    if (IsValidHex(text)) {
        size_t pos = 0;
        uint32_t v = 0;
        Require(ScanHex(text, pos, v), "a valid hexadecimal number does not scan");
    }

    // The matrix readers' scanners never fail; they only must stay inside the text.
    for (size_t start = 0; start <= Size; ++start) {
        size_t pos = start;
        (void)matrix::ScanInteger(text, pos);
        Require(pos >= start && pos <= Size, "ScanInteger left the text");
        pos = start;
        const double r = matrix::ScanReal(text, pos);
        Require(pos >= start && pos <= Size, "ScanReal left the text");
        Require(std::isnan(r) || std::fabs(r) <= std::numeric_limits<double>::max() ||
                    std::isinf(r),
                "ScanReal out of range");
    }
    return 0;
}
