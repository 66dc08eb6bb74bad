// Table interpolation: equally spaced tables (double and integer values), tables of (x, y) pairs
// and bilinear interpolation in a rectangle.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "foundation/math1_internal.hpp"
#include "ozm/math1/scalar.hpp"

namespace ozm::math1 {

namespace {

// Linear interpolation on n values at equally spaced abscissae from lo to hi (lo < hi), extended
// linearly beyond both ends. At(j) gives the value at abscissa j of that ascending order.
template <typename Value>
double InterpolAscending(double x, double lo, double hi, size_t n, Value&& At) {
    const double last = static_cast<double>(n - 1);
    const double p = last * (x - lo) / (hi - lo);
    if (std::isnan(p)) return p;
    if (p < 0) return At(0) + (At(1) - At(0)) * p;
    if (p > last) return At(n - 2) + (At(n - 1) - At(n - 2)) * (p - (last - 1));
    if (p == last) return At(n - 1);
    // Rounding in p may land a point just below hi on the last index; it belongs to the last
    // interval, whose upper value then is its own.
    const size_t i = std::min(static_cast<size_t>(p), n - 2);
    return At(i) + (At(i + 1) - At(i)) * (p - static_cast<double>(i));
}

template <typename T>
double InterpolEquallySpaced(double x, double first, double last, const std::vector<T>& table) {
    const size_t n = table.size();
    if (n < 2) detail::RaiseMath1Error("InterpolTable: pivot array must contain at least 2 values");
    if (first == last) detail::RaiseMath1Error("InterpolTable: specified range of pivot array is zero");
    const T* const v = table.data();
    // Values are read as doubles, so differences of large integers cannot overflow.
    if (first < last)
        return InterpolAscending(x, first, last, n, [v](size_t j) { return static_cast<double>(v[j]); });
    // Descending abscissae: the same on the table read from its end.
    return InterpolAscending(x, last, first, n,
                             [v, n](size_t j) { return static_cast<double>(v[n - 1 - j]); });
}

// The value at x on the line through (xa, ya) and (xb, yb); x = xa gives ya exactly.
double OnLine(double x, double xa, double ya, double xb, double yb) noexcept {
    if (x == xa) return ya;
    return ya + (yb - ya) * (x - xa) / (xb - xa);
}

}  // namespace

double InterpolTable(double x, double first, double last, const TDoubleArray& table) {
    return InterpolEquallySpaced(x, first, last, table);
}

double InterpolTable(double x, double first, double last, const TIntArray& table) {
    return InterpolEquallySpaced(x, first, last, table);
}

double InterpolXYTable(double x, const TDouble2DArray& table, bool extrapolate) {
    if (table.size() != 2) detail::RaiseMath1Error("InterpolXYTable: pivot array must contain 2 columns");
    // Columns of different length: only the rows that both hold count.
    const size_t n = std::min(table[0].size(), table[1].size());
    if (n < 2) detail::RaiseMath1Error("InterpolXYTable: pivot array must contain at least 2 rows");
    const double* const ax = table[0].data();
    const double* const ay = table[1].data();
    const bool ascending = ax[0] <= ax[n - 1];

    if (ascending && ax[0] < x && x < ax[n - 1]) {
        size_t j = 1;
        while (x > ax[j]) ++j;  // stops at the latest at n - 1, since x < ax[n - 1]
        return OnLine(x, ax[j - 1], ay[j - 1], ax[j], ay[j]);
    }
    if (!ascending && ax[n - 1] < x && x < ax[0]) {
        size_t j = n - 2;
        while (!(x <= ax[j])) --j;  // stops at the latest at 0, since x < ax[0]
        return OnLine(x, ax[j], ay[j], ax[j + 1], ay[j + 1]);
    }
    if (!extrapolate) return 0;
    // Beyond (or on) an end: the line through the two rows at that end.
    const bool atFirstEnd = ascending ? !(x > ax[0]) : !(x < ax[0]);
    if (atFirstEnd) return OnLine(x, ax[0], ay[0], ax[1], ay[1]);
    return OnLine(x, ax[n - 1], ay[n - 1], ax[n - 2], ay[n - 2]);
}

double InterpolZofXYRect(double z1, double z2, double z3, double z4, double fx, double fy) noexcept {
    const double g = z1 + (z3 - z1) * fx;
    const double h = z2 + (z4 - z2) * fx;
    return g + (h - g) * fy;
}

}  // namespace ozm::math1
