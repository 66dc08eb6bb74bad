#include "vectors/vector_impl.hpp"

#include <cmath>
#include <limits>
#include <new>

#include "ozm/platform/numtext.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::vecimpl {

void RaiseVectorError(const TComponent& Vector, std::string_view Detail) {
    RaiseComponentError<EOZMVectorError>(Vector, Detail);
}

void RaiseEuclideanMismatch() {
    throw EOZMVectorError("EuclideanDistance: dimensions of vectors do not match");
}

void RaiseInvalidBinCount(const TComponent& Vector) {
    throw EOZMVectorError("Component \"" + Vector.Name() + ".Histogram\": invalid number of bins");
}

bool CellFromReal(long double Value, double& Cell) noexcept {
    // An extended real beyond the double range cannot go through a plain conversion (undefined
    // behaviour); it is rounded as IEEE arithmetic rounds it: up to half a unit in the last place
    // beyond the largest double it stays there, past that it becomes infinite.
    constexpr long double kDoubleMax = std::numeric_limits<double>::max();
    if (std::isfinite(Value) && std::fabs(Value) > kDoubleMax) {
        const long double overflow_at = std::ldexp(1.0L, 1024) - std::ldexp(1.0L, 970);
        const double magnitude = std::fabs(Value) < overflow_at
                                     ? std::numeric_limits<double>::max()
                                     : std::numeric_limits<double>::infinity();
        Cell = Value < 0 ? -magnitude : magnitude;
        return true;
    }
    Cell = static_cast<double>(Value);
    return true;
}

bool CellFromReal(long double Value, int32_t& Cell) noexcept {
    if (!std::isfinite(Value)) return false;
    // Rounded first (ties to even): 2147483647.4 is a valid integer, 2147483647.5 is not.
    const int64_t r = Round(Value);
    if (r < INT32_MIN || r > INT32_MAX) return false;
    Cell = static_cast<int32_t>(r);
    return true;
}

bool CellFromText(std::string_view Text, double& Cell) noexcept {
    return TryParseDouble(Text, Cell);
}

bool CellFromText(std::string_view Text, int32_t& Cell) noexcept {
    double value = 0;
    return TryParseDouble(Text, value) && CellFromReal(value, Cell);
}

void WriteAscColumnHeader(TTextWriter& W, const std::string& Comment,
                          std::string_view DefaultPrefix, const std::string& FileName, int Rows) {
    std::string line = Comment;
    // A carriage return would end the line just as a line feed does for the readers.
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    if (line.empty()) line = std::string(DefaultPrefix) + FileName;
    W.WriteLn(line);
    W.WriteLn("1\t;nr. of columns");
    W.WriteLn(std::to_string(Rows) + "\t;nr. of rows");
    W.WriteLn(
        "FALSE FALSE FALSE FALSE\t;row attributes, column names, row names, nominal variables");
}

std::string_view NextAscField(TTextReader& R, std::string& Scratch) {
    for (;;) {
        const std::string_view word = R.NextWord();
        const size_t semicolon = word.find(';');
        if (semicolon == std::string_view::npos) return word;
        // Skipping the comment moves the reader's buffer: keep the field's part before it.
        Scratch.assign(word.substr(0, semicolon));
        std::string_view rest;
        R.NextLine(rest);  // the comment runs to the end of the line
        if (semicolon > 0) return Scratch;
    }
}

}  // namespace ozm::vecimpl
