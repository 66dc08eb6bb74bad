// The window filters: the shared frame and the five linear windows (moving average, triangular
// average, Savitzky-Golay smoothing and derivatives). The moving median is in filter_median.cpp.
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "numerics/filter_internal.hpp"
#include "ozm/frame.hpp"
#include "ozm/math2/filters.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2 {

namespace detail {

void RunWindowFilter(const TWindowRoutine& Routine, const TVector* SourceVec, int First, int Last,
                     int W, TVector* DestVec, const TWindowCompute& Compute) {
    if (SourceVec == nullptr || DestVec == nullptr)
        RaiseMath2(Routine.Name, "either SourceVec or DestVec is undefined");
    MakeValidRange(First, Last, SourceVec->NrOfElem());
    // Widened: Last - First < W must not overflow for any W.
    if (static_cast<int64_t>(Last) - First < W) RaiseMath2(Routine.Name, Routine.RangeDetail);
    if (W < Routine.MinW || W > Routine.MaxW) RaiseMath2(Routine.Name, Routine.LengthDetail);
    if (W % 2 == 0) RaiseMath2(Routine.Name, Routine.OddDetail);

    const int h = W / 2;
    const std::ptrdiff_t len = static_cast<std::ptrdiff_t>(Last) - First + 1;
    const std::ptrdiff_t count = len - 2 * h;  // >= 2 by the range test
    const double* x = SourceVec->Cells().data() + (First - 1) + h;

    // The results go straight into DestVec when it is another vector that holds them all;
    // otherwise (in place, or a short DestVec) they are formed aside and stored afterwards.
    std::span<double> dest = DestVec->Cells();
    const bool direct = DestVec != SourceVec && static_cast<std::ptrdiff_t>(dest.size()) >= len;
    std::vector<double> aside;
    double* out = nullptr;
    if (direct) {
        out = dest.data();
    } else {
        aside.resize(static_cast<size_t>(len));
        out = aside.data();
    }

    Compute(x, out + h, count, h);
    std::fill(out, out + h, out[h]);
    std::fill(out + h + count, out + len, out[h + count - 1]);

    if (!direct) {
        const size_t stored = std::min(dest.size(), aside.size());
        std::copy_n(aside.begin(), stored, dest.begin());
    }
    DestVec->Changed();
}

}  // namespace detail

namespace {

using detail::RunWindowFilter;
using detail::TWindowRoutine;

constexpr int kNoUpperLimit = 2147483647;

// A symmetric (or antisymmetric) linear window: weights c[0..h] and normaliser.
struct TLinearWindow {
    std::vector<double> c;
    double Norm = 1;
    bool Antisymmetric = false;
};

void RunLinearWindow(const TWindowRoutine& Routine, const TVector* SourceVec, int First, int Last,
                     int W, TVector* DestVec, TLinearWindow (*MakeWindow)(int h)) {
    RunWindowFilter(Routine, SourceVec, First, Last, W, DestVec,
                    [MakeWindow](const double* x, double* out, std::ptrdiff_t count, int h) {
                        const TLinearWindow win = MakeWindow(h);
                        detail::SymmetricWindow(x, out, count, win.c.data(), h, win.Antisymmetric,
                                                win.Norm);
                    });
}

// Integer weights w[0..h] and normaliser, reduced by their common divisor: the Savitzky-Golay
// tables in their usual form.
TLinearWindow ReducedWindow(const std::vector<int64_t>& w, int64_t norm, bool anti) {
    int64_t g = norm < 0 ? -norm : norm;
    for (int64_t v : w) g = std::gcd(g, v < 0 ? -v : v);
    if (g == 0) g = 1;
    TLinearWindow win;
    win.Antisymmetric = anti;
    win.Norm = static_cast<double>(norm / g);
    for (int64_t v : w) win.c.push_back(static_cast<double>(v / g));
    return win;
}

TLinearWindow AverageWindow(int h) {
    TLinearWindow win;
    win.c.assign(static_cast<size_t>(h) + 1, 1.0);
    win.Norm = 2.0 * h + 1.0;
    return win;
}

TLinearWindow TriangularWindow(int h) {
    TLinearWindow win;
    win.c.resize(static_cast<size_t>(h) + 1);
    for (int i = 0; i <= h; ++i) win.c[static_cast<size_t>(i)] = static_cast<double>(h + 1 - i);
    win.Norm = (h + 1.0) * (h + 1.0);
    return win;
}

TLinearWindow SavGolSmoothWindow(int h) {
    std::vector<int64_t> w(static_cast<size_t>(h) + 1);
    int64_t norm = 0;
    for (int i = 0; i <= h; ++i) {
        w[static_cast<size_t>(i)] = 3LL * h * h + 3LL * h - 1 - 5LL * i * i;
        norm += (i == 0 ? 1 : 2) * w[static_cast<size_t>(i)];
    }
    return ReducedWindow(w, norm, false);
}

TLinearWindow SavGolFirstDerivWindow(int h) {
    std::vector<int64_t> w(static_cast<size_t>(h) + 1);
    int64_t norm = 0;
    for (int i = 0; i <= h; ++i) {
        w[static_cast<size_t>(i)] = i;
        norm += 2LL * i * i;
    }
    return ReducedWindow(w, norm, true);
}

TLinearWindow SavGolSecondDerivWindow(int h) {
    std::vector<int64_t> w(static_cast<size_t>(h) + 1);
    int64_t twice_norm = 0;
    for (int i = 0; i <= h; ++i) {
        w[static_cast<size_t>(i)] = 3LL * i * i - static_cast<int64_t>(h) * (h + 1);
        twice_norm += (i == 0 ? 1 : 2) * static_cast<int64_t>(i) * i * w[static_cast<size_t>(i)];
    }
    // The sum of i^2 v(i) over the symmetric window is even (its terms come in equal pairs).
    return ReducedWindow(w, twice_norm / 2, false);
}

}  // namespace

void MovingAverageSmooth(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec) {
    static constexpr TWindowRoutine routine{
        "MovingAverageSmooth",
        "specified range for smoothing is smaller than the length of the smoothing windows",
        "length of smoothing window is out of range",
        "length of smoothing window must be odd",
        3,
        kNoUpperLimit};
    RunLinearWindow(routine, SourceVec, First, Last, W, DestVec, AverageWindow);
}

void WeightedAverageSmooth(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec) {
    static constexpr TWindowRoutine routine{
        "WeightedAverageSmooth",
        "specified range for smoothing is smaller than the length of the smoothing windows",
        "length of smoothing window is out of range",
        "length of smoothing window must be odd",
        3,
        kNoUpperLimit};
    RunLinearWindow(routine, SourceVec, First, Last, W, DestVec, TriangularWindow);
}

void PolynomialSmooth(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec) {
    static constexpr TWindowRoutine routine{
        "PolynomialSmooth",
        "specified range for smoothing is smaller than the length of the polynomial",
        "length of polynomial is out of range",
        "length of polynomial must be odd",
        5,
        25};
    RunLinearWindow(routine, SourceVec, First, Last, W, DestVec, SavGolSmoothWindow);
}

void FirstDeriv(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec) {
    static constexpr TWindowRoutine routine{
        "FirstDeriv",
        "specified range for calculation is smaller than the length of the polynomial",
        "length of polynomial is out of range",
        "length of polynomial must be odd",
        5,
        25};
    RunLinearWindow(routine, SourceVec, First, Last, W, DestVec, SavGolFirstDerivWindow);
}

void SecondDeriv(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec) {
    static constexpr TWindowRoutine routine{
        "SecondDeriv",
        "specified range for smoothing is smaller than the length of the polynomial",
        "length of polynomial is out of range",
        "length of polynomial must be odd",
        5,
        25};
    RunLinearWindow(routine, SourceVec, First, Last, W, DestVec, SavGolSecondDerivWindow);
}

}  // namespace ozm::math2
