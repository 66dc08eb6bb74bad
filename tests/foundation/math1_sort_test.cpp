// Compensated summation, selection, comb sort, sorted insertion and exchange.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ozm/base/globals.hpp"
#include "ozm/math1/scalar.hpp"

namespace {

using namespace ozm;
using namespace ozm::math1;

// Records the progress calls of one operation and restores the globals afterwards.
class FeedbackRecorder {
public:
    FeedbackRecorder() : savedStat_(ProcStat.load()) {
        ProcStat = 0;
        MathFeedBackProc = [this](double stat) { calls.push_back(stat); };
    }
    ~FeedbackRecorder() {
        MathFeedBackProc = nullptr;
        ProcStat = savedStat_;
    }
    std::vector<double> calls;

private:
    double savedStat_;
};

TEST(Math1KahanSum, RecoversTheLowOrderPartThatPlainSummationLoses) {
    // 1 followed by 10000 values of 1e-16: each is below half an ulp of 1, so a plain loop never
    // leaves 1. The exact sum of the doubles fits long double well enough for a 1-ulp check.
    constexpr int n = 10000;
    const double tiny = 1e-16;
    TKahanSum kahan;
    double naive = 1.0;
    kahan.Add(1.0);
    for (int i = 0; i < n; ++i) {
        kahan.Add(tiny);
        naive += tiny;
    }
    const auto exact = static_cast<double>(1.0L + static_cast<long double>(n) * tiny);
    EXPECT_EQ(naive, 1.0);
    EXPECT_NEAR(kahan.Sum, exact, std::nextafter(1.0, 2.0) - 1.0);
    EXPECT_GT(kahan.Sum, 1.0 + 0.99e-12);

    kahan.Reset();
    EXPECT_EQ(kahan.Sum, 0.0);
    EXPECT_EQ(kahan.cps, 0.0);
}

TEST(Math1KahanSum, SumsTenthsToTheCorrectlyRoundedResult) {
    // n * double(0.1) exactly, from the integer mantissa (n * 2^53 fits 64 bits for n = 1000).
    constexpr int n = 1000;
    int exponent = 0;
    const double mantissa = std::frexp(0.1, &exponent);
    const auto m = static_cast<uint64_t>(std::ldexp(mantissa, 53));
    const double exact = std::ldexp(static_cast<double>(m * n), exponent - 53);
    TKahanSum kahan(nullptr);
    for (int i = 0; i < n; ++i) kahan.Add(0.1);
    EXPECT_EQ(kahan.Sum, exact);
    EXPECT_STREQ(kahan.ClassName(), "TKahanSum");
}

TEST(Math1QuickSelect, WorkedExamplesAndDegenerateRanges) {
    std::vector<double> a{1, 3, 2};
    EXPECT_EQ(QuickSelect(a, 1, 0, 2), 2.0);

    // All equal: the value, and nothing moves (the signs of the zeros show it).
    std::vector<double> zeros{0.0, -0.0, 0.0, -0.0};
    EXPECT_EQ(QuickSelect(zeros, 2, 0, 3), 0.0);
    EXPECT_FALSE(std::signbit(zeros[0]));
    EXPECT_TRUE(std::signbit(zeros[1]));
    EXPECT_TRUE(std::signbit(zeros[3]));

    std::vector<double> b{4, 1, 3};
    const std::vector<double> untouched = b;
    EXPECT_EQ(QuickSelect(b, 1, 2, 1), 0.0);   // hi < lo
    EXPECT_EQ(QuickSelect(b, 1, 0, 3), 0.0);   // hi beyond the array
    EXPECT_EQ(QuickSelect(b, 0, -1, 2), 0.0);  // lo before the array
    EXPECT_EQ(QuickSelect(b, 5, 0, 2), 0.0);   // k outside [lo, hi]
    EXPECT_EQ(QuickSelect(b, -1, 0, 2), 0.0);
    EXPECT_EQ(b, untouched);
    EXPECT_EQ(QuickSelect(std::span<double>{}, 0, 0, 0), 0.0);
}

TEST(Math1QuickSelect, AgreesWithNthElementOnRandomData) {
    std::mt19937 gen(7);
    for (int trial = 0; trial < 300; ++trial) {
        const int n = 1 + static_cast<int>(gen() % 200);
        // Every third trial draws from only four values, to exercise runs of duplicates.
        std::vector<double> data(static_cast<size_t>(n));
        for (auto& v : data)
            v = (trial % 3 == 0) ? static_cast<double>(gen() % 4) : std::ldexp(gen(), -16) - 3e4;
        const int lo = static_cast<int>(gen() % static_cast<unsigned>(n));
        const int hi = lo + static_cast<int>(gen() % static_cast<unsigned>(n - lo));
        const int k = lo + static_cast<int>(gen() % static_cast<unsigned>(hi - lo + 1));

        std::vector<double> expected(data.begin() + lo, data.begin() + hi + 1);
        std::nth_element(expected.begin(), expected.begin() + (k - lo), expected.end());
        std::vector<double> work = data;
        const double got = QuickSelect(work, k, lo, hi);
        ASSERT_EQ(got, expected[static_cast<size_t>(k - lo)]) << "trial " << trial;
        EXPECT_EQ(work[static_cast<size_t>(k)], got);
        // Outside [lo, hi] nothing changed; inside, the values were only permuted.
        for (int i = 0; i < n; ++i) {
            if (i < lo || i > hi) {
                ASSERT_EQ(work[static_cast<size_t>(i)], data[static_cast<size_t>(i)]);
            }
        }
        std::vector<double> before(data.begin() + lo, data.begin() + hi + 1);
        std::vector<double> after(work.begin() + lo, work.begin() + hi + 1);
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        ASSERT_EQ(before, after);
    }
}

TEST(Math1QuickSelect, TerminatesWithNaNInTheRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int k = 0; k < 5; ++k) {
        std::vector<double> data{3, nan, 1, nan, 2};
        const double got = QuickSelect(data, k, 0, 4);
        EXPECT_TRUE(std::isnan(got) || got == 1 || got == 2 || got == 3);
    }
}

template <typename T>
void ExpectSortsLikeStdSort(unsigned seed) {
    std::mt19937 gen(seed);
    for (const size_t n : {0u, 1u, 2u, 3u, 13u, 100u, 1000u, 10007u}) {
        std::vector<T> data(n);
        for (auto& v : data) v = static_cast<T>(static_cast<int32_t>(gen() % 2001) - 1000) / T(4);
        for (const bool ascending : {true, false}) {
            std::vector<T> expected = data;
            if (ascending)
                std::sort(expected.begin(), expected.end());
            else
                std::sort(expected.begin(), expected.end(), std::greater<T>());
            std::vector<T> got = data;
            SortArray(std::span<T>(got), ascending);
            ASSERT_EQ(got, expected) << "n = " << n << ", ascending = " << ascending;
        }
    }
}

TEST(Math1SortArray, TypedOverloadsAgreeWithStdSort) {
    ExpectSortsLikeStdSort<double>(1);
    ExpectSortsLikeStdSort<float>(2);
    ExpectSortsLikeStdSort<int32_t>(3);
}

TEST(Math1SortArray, ReportsEveryPassThroughProcStat) {
    // A sorted array of 100 runs the gaps 76 58 44 33 25 19 14 10 7 5 3 2 1; the pass with gap 1
    // exchanges nothing and ends the sort: 13 passes.
    std::vector<double> data(100);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<double>(i);
    FeedbackRecorder recorder;
    SortArray(std::span<double>(data), true);
    ASSERT_EQ(recorder.calls.size(), 13u);
    for (size_t i = 0; i < recorder.calls.size(); ++i)
        EXPECT_EQ(recorder.calls[i], static_cast<double>(i + 1));
    EXPECT_EQ(ProcStat.load(), 13.0);

    // One element: no pass at all.
    recorder.calls.clear();
    std::vector<double> one{5};
    SortArray(std::span<double>(one), true);
    EXPECT_TRUE(recorder.calls.empty());
}

TEST(Math1SortArray, UntypedOverloadDispatchesOnKind) {
    std::vector<double> d{3, 1, 2};
    SortArray(d.data(), 3, TVarKind::vkFloat64, false);
    EXPECT_EQ(d, (std::vector<double>{3, 2, 1}));
    std::vector<float> f{3, 1, 2};
    SortArray(f.data(), 3, TVarKind::vkSingle, true);
    EXPECT_EQ(f, (std::vector<float>{1, 2, 3}));
    std::vector<int32_t> i{3, -7, 2, std::numeric_limits<int32_t>::min()};
    SortArray(i.data(), 4, TVarKind::vkInt32, true);
    EXPECT_EQ(i, (std::vector<int32_t>{std::numeric_limits<int32_t>::min(), -7, 2, 3}));

    // Unknown kinds, null data and short or negative counts leave everything alone.
    std::vector<int32_t> j{3, 1, 2};
    SortArray(j.data(), 3, static_cast<TVarKind>(5), true);
    SortArray(j.data(), 3, static_cast<TVarKind>(255), true);
    SortArray(j.data(), -3, TVarKind::vkInteger, true);
    SortArray(j.data(), 1, TVarKind::vkInteger, true);
    SortArray(nullptr, 3, TVarKind::vkInteger, true);
    EXPECT_EQ(j, (std::vector<int32_t>{3, 1, 2}));
}

TEST(Math1SortArray, TerminatesWithNaNAndKeepsEveryValue) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> data{5, nan, 3, 1, nan, 4, 2};
    SortArray(std::span<double>(data), true);
    std::vector<double> numbers;
    for (double v : data)
        if (!std::isnan(v)) numbers.push_back(v);
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<double>{1, 2, 3, 4, 5}));
}

TEST(Math1SortIntoArray, TopNListsAscendingAndDescending) {
    std::vector<double> a{1, 3, 5};
    EXPECT_EQ(SortIntoArray(std::span<double>(a), 4.0, true, false), 2);
    EXPECT_EQ(a, (std::vector<double>{1, 3, 4}));
    a = {1, 3, 5};
    EXPECT_EQ(SortIntoArray(std::span<double>(a), 6.0, true, false), -1);
    EXPECT_EQ(a, (std::vector<double>{1, 3, 5}));
    EXPECT_EQ(SortIntoArray(std::span<double>(a), 3.0, true, false), -1);
    EXPECT_EQ(SortIntoArray(std::span<double>(a), 3.0, true, true), 1);
    EXPECT_EQ(a, (std::vector<double>{1, 3, 3}));
    EXPECT_EQ(SortIntoArray(std::span<double>(a), 0.0, true, false), 0);
    EXPECT_EQ(a, (std::vector<double>{0, 1, 3}));

    std::vector<int32_t> d{9, 5, 1};
    EXPECT_EQ(SortIntoArray(std::span<int32_t>(d), 7, false, false), 1);
    EXPECT_EQ(d, (std::vector<int32_t>{9, 7, 5}));
    EXPECT_EQ(SortIntoArray(std::span<int32_t>(d), 4, false, false), -1);
    EXPECT_EQ(SortIntoArray(std::span<int32_t>(d), 5, false, false), -1);
    EXPECT_EQ(SortIntoArray(std::span<int32_t>(d), 5, false, true), 2);

    std::vector<float> f{1, 2};
    EXPECT_EQ(SortIntoArray(std::span<float>(f), std::numeric_limits<float>::quiet_NaN(), true, true), -1);
    EXPECT_EQ(SortIntoArray(std::span<float>{}, 1.0f, true, true), -1);
}

TEST(Math1SortIntoArray, UntypedOverloadCountsFromOne) {
    std::vector<float> f{1, 3, 5};
    const float item = 2;
    EXPECT_EQ(SortIntoArray(f.data(), 3, TVarKind::vkSingle, &item, true, false), 2);
    EXPECT_EQ(f, (std::vector<float>{1, 2, 3}));
    const float big = 9;
    EXPECT_EQ(SortIntoArray(f.data(), 3, TVarKind::vkSingle, &big, true, false), 0);

    std::vector<int32_t> i{1, 3, 5};
    const int32_t three = 3;
    EXPECT_EQ(SortIntoArray(i.data(), 3, static_cast<TVarKind>(9), &three, true, true), 0);
    EXPECT_EQ(SortIntoArray(i.data(), 3, TVarKind::vkInteger, nullptr, true, true), 0);
    EXPECT_EQ(SortIntoArray(nullptr, 3, TVarKind::vkInteger, &three, true, true), 0);
    EXPECT_EQ(SortIntoArray(i.data(), 0, TVarKind::vkInteger, &three, true, true), 0);
    EXPECT_EQ(i, (std::vector<int32_t>{1, 3, 5}));
}

TEST(Math1InsertIntoArray, ShiftsUpAndDropsTheLast) {
    std::vector<double> a{1, 2, 3, 4};
    InsertIntoArray(std::span<double>(a), 9.0, 1);
    EXPECT_EQ(a, (std::vector<double>{1, 9, 2, 3}));
    InsertIntoArray(std::span<double>(a), 7.0, 3);
    EXPECT_EQ(a, (std::vector<double>{1, 9, 2, 7}));
    InsertIntoArray(std::span<double>(a), 5.0, 4);
    InsertIntoArray(std::span<double>(a), 5.0, -1);
    EXPECT_EQ(a, (std::vector<double>{1, 9, 2, 7}));

    std::vector<int32_t> i{1, 2, 3};
    const int32_t item = 8;
    InsertIntoArray(i.data(), 3, TVarKind::vkInteger, &item, 1);
    EXPECT_EQ(i, (std::vector<int32_t>{8, 1, 2}));
    InsertIntoArray(i.data(), 3, TVarKind::vkInteger, &item, 4);
    InsertIntoArray(i.data(), 3, TVarKind::vkInteger, &item, 0);
    InsertIntoArray(i.data(), 3, static_cast<TVarKind>(200), &item, 2);
    EXPECT_EQ(i, (std::vector<int32_t>{8, 1, 2}));
}

TEST(Math1ExChange, ExchangesValuesStringsAndBlocks) {
    int64_t a = 1, b = std::numeric_limits<int64_t>::min();
    ExChange(a, b);
    EXPECT_EQ(a, std::numeric_limits<int64_t>::min());
    EXPECT_EQ(b, 1);
    long double x = 1.5L, y = -2.25L;
    ExChange(x, y);
    EXPECT_EQ(x, -2.25L);
    EXPECT_EQ(y, 1.5L);
    std::string s = "left", t = "right";
    ExChange(s, t);
    EXPECT_EQ(s, "right");
    EXPECT_EQ(t, "left");
    char16_t c = u'a', d = u'\u00e4';
    ExChange(c, d);
    EXPECT_EQ(c, u'\u00e4');

    unsigned char p[4] = {1, 2, 3, 4}, q[4] = {5, 6, 7, 8};
    ExChange(p, q, 3);
    EXPECT_EQ(p[0], 5);
    EXPECT_EQ(p[2], 7);
    EXPECT_EQ(p[3], 4);
    EXPECT_EQ(q[2], 3);
    EXPECT_EQ(q[3], 8);
    ExChange(nullptr, q, 4);
    EXPECT_EQ(q[0], 1);
}

TEST(Math1SortSwap, EqualValuesExchangeOnlyWhenAscending) {
    double a = 2, b = 1;
    EXPECT_TRUE(SortSwap(a, b, true));
    EXPECT_EQ(a, 1);
    EXPECT_FALSE(SortSwap(a, b, true));
    EXPECT_TRUE(SortSwap(a, b, false));
    EXPECT_EQ(a, 2);
    double e = 1, f = 1;
    EXPECT_TRUE(SortSwap(e, f, true));
    EXPECT_FALSE(SortSwap(e, f, false));
}

}  // namespace
