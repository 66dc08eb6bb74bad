// Window filters: scipy references for every window length, the end rule, the argument checks
// and their order, in-place use, NaN in the moving median and the vector kernels per
// instruction set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "filter_refs.hpp"
#include "numerics/filter_internal.hpp"
#include "ozm/math2.hpp"
#include "ozm/vector.hpp"

namespace {

using namespace ozm;
using namespace ozm::math2;
using ozm::testing::FilterRefs;

constexpr double kEps = std::numeric_limits<double>::epsilon();
using TWindowFn = void (*)(const TVector*, int, int, int, TVector*);

void SetCells(TVector& vec, const std::vector<double>& v) {
    vec.Resize(static_cast<int>(v.size()));
    std::copy(v.begin(), v.end(), vec.Cells().begin());
}

std::vector<double> Filter(TWindowFn fn, const std::vector<double>& x, int W) {
    TVector src, dst;
    SetCells(src, x);
    dst.Resize(static_cast<int>(x.size()));
    fn(&src, 1, static_cast<int>(x.size()), W, &dst);
    return {dst.Cells().begin(), dst.Cells().end()};
}

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EOZMMath2Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(FilterWindow, MatchesScipyInteriorAndCopiesEndsOutward) {
    const FilterRefs refs("window.txt");
    const std::vector<double>& x = refs["x"];
    const int n = static_cast<int>(x.size());
    double maxAbs = 0;
    for (double v : x) maxAbs = std::max(maxAbs, std::fabs(v));
    struct Case {
        const char* key;
        TWindowFn fn;
    };
    const Case cases[] = {
        {"savgol_smooth", PolynomialSmooth}, {"savgol_d1", FirstDeriv},
        {"savgol_d2", SecondDeriv},          {"median", MovingMedianSmooth},
        {"average", MovingAverageSmooth},    {"triangular", WeightedAverageSmooth}};
    int compared = 0;
    for (const Case& c : cases) {
        for (int W = 3; W < n; W += 2) {
            const std::string key = std::string(c.key) + "_W" + std::to_string(W);
            if (!refs.has(key)) continue;
            const std::vector<double>& want = refs[key];
            const std::vector<double> got = Filter(c.fn, x, W);
            const int h = W / 2;
            ASSERT_EQ(want.size(), static_cast<size_t>(n - 2 * h)) << key;
            // Each result is a sum of W products of weights (at most 1 in sum) and samples.
            const double tol = 16.0 * W * kEps * maxAbs;
            for (int j = 0; j < n - 2 * h; ++j) {
                if (std::string(c.key) == "median") {
                    ASSERT_EQ(got[static_cast<size_t>(j + h)], want[static_cast<size_t>(j)])
                        << key << " at " << j;
                } else {
                    ASSERT_NEAR(got[static_cast<size_t>(j + h)], want[static_cast<size_t>(j)], tol)
                        << key << " at " << j;
                }
            }
            for (int j = 0; j < h; ++j) {
                EXPECT_EQ(got[static_cast<size_t>(j)], got[static_cast<size_t>(h)]) << key;
                EXPECT_EQ(got[static_cast<size_t>(n - 1 - j)], got[static_cast<size_t>(n - 1 - h)])
                    << key;
            }
            ++compared;
        }
    }
    EXPECT_EQ(compared, 3 * 11 + 3 * 8);
}

TEST(FilterWindow, WorkedExamplesAndExactPolynomials) {
    std::vector<double> ramp(10), lin(10), sq(30), cubic(40);
    for (int k = 1; k <= 10; ++k)
        ramp[static_cast<size_t>(k - 1)] = k, lin[static_cast<size_t>(k - 1)] = 3.0 * k;
    for (int k = 1; k <= 30; ++k) sq[static_cast<size_t>(k - 1)] = double(k) * k;
    for (int k = 1; k <= 40; ++k)
        cubic[static_cast<size_t>(k - 1)] = 0.5 * k * k * k - 7.0 * k * k + k - 3;

    EXPECT_EQ(Filter(MovingAverageSmooth, ramp, 3),
              (std::vector<double>{2, 2, 3, 4, 5, 6, 7, 8, 9, 9}));
    for (double v : Filter(FirstDeriv, lin, 5)) EXPECT_NEAR(v, 3.0, 8 * kEps * 30);
    for (double v : Filter(SecondDeriv, sq, 5)) EXPECT_NEAR(v, 2.0, 64 * kEps * 900);
    // The least-squares parabola of a symmetric window reproduces quadratics and cubics.
    for (int W : {5, 13, 25}) {
        const int h = W / 2;
        const std::vector<double> q = Filter(PolynomialSmooth, sq, W);
        const std::vector<double> c = Filter(PolynomialSmooth, cubic, W);
        for (size_t j = static_cast<size_t>(h); j + static_cast<size_t>(h) < sq.size(); ++j)
            EXPECT_NEAR(q[j], sq[j], 16 * W * kEps * 900) << W;
        for (size_t j = static_cast<size_t>(h); j + static_cast<size_t>(h) < cubic.size(); ++j)
            EXPECT_NEAR(c[j], cubic[j], 16 * W * kEps * 32000) << W;
    }
    // A single spike disappears under a 3-point median.
    EXPECT_EQ(Filter(MovingMedianSmooth, {1, 1, 1, 9, 1, 1, 1}, 3), (std::vector<double>(7, 1.0)));
}

TEST(FilterWindow, ArgumentChecksInTheirOrder) {
    struct Routine {
        TWindowFn fn;
        std::string name, rangeText, lengthText, oddText;
        int maxW;
    };
    const std::string smoothRange =
        "specified range for smoothing is smaller than the length of the smoothing windows";
    const std::string polyRange =
        "specified range for smoothing is smaller than the length of the polynomial";
    const std::string win = "length of smoothing window is out of range",
                      winOdd = "length of smoothing window must be odd";
    const std::string poly = "length of polynomial is out of range",
                      polyOdd = "length of polynomial must be odd";
    const Routine routines[] = {
        {MovingAverageSmooth, "MovingAverageSmooth", smoothRange, win, winOdd, 0},
        {MovingMedianSmooth, "MovingMedianSmooth", smoothRange, win, winOdd, 0},
        {WeightedAverageSmooth, "WeightedAverageSmooth", smoothRange, win, winOdd, 0},
        {PolynomialSmooth, "PolynomialSmooth", polyRange, poly, polyOdd, 25},
        {SecondDeriv, "SecondDeriv", polyRange, poly, polyOdd, 25},
        {FirstDeriv, "FirstDeriv",
         "specified range for calculation is smaller than the length of the polynomial", poly,
         polyOdd, 25}};
    TVector src, dst;
    src.Resize(40);
    dst.Resize(40);
    for (const Routine& r : routines) {
        const std::string p = r.name + ": ";
        EXPECT_EQ(MessageOf([&] { r.fn(nullptr, 1, 40, 5, &dst); }),
                  p + "either SourceVec or DestVec is undefined");
        EXPECT_EQ(MessageOf([&] { r.fn(&src, 1, 40, 5, nullptr); }),
                  p + "either SourceVec or DestVec is undefined");
        // Range before length: a range of exactly W elements is refused.
        EXPECT_EQ(MessageOf([&] { r.fn(&src, 3, 7, 5, &dst); }), p + r.rangeText);
        EXPECT_EQ(MessageOf([&] { r.fn(&src, 1, 40, 41, &dst); }), p + r.rangeText);
        EXPECT_EQ(MessageOf([&] { r.fn(&src, 3, 8, 5, &dst); }), "(no error)");
        // Length before parity.
        EXPECT_EQ(MessageOf([&] { r.fn(&src, 1, 40, 4, &dst); }),
                  p + (r.maxW ? r.lengthText : r.oddText));
        EXPECT_EQ(MessageOf([&] { r.fn(&src, 1, 40, 1, &dst); }), p + r.lengthText);
        EXPECT_EQ(MessageOf([&] { r.fn(&src, 1, 40, -3, &dst); }), p + r.lengthText);
        if (r.maxW) {
            EXPECT_EQ(MessageOf([&] { r.fn(&src, 1, 40, 27, &dst); }), p + r.lengthText);
            EXPECT_EQ(MessageOf([&] { r.fn(&src, 1, 40, 26, &dst); }), p + r.lengthText);
            EXPECT_EQ(MessageOf([&] { r.fn(&src, 1, 40, 25, &dst); }), "(no error)");
        } else {
            EXPECT_EQ(MessageOf([&] { r.fn(&src, 1, 40, 38, &dst); }), p + r.oddText);
        }
    }
}

TEST(FilterWindow, RangeClampingDestinationAndNotification) {
    std::vector<double> x(30);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin(0.7 * static_cast<double>(i)) * 10 + static_cast<double>(i % 4);
    TVector src;
    SetCells(src, x);
    const std::vector<double> whole = Filter(PolynomialSmooth, x, 7);

    // Bounds 0 and beyond the vector are clamped; reversed bounds are swapped.
    TVector dst;
    dst.Resize(30);
    int changes = 0;
    dst.OnChange = [&](TObject*) { ++changes; };
    PolynomialSmooth(&src, 99, 0, 7, &dst);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), dst.Cells().begin()));
    dst.Fill(0);
    PolynomialSmooth(&src, 0, 0, 7, &dst);  // the whole vector
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), dst.Cells().begin()));

    // A sub-range lands at element 1 of DestVec; a short DestVec keeps only what fits and
    // keeps its size.
    TVector part;
    part.Resize(5);
    PolynomialSmooth(&src, 11, 25, 7, &part);
    EXPECT_EQ(part.NrOfElem(), 5);
    const std::vector<double> sub(x.begin() + 10, x.begin() + 25);
    const std::vector<double> subWant = Filter(PolynomialSmooth, sub, 7);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(part.Cells()[static_cast<size_t>(i)], subWant[static_cast<size_t>(i)]);

    // In place: every window is read before anything is stored.
    for (TWindowFn fn : {MovingAverageSmooth, MovingMedianSmooth, WeightedAverageSmooth,
                         PolynomialSmooth, FirstDeriv, SecondDeriv}) {
        TVector inPlace;
        SetCells(inPlace, x);
        fn(&inPlace, 1, 30, 5, &inPlace);
        const std::vector<double> want = Filter(fn, x, 5);
        EXPECT_TRUE(std::equal(want.begin(), want.end(), inPlace.Cells().begin()));
    }
}

// The median of each window by sorting a copy, NaN ordered above every number.
std::vector<double> BruteMedian(const std::vector<double>& x, int W) {
    const int h = W / 2, n = static_cast<int>(x.size());
    std::vector<double> out(x.size());
    auto less = [](double a, double b) { return a < b || (std::isnan(b) && !std::isnan(a)); };
    for (int e = h; e < n - h; ++e) {
        std::vector<double> w(x.begin() + e - h, x.begin() + e + h + 1);
        std::sort(w.begin(), w.end(), less);
        out[static_cast<size_t>(e)] = w[static_cast<size_t>(h)];
    }
    for (int j = 0; j < h; ++j) out[static_cast<size_t>(j)] = out[static_cast<size_t>(h)];
    for (int j = n - h; j < n; ++j)
        out[static_cast<size_t>(j)] = out[static_cast<size_t>(n - h - 1)];
    return out;
}

TEST(FilterWindow, MovingMedianAgreesWithSortingIncludingTiesAndNaN) {
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> small(0, 9);
    std::uniform_real_distribution<double> u(0, 1);
    for (int trial = 0; trial < 40; ++trial) {
        const int n = 50 + trial * 13;
        std::vector<double> x(static_cast<size_t>(n));
        for (double& v : x) {
            const double r = u(gen);
            v = r < 0.05 ? std::numeric_limits<double>::quiet_NaN()
                         : (r < 0.1 ? std::numeric_limits<double>::infinity() : small(gen));
        }
        for (int W : {3, 5, 9, 17, 31, 49}) {
            if (W >= n) continue;
            const std::vector<double> got = Filter(MovingMedianSmooth, x, W),
                                      want = BruteMedian(x, W);
            for (int i = 0; i < n; ++i) {
                const double g = got[static_cast<size_t>(i)], w = want[static_cast<size_t>(i)];
                ASSERT_TRUE(g == w || (std::isnan(g) && std::isnan(w)))
                    << "n " << n << " W " << W << " i " << i;
            }
        }
    }
}

TEST(FilterWindow, VectorKernelsAgreeBitForBitOnEveryInstructionSet) {
    using namespace ozm::math2::detail;
    std::vector<double> x(1000);
    std::mt19937 gen(3);
    std::normal_distribution<double> nd(0, 5);
    for (double& v : x) v = nd(gen);
    const TSimdLevel best = DetectedSimdLevel();
    std::vector<std::vector<double>> results;
    for (int level = 0; level <= static_cast<int>(best); ++level) {
        ASSERT_EQ(ForceSimdLevel(static_cast<TSimdLevel>(level)), static_cast<TSimdLevel>(level));
        std::vector<double> all;
        for (TWindowFn fn : {MovingAverageSmooth, WeightedAverageSmooth, PolynomialSmooth,
                             FirstDeriv, SecondDeriv})
            for (int W : {5, 11, 25}) {
                const std::vector<double> r = Filter(fn, x, W);
                all.insert(all.end(), r.begin(), r.end());
            }
        results.push_back(all);
    }
    ForceSimdLevel(best);
    for (size_t i = 1; i < results.size(); ++i)
        EXPECT_TRUE(results[i] == results[0]) << "level " << i;
}

}  // namespace
