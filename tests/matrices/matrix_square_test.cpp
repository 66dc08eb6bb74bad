// TMatrix::Square on the calling thread and on worker threads: results, progress, abort and
// thread hygiene. Run under ThreadSanitizer as well (build with -DOZM_TSAN=ON).
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "matrix_test_support.hpp"
#include "ozm/matrix.hpp"

namespace ozm {
namespace {

using testing::ChangeCounter;
using testing::FillRandom;
using testing::MaxDiff;
using testing::ProgressHooksGuard;

// (A^T A)(i, j) / norm by the plain loop.
void ReferenceSquare(const TMatrix& a, double norm, TMatrix& res) {
    const int n = a.NrOfColumns();
    res.Resize(n, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            double s = 0;
            for (int r = 1; r <= a.NrOfRows(); ++r) s += a.GetVal(i, r) * a.GetVal(j, r);
            res.SetVal(i, j, s / norm);
        }
}

TEST(MatrixSquare, ThreadCountDoesNotChangeTheResult) {
    ProgressHooksGuard hooks;
    TMatrix a, ref, one, four;
    FillRandom(a, 3, 7, 11);
    ReferenceSquare(a, 2.0, ref);
    ASSERT_TRUE(a.Square(&one, 2.0, 1));
    ASSERT_TRUE(a.Square(&four, 2.0, 4));  // three workers for three columns
    EXPECT_LT(MaxDiff(one, ref), 1e-14);
    EXPECT_EQ(MaxDiff(one, four), 0.0);

    // Large enough for several threads (small products stay on fewer threads than asked).
    FillRandom(a, 203, 300, 12);
    ReferenceSquare(a, 1.0, ref);
    ASSERT_TRUE(a.Square(&one, 1.0, 1));
    ASSERT_TRUE(a.Square(&four, 1.0, 4));
    EXPECT_LT(MaxDiff(one, ref), 1e-12);
    EXPECT_EQ(MaxDiff(one, four), 0.0);
    for (int i = 1; i <= 203; ++i)
        for (int j = 1; j <= 203; ++j) ASSERT_EQ(four.GetVal(i, j), four.GetVal(j, i));
    TMatrix all;
    ASSERT_TRUE(a.Square(&all, 1.0));  // one worker per processor
    EXPECT_EQ(MaxDiff(all, one), 0.0);
    ASSERT_TRUE(a.Square(&all, 1.0, 0));  // below 1 counts as 1
    EXPECT_EQ(MaxDiff(all, one), 0.0);
}

TEST(MatrixSquare, ProgressFeedbackRunsOnTheCallingThread) {
    ProgressHooksGuard hooks;
    TMatrix a, res;
    FillRandom(a, 256, 100, 13);
    const auto caller = std::this_thread::get_id();
    int calls = 0;
    bool foreignThread = false;
    MathFeedBackProc = [&](double) {
        ++calls;
        if (std::this_thread::get_id() != caller) foreignThread = true;
    };
    ChangeCounter changes(res);
    ProcStat = 0;
    ASSERT_TRUE(a.Square(&res, 1.0, 2));
    EXPECT_EQ(ProcStat.load(), 256.0);  // one step per column
    EXPECT_GE(calls, 1);
    EXPECT_FALSE(foreignThread);
    EXPECT_EQ(changes.count, 1);  // the resize; cells are written without notifications
    ProcStat = 0;
    calls = 0;
    ASSERT_TRUE(a.Square(&res, 1.0, 1));
    EXPECT_EQ(ProcStat.load(), 256.0);
    EXPECT_EQ(calls, 256);
}

TEST(MatrixSquare, AbortStopsTheWorkersAndLeavesNoneRunning) {
    ProgressHooksGuard hooks;
    TMatrix a, res;
    FillRandom(a, 600, 4000, 14);
    // The feedback procedure is first called before any panel is taken, however fast the
    // machine: an abort raised there leaves every column uncomputed.
    MathFeedBackProc = [](double) { AbortMathProc = true; };
    ProcStat = 0;
    EXPECT_FALSE(a.Square(&res, 1.0, 2));
    const double steps = ProcStat.load();
    EXPECT_EQ(steps, 0.0);
    // Nothing may still be computing once the call has returned.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ProcStat.load(), steps);

    // Set before the call: no column at all, on either path.
    MathFeedBackProc = nullptr;
    ProcStat = 0;
    EXPECT_FALSE(a.Square(&res, 1.0, 2));
    EXPECT_FALSE(a.Square(&res, 1.0, 1));
    EXPECT_EQ(ProcStat.load(), 0.0);
}

TEST(MatrixSquare, AThrowingFeedbackJoinsTheWorkersBeforeItPropagates) {
    ProgressHooksGuard hooks;
    TMatrix a, res;
    FillRandom(a, 256, 300, 16);
    // The first call comes before the workers start; the second finds them started.
    int calls = 0;
    MathFeedBackProc = [&](double) {
        if (++calls == 2) throw std::runtime_error("stop");
    };
    EXPECT_THROW(a.Square(&res, 1.0, 2), std::runtime_error);
    EXPECT_EQ(calls, 2);
    MathFeedBackProc = nullptr;
    const double steps = ProcStat.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ProcStat.load(), steps);
}

TEST(MatrixSquare, ArgumentsAndAliasing) {
    TMatrix a;
    FillRandom(a, 5, 9, 15);
    EXPECT_FALSE(a.Square(nullptr, 1.0, 2));
    TMatrix ref;
    ReferenceSquare(a, 3.0, ref);
    ASSERT_TRUE(a.Square(&a, 3.0, 2));  // into the source itself
    EXPECT_LT(MaxDiff(a, ref), 1e-14);
    TMatrix empty, res;
    empty.Resize(0, 4);
    EXPECT_TRUE(empty.Square(&res, 1.0, 2));
    EXPECT_EQ(res.NrOfColumns(), 0);
}

}  // namespace
}  // namespace ozm
