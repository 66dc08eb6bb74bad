// Windowed-sinc kernels, the kernel runner and the Chebyshev filter against scipy.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "filter_refs.hpp"
#include "ozm/math2.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace {

using namespace ozm;
using namespace ozm::math2;
using ozm::testing::FilterRefs;

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kUlpsPerPole = 8;

void SetCells(TVector& vec, const std::vector<double>& v) {
    vec.Resize(static_cast<int>(v.size()));
    std::copy(v.begin(), v.end(), vec.Cells().begin());
}

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EOZMMath2Error& e) {
        return e.what();
    }
    return "(no error)";
}

// Splits "kind_M_window_f1[_f2]".
std::vector<std::string> Fields(const std::string& key) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t i = 0; i <= key.size(); ++i)
        if (i == key.size() || key[i] == '_') {
            out.push_back(key.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

TEST(FilterSinc, KernelsMatchScipyInBothForms) {
    const FilterRefs refs("sinc.txt");
    int compared = 0;
    for (const auto& [key, want] : refs.all()) {
        const std::vector<std::string> f = Fields(key);
        const int M = std::stoi(f[1]), window = std::stoi(f[2]);
        const double f1 = std::stod(f[3]), f2 = f.size() > 4 ? std::stod(f[4]) : 0;
        TDoubleArray arr;
        TVector vec;
        if (f[0] == "lp") {
            CalcSincLPKernel(M, f1, window, arr);
            CalcSincLPKernel(M, f1, window, vec);
        } else if (f[0] == "hp") {
            CalcSincHPKernel(M, f1, window, arr);
            CalcSincHPKernel(M, f1, window, vec);
        } else if (f[0] == "bs") {
            CalcSincBSKernel(M, f1, f2, window, arr);
            CalcSincBSKernel(M, f1, f2, window, vec);
        } else {
            CalcSincBPKernel(M, f1, f2, window, arr);
            CalcSincBPKernel(M, f1, f2, window, vec);
        }
        ASSERT_EQ(arr.size(), want.size()) << key;
        ASSERT_EQ(vec.NrOfElem(), static_cast<int>(want.size())) << key;
        EXPECT_TRUE(std::equal(arr.begin(), arr.end(), vec.Cells().begin())) << key;
        // Normalised by a sum of M terms: a few ulps per term.
        for (size_t i = 0; i < want.size(); ++i)
            ASSERT_NEAR(arr[i], want[i], 4.0 * M * kEps) << key << " at " << i;
        ++compared;
    }
    EXPECT_EQ(compared, 5 * 3 * (5 * 2 + 2 * 2));
}

TEST(FilterSinc, PropertiesClampingAndBadArguments) {
    TDoubleArray k;
    CalcSincLPKernel(51, 0.1, 1, k);
    double sum = 0;
    for (double v : k) sum += v;
    EXPECT_NEAR(sum, 1.0, 51 * kEps);
    for (size_t i = 0; i < 25; ++i) EXPECT_EQ(k[i], k[50 - i]);  // symmetric about element 26
    // Cutoff 0: the low-pass kernel is all 0 and left unscaled; the high-pass kernel is a unit
    // pulse.
    CalcSincHPKernel(9, 0.0, 2, k);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(k[i], i == 4 ? 1.0 : 0.0);
    // Cutoffs outside 0..0.5 are clamped.
    TDoubleArray a, b;
    CalcSincLPKernel(31, 0.9, 1, a);
    CalcSincLPKernel(31, 0.5, 1, b);
    EXPECT_EQ(a, b);
    CalcSincLPKernel(31, -2, 1, a);
    CalcSincLPKernel(31, 0, 1, b);
    EXPECT_EQ(a, b);
    // No kernel of length 0, no NaN cutoff: an error rather than a stale kernel.
    TVector vec;
    EXPECT_EQ(MessageOf([&] { CalcSincLPKernel(0, 0.1, 1, vec); }),
              "CalcSincLPKernel: kernel length must be positive");
    EXPECT_EQ(MessageOf([&] { CalcSincBPKernel(-5, 0.1, 0.2, 1, a); }),
              "CalcSincBPKernel: kernel length must be positive");
    EXPECT_EQ(MessageOf([&] { CalcSincBSKernel(11, 0.1, std::nan(""), 1, a); }),
              "CalcSincBSKernel: cutoff frequency is not a number");
}

TEST(FilterKernelRunner, MatchesEdgeReplicatedCorrelation) {
    const FilterRefs refs("window.txt");
    TVector src, dst, kern;
    SetCells(src, refs["x"]);
    for (int K : {1, 2, 5, 8, 33}) {
        SetCells(kern, refs["kernelfilter_K" + std::to_string(K)]);
        const std::vector<double>& want = refs["kernelfilter_expect_K" + std::to_string(K)];
        dst.Resize(3);
        int changes = 0;
        dst.OnChange = [&](TObject*) { ++changes; };
        MovingKernelFilter(&src, 90, 11, &dst, &kern);  // reversed bounds are ordered
        dst.OnChange = nullptr;
        EXPECT_GE(changes, 1);
        ASSERT_EQ(dst.NrOfElem(), src.NrOfElem()) << K;
        for (size_t i = 0; i < want.size(); ++i)
            ASSERT_NEAR(dst.Cells()[i], want[i], 8.0 * K * kEps * 30) << "K " << K << " at " << i;
    }
    // The kernel (1) copies the range; the vectors may be one and the same.
    SetCells(kern, {1.0});
    TVector same;
    SetCells(same, {4, 5, 6, 7});
    MovingKernelFilter(&same, 1, 4, &same, &kern);
    EXPECT_EQ(std::vector<double>(same.Cells().begin(), same.Cells().end()),
              (std::vector<double>{4, 5, 6, 7}));
    SetCells(kern, {0.25, 0.5, 0.25});
    MovingKernelFilter(&same, 1, 4, &kern, &kern);  // the kernel is read before the result lands
    EXPECT_EQ(std::vector<double>(kern.Cells().begin(), kern.Cells().end()),
              (std::vector<double>{4.25, 5, 6, 6.75}));

    EXPECT_EQ(MessageOf([&] { MovingKernelFilter(&src, 1, 10, nullptr, &kern); }),
              "MovingKernelfilter: SourceVec, DestVec and/or FilterKernel is undefined");
    SetCells(kern, std::vector<double>(10, 0.1));
    EXPECT_EQ(MessageOf([&] { MovingKernelFilter(&src, 1, 10, &dst, &kern); }),
              "MovingKernelfilter: specified range for smoothing is smaller than the length of the "
              "kernel");
    EXPECT_EQ(MessageOf([&] { MovingKernelFilter(&src, 0, 11, &dst, &kern); }), "(no error)");
}

// Frequency response of y(n) = a0 x(n) + sum a_k x(n-k) + sum b_k y(n-k) at f (cycles/sample).
std::complex<double> Response(double a0, const TMatrix& c, double f) {
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f);
    std::complex<double> num = a0, den = 1.0, zk = 1.0;
    for (int k = 1; k <= c.NrOfRows(); ++k) {
        zk *= z1;
        num += c.GetVal(1, k) * zk;
        den -= c.GetVal(2, k) * zk;
    }
    return num / den;
}

// How far rounding of the coefficients by one relative unit can move the response at f:
// (|a0| + sum |a_k| + |H| sum |b_k|) / |1 - sum b_k z^-k|. The cascade is a polynomial of degree
// N; for many poles at a cutoff near 0 or 0.5 its roots crowd together and this number grows
// large, which is what the recursive form can promise there.
double Sensitivity(double a0, const TMatrix& c, double f, std::complex<double> H) {
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f);
    std::complex<double> den = 1.0, zk = 1.0;
    double sa = std::fabs(a0), sb = 0;
    for (int k = 1; k <= c.NrOfRows(); ++k) {
        zk *= z1;
        den -= c.GetVal(2, k) * zk;
        sa += std::fabs(c.GetVal(1, k));
        sb += std::fabs(c.GetVal(2, k));
    }
    return (sa + std::abs(H) * sb) / std::abs(den);
}

TEST(FilterChebyshev, DesignsMatchScipyFrequencyResponses) {
    const FilterRefs refs("cheby.txt");
    int compared = 0;
    for (const auto& [key, data] : refs.all()) {
        if (key.rfind("resp_", 0) != 0) continue;
        const std::vector<std::string> f = Fields(key);
        const int N = std::stoi(f[1]);
        const bool hp = f[2] == "1";
        const double fc = std::stod(f[3]), ripple = std::stod(f[4]);
        double a0 = 0;
        TMatrix c;
        CalcChebFilterCoeffs(N, hp, fc, ripple, a0, c);
        ASSERT_EQ(c.NrOfColumns(), 2);
        ASSERT_EQ(c.NrOfRows(), N);
        const size_t nf = data.size() / 3;
        const double fref = hp ? 0.5 : 0.0;
        const double sref = Sensitivity(a0, c, fref, Response(a0, c, fref));
        for (size_t i = 0; i < nf; ++i) {
            const std::complex<double> want(data[nf + i], data[2 * nf + i]);
            const std::complex<double> got = Response(a0, c, data[i]);
            // Rounding in the response itself and in the gain normalisation at the reference
            // frequency, a few units per pole.
            const double tol =
                kUlpsPerPole * N * kEps * (Sensitivity(a0, c, data[i], got) + std::abs(got) * sref);
            ASSERT_LE(std::abs(got - want), tol) << key << " at f = " << data[i];
        }
        ++compared;
    }
    EXPECT_EQ(compared, 4 * 2 * 3 * 4);
}

TEST(FilterChebyshev, DesignChecksAndUnityGain) {
    double a0 = 0;
    TMatrix c;
    CalcChebFilterCoeffs(4, false, 0.1, 0.5, a0, c);
    double sa = a0, sb = 0;
    for (int k = 1; k <= 4; ++k) sa += c.GetVal(1, k), sb += c.GetVal(2, k);
    EXPECT_NEAR(sa / (1 - sb), 1.0, 64 * kEps);
    const std::string p = "CalcChebFilterCoeffs: ";
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(3, false, 0.1, 0.5, a0, c); }),
              p + "NPoles must be even");
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(4, false, 0.1, 30, a0, c); }),
              p + "invalid Ripple value");
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(4, false, 0.1, -1, a0, c); }),
              p + "invalid Ripple value");
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(4, false, 0.6, 0.5, a0, c); }),
              p + "invalid cutoff frequency");
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(4, false, std::nan(""), 0.5, a0, c); }),
              p + "invalid cutoff frequency");
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(3, false, 0.6, 30, a0, c); }),
              p + "NPoles must be even");
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(4, false, 0.6, 30, a0, c); }),
              p + "invalid Ripple value");
    // Regression: more than 20 poles overran the 23-term cascade; a low-pass at 0 (high-pass at
    // 0.5) passes nothing and its gain normalisation divided 0 by 0.
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(22, false, 0.1, 0.5, a0, c); }),
              p + "NPoles must not exceed 20");
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(-2, false, 0.1, 0.5, a0, c); }),
              p + "NPoles must not exceed 20");
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(4, false, 0.0, 0.5, a0, c); }),
              p + "invalid cutoff frequency");
    EXPECT_EQ(MessageOf([&] { CalcChebFilterCoeffs(4, true, 0.5, 0.5, a0, c); }),
              p + "invalid cutoff frequency");
    // The pass-everything ends give finite coefficients of a unit-gain filter.
    for (bool hp : {false, true}) {
        CalcChebFilterCoeffs(6, hp, hp ? 0.0 : 0.5, 1.0, a0, c);
        EXPECT_TRUE(std::isfinite(a0));
        for (int k = 1; k <= 6; ++k)
            EXPECT_TRUE(std::isfinite(c.GetVal(1, k)) && std::isfinite(c.GetVal(2, k)));
    }
}

TEST(FilterChebyshev, ZeroPhaseApplication) {
    const FilterRefs refs("cheby.txt");
    const std::vector<double>& x = refs["zerophase_x"];
    const std::vector<double>& want = refs["zerophase_expect"];
    const int n = static_cast<int>(x.size());
    TMatrix c;
    c.Resize(2, 4);
    for (int k = 1; k <= 4; ++k) {
        c.SetVal(1, k, refs["zerophase_a"][static_cast<size_t>(k - 1)]);
        c.SetVal(2, k, refs["zerophase_b"][static_cast<size_t>(k - 1)]);
    }
    const double a0 = refs["zerophase_a0"][0];
    double scale = 0;
    for (double v : x) scale = std::max(scale, std::fabs(v));

    // The whole signal, then a sub-range: results land at the source index, the rest of DestVec
    // is left alone.
    TVector src, dst;
    SetCells(src, x);
    dst.Resize(n);
    ChebychevFilter(src, 1, n, dst, a0, c);
    for (int i = 0; i < n; ++i)
        ASSERT_NEAR(dst.Cells()[static_cast<size_t>(i)], want[static_cast<size_t>(i)],
                    1e3 * kEps * scale)
            << i;
    dst.Fill(-7);
    ChebychevFilter(src, 60, 0, dst, a0, c);  // bounds ordered and clamped: elements 1..60
    for (int i = 0; i < 60; ++i) EXPECT_NE(dst.Cells()[static_cast<size_t>(i)], -7.0);
    for (int i = 60; i < n; ++i) EXPECT_EQ(dst.Cells()[static_cast<size_t>(i)], -7.0);

    // Regression: samples after Last were read into the filter, so a range's result depended
    // on data outside it. Now the signal ends at Last.
    TVector head, headOut, mixedOut;
    SetCells(head, std::vector<double>(x.begin(), x.begin() + 60));
    headOut.Resize(60);
    mixedOut.Resize(n);
    ChebychevFilter(head, 1, 60, headOut, a0, c);
    ChebychevFilter(src, 1, 60, mixedOut, a0, c);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(mixedOut.Cells()[static_cast<size_t>(i)],
                  headOut.Cells()[static_cast<size_t>(i)]);

    // A constant passes a low-pass unchanged away from the ends, where the rings of the step
    // transients have died out; in place works too.
    double ca0 = 0;
    TMatrix cc;
    CalcChebFilterCoeffs(4, false, 0.1, 0.5, ca0, cc);
    TVector flat;
    SetCells(flat, std::vector<double>(2000, 3.5));
    ChebychevFilter(flat, 1, 2000, flat, ca0, cc);
    for (int i = 800; i < 1200; ++i)
        EXPECT_NEAR(flat.Cells()[static_cast<size_t>(i)], 3.5, 256 * kEps * 3.5);
}

}  // namespace
