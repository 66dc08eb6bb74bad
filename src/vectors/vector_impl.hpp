// Internal helpers of the vector unit: the one error path, cell arithmetic that is defined for
// every input (integers wrap like the 32-bit machine words the library grew up on), the NaN-safe
// ordering of the order statistics, and the storage request check.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ozm/frame.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm::vecimpl {

// Detail texts of the vector messages (they follow "Component \"<Name>\"").
inline constexpr std::string_view kMsgDifferentDims = ": vectors have different dimensions";
inline constexpr std::string_view kMsgGeoMeanNegative =
    ": negative argument passed to GeometricMean";
inline constexpr std::string_view kMsgHarmMeanNotPositive =
    ": negative or zero argument passed to HarmonicMean";

// "Component \"<Name>\"<Detail>" as EOZMVectorError.
[[noreturn]] void RaiseVectorError(const TComponent& Vector, std::string_view Detail);
// "EuclideanDistance: dimensions of vectors do not match".
[[noreturn]] void RaiseEuclideanMismatch();
// "Component \"<Name>.Histogram\": invalid number of bins".
[[noreturn]] void RaiseInvalidBinCount(const TComponent& Vector);


// --- cell arithmetic ---------------------------------------------------------------------------

inline double CellAdd(double a, double b) noexcept { return a + b; }
inline double CellSub(double a, double b) noexcept { return a - b; }
inline double CellMul(double a, double b) noexcept { return a * b; }
inline double CellAbs(double a) noexcept { return std::fabs(a); }

inline int32_t CellAdd(int32_t a, int32_t b) noexcept {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t CellSub(int32_t a, int32_t b) noexcept {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t CellMul(int32_t a, int32_t b) noexcept {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(a) * b));
}
inline int32_t CellAbs(int32_t a) noexcept {
    return a < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : a;
}

inline bool IsNaN(double x) noexcept { return std::isnan(x); }
inline bool IsNaN(int32_t) noexcept { return false; }

// Strict weak order with NaN after every number (NaNs equivalent among themselves).
template <typename T>
inline bool NaNLastLess(T a, T b) noexcept {
    if constexpr (std::is_floating_point_v<T>) {
        if (std::isnan(b)) return !std::isnan(a);
        return a < b;
    } else {
        return a < b;
    }
}

// Reads a cell value from a real: doubles as they are; integers rounded to nearest (ties to
// even), false when not finite or outside the 32-bit range.
bool CellFromReal(long double Value, double& Cell) noexcept;
bool CellFromReal(long double Value, int32_t& Cell) noexcept;
// A text field as a cell value (TryParseDouble, then CellFromReal).
bool CellFromText(std::string_view Text, double& Cell) noexcept;
bool CellFromText(std::string_view Text, int32_t& Cell) noexcept;

// The values that would stand at the 0-based positions Wanted (ascending, unique) if Data were
// sorted with NaNLastLess; Data is reordered. Values receives one value per wanted position.
// NaNs are moved to the end first, so the selection itself compares plain numbers.
template <typename T>
void SelectOrderStatistics(std::span<T> Data, std::span<const size_t> Wanted, std::span<T> Values,
                           size_t WantedOffset = 0);

// Square root of the sum of Term(i)^2 for i < Count, free of spurious overflow and underflow.
template <typename F>
double EuclideanNorm(size_t Count, F Term) noexcept {
    double sum = 0;
    for (size_t i = 0; i < Count; ++i) {
        const double x = Term(i);
        sum += x * x;
    }
    // The plain sum is accurate unless it overflowed, met NaN or infinity, or lost the squares
    // to underflow; those cases take the scaled accumulation below.
    if (std::isfinite(sum) && sum > 1e-280) return std::sqrt(sum);
    double scale = 0;
    double ssq = 1;
    for (size_t i = 0; i < Count; ++i) {
        const double ax = std::fabs(Term(i));
        if (ax == 0) continue;
        if (std::isinf(ax)) return ax;
        if (scale < ax) {
            ssq = 1 + ssq * (scale / ax) * (scale / ax);
            scale = ax;
        } else {
            ssq += (ax / scale) * (ax / scale);  // NaN propagates here
        }
    }
    return scale * std::sqrt(ssq);
}

// --- text files ----------------------------------------------------------------------------------

// Writes the four header lines of a single-column ASC file. Line ends in Comment become blanks;
// an empty comment gives DefaultPrefix followed by FileName.
void WriteAscColumnHeader(TTextWriter& W, const std::string& Comment,
                          std::string_view DefaultPrefix, const std::string& FileName, int Rows);

// The next field of an ASC data line: a blank-separated word with any ";" comment removed (a
// comment runs to the end of its line); "" at the end of the file. The view is valid until the
// next read of R; a field cut at a comment is copied to Scratch, which the view then shows.
std::string_view NextAscField(TTextReader& R, std::string& Scratch);

// --- implementation of the selection template ------------------------------------------------

// Selection among numbers (no NaN) with the plain order. A wanted position next to the one just
// placed by nth_element is the largest of the part before it (or the smallest of the part after
// it): a linear scan finds it, no second selection is needed.
template <typename T>
void SelectAmongNumbers(std::span<T> Data, std::span<const size_t> Wanted, std::span<T> Values,
                        size_t WantedOffset) {
    if (Wanted.empty()) return;
    if (Data.size() <= 32) {
        std::sort(Data.begin(), Data.end());
        for (size_t j = 0; j < Wanted.size(); ++j) Values[j] = Data[Wanted[j] - WantedOffset];
        return;
    }
    const size_t mid = Wanted.size() / 2;
    const size_t pos = Wanted[mid] - WantedOffset;
    std::nth_element(Data.begin(), Data.begin() + static_cast<std::ptrdiff_t>(pos), Data.end());
    Values[mid] = Data[pos];

    std::span<T> left = Data.subspan(0, pos);
    size_t leftWanted = mid;
    if (leftWanted > 0 && Wanted[mid - 1] == Wanted[mid] - 1) {
        const auto largest = std::max_element(left.begin(), left.end());
        std::iter_swap(largest, left.end() - 1);
        Values[mid - 1] = left.back();
        left = left.first(left.size() - 1);
        --leftWanted;
    }
    SelectAmongNumbers(left, Wanted.first(leftWanted), Values.first(leftWanted), WantedOffset);

    std::span<T> right = Data.subspan(pos + 1);
    size_t rightFirst = mid + 1;
    size_t rightOffset = WantedOffset + pos + 1;
    if (rightFirst < Wanted.size() && Wanted[rightFirst] == Wanted[mid] + 1) {
        const auto smallest = std::min_element(right.begin(), right.end());
        std::iter_swap(smallest, right.begin());
        Values[rightFirst] = right.front();
        right = right.subspan(1);
        ++rightFirst;
        ++rightOffset;
    }
    SelectAmongNumbers(right, Wanted.subspan(rightFirst), Values.subspan(rightFirst), rightOffset);
}

template <typename T>
void SelectOrderStatistics(std::span<T> Data, std::span<const size_t> Wanted, std::span<T> Values,
                           size_t WantedOffset) {
    size_t numbers = Data.size();
    if constexpr (std::is_floating_point_v<T>) {
        const auto nanStart = std::partition(Data.begin(), Data.end(),
                                             [](T x) { return !std::isnan(x); });
        numbers = static_cast<size_t>(nanStart - Data.begin());
    }
    // Positions past the numbers hold NaN.
    size_t cut = 0;
    while (cut < Wanted.size() && Wanted[cut] - WantedOffset < numbers) ++cut;
    for (size_t j = cut; j < Wanted.size(); ++j) Values[j] = Data[Wanted[j] - WantedOffset];
    SelectAmongNumbers(Data.first(numbers), Wanted.first(cut), Values.first(cut), WantedOffset);
}

}  // namespace ozm::vecimpl
