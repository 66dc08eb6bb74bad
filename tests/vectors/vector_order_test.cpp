// Searching, the comb sort with its exchange reports, mirroring, shuffling and the extremes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <cmath>
#include <limits>
#include <vector>

#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

template <typename V, typename T>
V& Set(V& v, const std::vector<T>& values) {
    v.Resize(static_cast<int>(values.size()));
    std::copy(values.begin(), values.end(), v.Cells().begin());
    return v;
}

std::vector<double> Values(const TVector& v) { return {v.Cells().begin(), v.Cells().end()}; }

TEST(VectorOrder, FindAndFindInSorted) {
    TVector v;
    Set(v, std::vector<double>{1, 2, 3, 4});
    EXPECT_EQ(v.Find(0, 0, 2.5), 2);                // tie: lowest index
    EXPECT_EQ(v.Find(3, 4, 0), 3);                  // within the range only
    EXPECT_EQ(v.FindInSortedVector(true, 2.5), 3);  // tie: higher index
    EXPECT_EQ(v.FindInSortedVector(true, 3), 3);
    EXPECT_EQ(v.FindInSortedVector(true, -10), 1);
    EXPECT_EQ(v.FindInSortedVector(true, 10), 4);
    Set(v, std::vector<double>{9, 7, 5, 3, 1});
    EXPECT_EQ(v.FindInSortedVector(false, 6.9), 2);
    EXPECT_EQ(v.FindInSortedVector(false, 1), 5);
    // Against a linear scan on a large sorted vector.
    std::vector<double> data(1001);
    for (size_t i = 0; i < data.size(); ++i) data[i] = 0.5 * double(i * i);
    Set(v, data);
    for (double x : {0.0, 0.3, 12.4, 1000.0, 250000.0, 499999.0, 600000.0}) {
        const int found = v.FindInSortedVector(true, x);
        const double best = std::fabs(v.GetVal(v.Find(0, 0, x)) - x);
        EXPECT_EQ(std::fabs(v.GetVal(found) - x), best) << x;
    }
    Set(v, std::vector<double>{NAN, 5, 1});
    EXPECT_EQ(v.Find(0, 0, 1.2), 3);
}

TEST(VectorOrder, CombSortReportsEveryExchange) {
    TVector v;
    Set(v, std::vector<double>{3, 1, 2});
    int changes = 0;
    std::vector<std::array<int, 5>> reports;
    v.OnChange = [&](TObject*) { ++changes; };
    v.OnSortExchange = [&](TObject* sender, uint8_t kind, int i1, int i2, int f, int l) {
        EXPECT_EQ(sender, &v);
        reports.push_back({kind, i1, i2, f, l});
    };
    v.SortElems(true, 0, 0);
    EXPECT_EQ(Values(v), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(changes, 1);
    // gap trunc(2 / 1.3) = 1: (1,2) 3>1 swap -> 1 3 2; (2,3) swap -> 1 2 3; then a clean pass.
    const std::vector<std::array<int, 5>> expected{{0, 1, 2, 0, 0}, {0, 2, 3, 0, 0}};
    EXPECT_EQ(reports, expected);

    reports.clear();
    v.SortElems(true, 5, 5);  // one element after clamping: nothing at all
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(reports.empty());

    // Replaying the reports on a copy of the input reproduces the sorted result.
    std::vector<double> data(500);
    SetRandSeed(7);
    for (double& x : data) x = std::floor(Random() * 50);
    Set(v, data);
    reports.clear();
    v.SortElems(false, 0, 0);
    for (const auto& r : reports) std::swap(data[size_t(r[1] - 1)], data[size_t(r[2] - 1)]);
    EXPECT_EQ(data, Values(v));
    EXPECT_TRUE(std::is_sorted(data.rbegin(), data.rend()));
}

TEST(VectorOrder, SortRangesAndAgreementWithStdSort) {
    SetRandSeed(11);
    std::vector<double> data(10007);
    for (double& x : data) x = Random() * 1000 - 500;
    TVector v;
    Set(v, data);
    v.SortElems(true, 9000, 11);  // reversed bounds: 11..9000
    std::vector<double> expected = data;
    std::sort(expected.begin() + 10, expected.begin() + 9000);
    EXPECT_EQ(Values(v), expected);
    v.SortElems(false, 0, 0);
    std::sort(expected.begin(), expected.end(), std::greater<>());
    EXPECT_EQ(Values(v), expected);

    TIntVector iv;
    std::vector<int32_t> ints{5, -3, 5, INT32_MIN, INT32_MAX, 0, -3};
    Set(iv, ints);
    iv.SortElems(true, -5, 100);
    std::sort(ints.begin(), ints.end());
    EXPECT_EQ(std::vector<int32_t>(iv.Cells().begin(), iv.Cells().end()), ints);
}

TEST(VectorOrder, SortWithNaNTerminatesAndOrdersTheNumbers) {
    TVector v;
    std::vector<double> data(2000);
    SetRandSeed(3);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (i % 7 == 3) ? NAN : Random();
    Set(v, data);
    int reports = 0;
    v.OnSortExchange = [&](TObject*, uint8_t, int, int, int, int) { ++reports; };
    v.SortElems(true, 0, 0);
    // NaN is never exchanged, so the sort ends; the NaNs stay where they were and the numbers
    // are only permuted among the other positions.
    std::vector<double> out = Values(v);
    for (size_t i = 0; i < data.size(); ++i) EXPECT_EQ(std::isnan(out[i]), std::isnan(data[i]));
    std::vector<double> a, b;
    for (double x : data)
        if (!std::isnan(x)) a.push_back(x);
    for (double x : out)
        if (!std::isnan(x)) b.push_back(x);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, b);
    EXPECT_GT(reports, 0);
    v.OnSortExchange = nullptr;
    Set(v, data);
    v.SortElems(false, 0, 0);  // the fast path ends as well
}

TEST(VectorOrder, HandlerThatShrinksTheVectorEndsTheSort) {
    TVector v;
    Set(v, std::vector<double>{5, 4, 3, 2, 1});
    v.OnSortExchange = [&](TObject*, uint8_t, int, int, int, int) { v.Resize(2); };
    v.SortElems(true, 0, 0);
    EXPECT_EQ(v.NrOfElem(), 2);
}

TEST(VectorOrder, MirrorAndShuffle) {
    TVector v;
    Set(v, std::vector<double>{1, 2, 3, 4, 5});
    int changes = 0;
    v.OnChange = [&](TObject*) { ++changes; };
    v.Mirror();
    EXPECT_EQ(Values(v), (std::vector<double>{5, 4, 3, 2, 1}));
    EXPECT_EQ(changes, 1);

    // The shuffle keeps the values, does not notify, and is uniform: over many shuffles of
    // three elements each of the six orders turns up about equally often.
    Set(v, std::vector<double>{1, 2, 3});
    changes = 0;
    std::map<std::vector<double>, int> seen;
    const int trials = 6000;
    for (int t = 0; t < trials; ++t) {
        v.ShuffleElems();
        ++seen[Values(v)];
    }
    EXPECT_EQ(changes, 0);
    ASSERT_EQ(seen.size(), 6u);
    for (const auto& [order, count] : seen) EXPECT_NEAR(count, trials / 6, 150);
}

TEST(VectorOrder, MinMax) {
    TVector v;
    Set(v, std::vector<double>{3, -1, 7, -1, 7, 2});
    double mn = 0, mx = 0;
    int imn = 0, imx = 0;
    v.MinMax(0, 0, mn, mx, imn, imx);
    EXPECT_EQ(mn, -1.0);
    EXPECT_EQ(mx, 7.0);
    EXPECT_EQ(imn, 2);  // first occurrence
    EXPECT_EQ(imx, 3);
    v.MinMax(4, 6, mn, mx, imn, imx);
    EXPECT_EQ(imn, 4);
    EXPECT_EQ(imx, 5);
    Set(v, std::vector<double>{NAN, NAN});
    v.MinMax(0, 0, mn, mx, imn, imx);
    EXPECT_EQ(mn, 1.7E308);
    EXPECT_EQ(mx, -1.7E308);
    EXPECT_EQ(imn, 0);
    EXPECT_EQ(imx, 0);

    TIntVector iv;
    Set(iv, std::vector<int32_t>{INT32_MIN});
    int32_t imin = 0, imax = 0;
    iv.MinMax(0, 0, imin, imax, imn, imx);
    EXPECT_EQ(imin, INT32_MIN);
    EXPECT_EQ(imn, 1);
    EXPECT_EQ(imax, -2147483647);
    EXPECT_EQ(imx, 0);
}

}  // namespace
}  // namespace ozm
