// TMat4D layer reductions: against a plain single-threaded computation for every thread count,
// progress, feedback and abort, concurrent calls.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ozm/matrix.hpp"

namespace ozm {
namespace {

enum class Kind { Mean, Max, Min, StdDev };

bool Reduce(const TMat4D& m, Kind k, TMatrix* d, int c0, int c1, int r0, int r1, int z0, int z1,
         int t0, int t1, int threads) {
    switch (k) {
        case Kind::Mean: return m.MeanOfLayersToMatrix(d, c0, c1, r0, r1, z0, z1, t0, t1, threads);
        case Kind::Max: return m.MaximumOfLayersToMatrix(d, c0, c1, r0, r1, z0, z1, t0, t1, threads);
        case Kind::Min: return m.MinimumOfLayersToMatrix(d, c0, c1, r0, r1, z0, z1, t0, t1, threads);
        case Kind::StdDev: return m.StdDevOfLayersToMatrix(d, c0, c1, r0, r1, z0, z1, t0, t1, threads);
    }
    return false;
}

// The reduction of one position written out plainly: layers outer, time slots inner.
double Plain(const TMat4D& m, Kind k, int x, int y, int z0, int z1, int t0, int t1) {
    double s = 0, s2 = 0, mx = -1.7976931348623157e308, mn = 1.7976931348623157e308;
    for (int z = z0; z <= z1; ++z)
        for (int t = t0; t <= t1; ++t) {
            const double v = m.GetVal(x, y, z, t);
            s += v;
            s2 += v * v;
            if (!(mx >= v)) mx = v;
            if (mn > v) mn = v;
        }
    const double n = double(z1 - z0 + 1) * (t1 - t0 + 1);
    switch (k) {
        case Kind::Mean: return s / n;
        case Kind::Max: return mx;
        case Kind::Min: return mn;
        case Kind::StdDev: {
            const double mean = s / n;
            const double var = s2 / n - mean * mean;
            return std::sqrt(var < 0 ? 0 : var);
        }
    }
    return 0;
}

void FillStack(TMat4D& m, int nx, int ny, int nz, int nt, uint32_t seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> g(3.0, 10.0);
    m.Resize(nx, ny, nz, nt);
    for (size_t i = 0; i < size_t(nx) * ny * nz * nt; ++i) m.Data()[i] = g(gen);
}

TEST(Mat4DReduce, EveryThreadCountGivesThePlainResultBitForBit) {
    TMat4D m;
    // 150 columns: three strips of work, the last one partial.
    FillStack(m, 150, 7, 3, 4, 42);
    m.SetVal(5, 2, 2, 3, NAN);
    struct B {
        int c0, c1, r0, r1, z0, z1, t0, t1;
    };
    const B blocks[] = {{0, 0, 0, 0, 0, 0, 0, 0}, {3, 140, 2, 6, 2, 3, 2, 4}, {70, 70, 7, 1, 1, 1, 3, 3}};
    for (Kind k : {Kind::Mean, Kind::Max, Kind::Min, Kind::StdDev})
        for (const B& b : blocks)
            for (int threads : {0, 1, 2, 8}) {
                SCOPED_TRACE(::testing::Message() << int(k) << " threads " << threads << " cols "
                                                << b.c0 << ".." << b.c1);
                TMatrix d;
                ASSERT_TRUE(Reduce(m, k, &d, b.c0, b.c1, b.r0, b.r1, b.z0, b.z1, b.t0, b.t1, threads));
                int c0 = b.c0, c1 = b.c1, r0 = b.r0, r1 = b.r1, z0 = b.z0, z1 = b.z1, t0 = b.t0,
                    t1 = b.t1;
                m.MakeValidColRange(c0, c1);
                m.MakeValidRowRange(r0, r1);
                m.MakeValidLayerRange(z0, z1);
                m.MakeValidTSlotRange(t0, t1);
                ASSERT_EQ(d.NrOfColumns(), c1 - c0 + 1);
                ASSERT_EQ(d.NrOfRows(), r1 - r0 + 1);
                int mismatches = 0;
                for (int x = c0; x <= c1; ++x)
                    for (int y = r0; y <= r1; ++y) {
                        const double want = Plain(m, k, x, y, z0, z1, t0, t1);
                        const double got = d.GetVal(x - c0 + 1, y - r0 + 1);
                        if (!(got == want || (got != got && want != want))) ++mismatches;
                    }
                EXPECT_EQ(mismatches, 0);
            }
}

TEST(Mat4DReduce, WorkedCases) {
    TMat4D m;
    m.Resize(3, 2, 2, 1);
    m.FillLayer(1, 1.0);
    m.FillLayer(2, 3.0);
    TMatrix d;
    for (int threads : {1, 2}) {
        m.StdDevOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, threads);
        EXPECT_EQ(d.GetVal(3, 2), 1.0);  // population form, not sqrt(2)
        m.MeanOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, threads);
        EXPECT_EQ(d.GetVal(2, 1), 2.0);
        // One layer, one slot: the cells themselves, and no spread.
        m.StdDevOfLayersToMatrix(&d, 0, 0, 0, 0, 2, 2, 1, 1, threads);
        EXPECT_EQ(d.GetVal(1, 1) + d.GetVal(3, 2), 0.0);
        m.MinimumOfLayersToMatrix(&d, 0, 0, 0, 0, 2, 2, 1, 1, threads);
        EXPECT_EQ(d.GetVal(2, 2), 3.0);
    }
    m.Fill(-5.0);
    m.MaximumOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(d.GetVal(1, 1), -5.0);
    EXPECT_FALSE(m.MaximumOfLayersToMatrix(nullptr, 0, 0, 0, 0, 0, 0, 0, 0));
}

TEST(Mat4DReduce, ProgressNotificationAndFeedbackThread) {
    TMat4D m;
    FillStack(m, 300, 40, 4, 4, 7);
    TMatrix d;
    d.Resize(300, 40);
    const std::thread::id caller = std::this_thread::get_id();
    int changes = 0;
    bool foreign = false;
    d.OnChange = [&](TObject*) {
        ++changes;  // a plain int: the handler must only ever run on the calling thread
        foreign = foreign || std::this_thread::get_id() != caller;
    };
    int feedbacks = 0;
    MathFeedBackProc = [&](double) {
        ++feedbacks;
        foreign = foreign || std::this_thread::get_id() != caller;
    };
    for (int threads : {1, 2}) {
        changes = 0;
        feedbacks = 0;
        const double before = ProcStat.load();
        m.MeanOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, threads);
        // One step per trunc(12000 / 100) + 1 = 121 positions on the calling thread (99 steps),
        // a share of 100 per column with workers.
        EXPECT_NEAR(ProcStat.load() - before, threads == 1 ? 99.0 : 100.0, 1e-9);
        EXPECT_GE(feedbacks, 1);
        EXPECT_EQ(changes, 2);  // the clearing of the destination, and the result once
    }
    MathFeedBackProc = nullptr;
    EXPECT_FALSE(foreign);
}

TEST(Mat4DReduce, FeedbackThatThrowsStopsAndJoinsTheWorkers) {
    TMat4D m;
    FillStack(m, 400, 300, 4, 4, 9);
    TMatrix d;
    MathFeedBackProc = [](double) { throw std::runtime_error("stop"); };
    EXPECT_THROW(m.MeanOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, 2), std::runtime_error);
    MathFeedBackProc = nullptr;
    // No worker is left writing into d: the matrix can be reused and freed at once.
    d.Resize(1, 1);
    d.Fill(1.0);
    EXPECT_EQ(d.GetVal(1, 1), 1.0);

    // An abort stops handing out columns; the call reports it.
    AbortMathProc = true;
    EXPECT_FALSE(m.MinimumOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, 2));
    EXPECT_FALSE(m.MinimumOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, 1));
    AbortMathProc = false;
    EXPECT_TRUE(m.MinimumOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, 2));
}

// Two reductions at the same time in one process, each with its own worker threads.
TEST(Mat4DReduce, ConcurrentReductionsAreIndependent) {
    TMat4D a, b;
    FillStack(a, 200, 30, 3, 5, 1);
    FillStack(b, 130, 20, 6, 2, 2);
    TMatrix ra, rb, wa, wb;
    a.StdDevOfLayersToMatrix(&wa, 0, 0, 0, 0, 0, 0, 0, 0, 1);
    b.MaximumOfLayersToMatrix(&wb, 0, 0, 0, 0, 0, 0, 0, 0, 1);
    std::thread ta([&] {
        for (int i = 0; i < 5; ++i) a.StdDevOfLayersToMatrix(&ra, 0, 0, 0, 0, 0, 0, 0, 0, 2);
    });
    std::thread tb([&] {
        for (int i = 0; i < 5; ++i) b.MaximumOfLayersToMatrix(&rb, 0, 0, 0, 0, 0, 0, 0, 0, 2);
    });
    ta.join();
    tb.join();
    EXPECT_EQ(ra.CRCofData(), wa.CRCofData());
    EXPECT_EQ(rb.CRCofData(), wb.CRCofData());
}

}  // namespace
}  // namespace ozm
