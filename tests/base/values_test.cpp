// Colour conversions, constants and the progress hooks.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <thread>
#include <vector>

#include "ozm/base/colors.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/base/globals.hpp"

namespace {

TEST(Colors, GrayIsTheBt601Luma) {
    EXPECT_NEAR(ozm::RGBtoGray(255, 0, 0), 76.245, 1e-12);
    EXPECT_NEAR(ozm::RGBtoGray(0, 255, 0), 149.685, 1e-12);
    EXPECT_NEAR(ozm::RGBtoGray(0, 0, 255), 29.07, 1e-12);
    EXPECT_NEAR(ozm::RGBtoGray(255, 255, 255), 255.0, 1e-12);
    EXPECT_NEAR(ozm::RGBtoGray(ozm::RGBColor(10, 20, 30)), 0.299 * 10 + 0.587 * 20 + 0.114 * 30, 1e-12);
}

TEST(Colors, HsiOfPrimariesSecondariesAndGrey) {
    struct Case {
        uint8_t r, g, b;
        double hue, saturation, intensity;
    };
    const Case cases[] = {
        {255, 0, 0, 0, 1, 85},        {0, 255, 0, 120, 1, 85},     {0, 0, 255, 240, 1, 85},
        {255, 255, 0, 60, 1, 170},    {0, 255, 255, 180, 1, 170},  {255, 0, 255, 300, 1, 170},
        {100, 100, 100, 0, 0, 100},   {0, 0, 0, 0, 0, 0},          {255, 255, 255, 0, 0, 255},
        {200, 100, 100, 0, 0.25, 400.0 / 3},
    };
    for (const Case& c : cases) {
        double h = -1, s = -1, i = -1;
        ozm::RGBtoHSI(c.r, c.g, c.b, h, s, i);
        EXPECT_NEAR(h, c.hue, 1e-9) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        EXPECT_NEAR(s, c.saturation, 1e-12) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        EXPECT_NEAR(i, c.intensity, 1e-12) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    }
    double h, s, i;
    ozm::RGBtoHSI(ozm::RGBColor(0, 0, 255), h, s, i);
    EXPECT_NEAR(h, 240, 1e-9);
    // Hue stays in [0, 360) for colours just below red on the circle.
    ozm::RGBtoHSI(255, 0, 1, h, s, i);
    EXPECT_GE(h, 0);
    EXPECT_LT(h, 360);
    EXPECT_GT(h, 359);
}

TEST(Constants, ValuesAndLnFactorialTable) {
    EXPECT_EQ(ozm::uc_sqrt2, std::numbers::sqrt2);
    EXPECT_DOUBLE_EQ(ozm::uc_sqrt2pitom1, 1.0 / std::sqrt(2.0 * std::numbers::pi));
    EXPECT_EQ(ozm::uc_MaxInt64, INT64_MAX);

    // Small arguments against the logarithm of the exact factorial (exact in a double to 22!).
    double factorial = 1;
    EXPECT_EQ(ozm::uc_LnFactorial[0], 0.0);
    EXPECT_EQ(ozm::uc_LnFactorial[1], 0.0);
    for (int n = 2; n <= 22; ++n) {
        factorial *= n;
        EXPECT_DOUBLE_EQ(ozm::uc_LnFactorial[n], std::log(factorial)) << n;
    }
    EXPECT_EQ(ozm::uc_LnFactorial[2], std::numbers::ln2);
    // Every entry is the double nearest to ln(n!): the extended log-gamma function carries 11 more
    // bits, so rounding it to a double lands on the nearest double (no value of the table lies
    // close enough to a midpoint for those bits to matter).
    for (int n = 2; n <= ozm::uc_LnFactorialMax; ++n) {
        EXPECT_EQ(ozm::uc_LnFactorial[n], static_cast<double>(std::lgammal(n + 1.0L))) << n;
    }
}

TEST(ProgressHooks, IncProcStatCountsAndCallsTheFeedback) {
    ozm::ProcStat = 10;
    ozm::MathFeedBackProc = nullptr;
    ozm::IncProcStat();  // no feedback assigned: only the counter
    EXPECT_EQ(ozm::ProcStat.load(), 11.0);
    std::vector<double> seen;
    ozm::MathFeedBackProc = [&seen](double stat) { seen.push_back(stat); };
    ozm::IncProcStat();
    ozm::IncProcStat();
    EXPECT_EQ(seen, (std::vector<double>{12.0, 13.0}));
    ozm::MathFeedBackProc = nullptr;
    ozm::ProcStat = 0;
}

TEST(ProgressHooks, ConcurrentStepsLoseNothing) {
    // Run under ThreadSanitizer too: worker threads of the matrix operations share the counter.
    ozm::ProcStat = 0;
    ozm::AbortMathProc = false;
    std::atomic<int> calls{0};
    std::atomic<double> highest{0};
    ozm::MathFeedBackProc = [&](double stat) {
        calls.fetch_add(1);
        double h = highest.load();
        while (stat > h && !highest.compare_exchange_weak(h, stat)) {
        }
    };
    const int threads = 4, steps = 5000;
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([] {
            for (int k = 0; k < steps; ++k) {
                if (ozm::AbortMathProc.load()) break;
                ozm::IncProcStat();
            }
        });
    for (auto& th : pool) th.join();
    EXPECT_EQ(ozm::ProcStat.load(), threads * steps);
    EXPECT_EQ(calls.load(), threads * steps);
    EXPECT_EQ(highest.load(), threads * steps);  // each step reports its own new value
    ozm::MathFeedBackProc = nullptr;
    ozm::ProcStat = 0;
}

}  // namespace
