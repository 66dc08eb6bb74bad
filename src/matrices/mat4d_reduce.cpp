// TMat4D: the layer reductions (mean, maximum, minimum, standard deviation of every (column, row)
// position over the layers and time slots of a block) on the calling thread or worker threads.
//
// The unit of work of a worker is a strip of adjacent columns of the block (about two strips per
// thread); the calling thread alone takes the whole width. Positions are accumulated in a small
// work array while a tile of the strip's rows is read layer by layer and slot by slot: every row
// of a strip is a contiguous run of cells, so the stack is read in runs of many cache lines
// instead of one cell per row, and the cell order of every position (layers outer, time slots
// inner) is the same whichever thread takes it, so the result is the same for every thread count.
// Strips write disjoint cells of the destination and take no lock; ProcStat is atomic. The crew
// of threads and the supervising calling thread are those of matrices/column_workers.hpp; nothing
// lives beyond the call, so reductions may run concurrently.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <vector>

#include "matrices/column_workers.hpp"
#include "matrices/mat4d_block.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/matrix/tmat4d.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/threads.hpp"

namespace ozm {

namespace {

struct TMeanOp {
    static constexpr int kArrays = 1;
    static void Start(double* a, size_t n) { std::fill(a, a + n, 0.0); }
    static void Add(double* a, size_t, const double* p, int w) {
        for (int i = 0; i < w; ++i) a[i] += p[i];
    }
    static double Result(const double* a, size_t, size_t k, double n) { return a[k] / n; }
};

struct TMaximumOp {
    static constexpr int kArrays = 1;
    static void Start(double* a, size_t n) { std::fill(a, a + n, -uc_MaxReal); }
    // A value replaces the running maximum when the maximum is not >= it (so NaN does).
    static void Add(double* a, size_t, const double* p, int w) {
        for (int i = 0; i < w; ++i) a[i] = a[i] >= p[i] ? a[i] : p[i];
    }
    static double Result(const double* a, size_t, size_t k, double) { return a[k]; }
};

struct TMinimumOp {
    static constexpr int kArrays = 1;
    static void Start(double* a, size_t n) { std::fill(a, a + n, uc_MaxReal); }
    static void Add(double* a, size_t, const double* p, int w) {
        for (int i = 0; i < w; ++i) a[i] = a[i] > p[i] ? p[i] : a[i];
    }
    static double Result(const double* a, size_t, size_t k, double) { return a[k]; }
};

// Population form: m = sum / N, s = sum of squares / N - m^2, negative s held at 0.
struct TStdDevOp {
    static constexpr int kArrays = 2;
    static void Start(double* a, size_t n) { std::fill(a, a + 2 * n, 0.0); }
    static void Add(double* a, size_t n, const double* p, int w) {
        double* q = a + n;
        for (int i = 0; i < w; ++i) {
            a[i] += p[i];
            q[i] += p[i] * p[i];
        }
    }
    static double Result(const double* a, size_t n, size_t k, double count) {
        const double m = a[k] / count;
        double s = a[n + k] / count - m * m;
        if (s < 0.0) s = 0.0;
        return std::sqrt(s);
    }
};

// Reduces the columns C0..C0 + W - 1 of the block into the destination column-major cells, a
// tile of rows at a time: the tile's positions (at most kTilePositions, so the work array stays in
// the first-level cache) are accumulated over every layer and slot before the next tile starts.
// Per slice the tile is a run of rows; for a strip as wide as the stack it is one contiguous run.
template <typename Op>
void ReduceStrip(const matrix::detail::TStackBlock& B, int C0, int W, int R0, int R1,
                 double* Dest, std::vector<double>& Work) {
    constexpr int kTilePositions = 2048;
    const int tile_rows = std::max(1, kTilePositions / W);
    const double count = static_cast<double>(B.Layers()) * B.Slots();
    for (int r0 = R0; r0 <= R1; r0 += tile_rows) {
        const int rows = std::min(tile_rows, R1 - r0 + 1);
        const size_t n = static_cast<size_t>(W) * rows;  // position (i, r) at r * W + i
        Work.resize(Op::kArrays * n);
        double* a = Work.data();
        Op::Start(a, n);
        for (int z = B.Z0; z <= B.Z1; ++z)
            for (int t = B.T0; t <= B.T1; ++t) {
                const double* p = B.Data + B.Offset(C0, r0, z, t);
                for (int r = 0; r < rows; ++r, p += B.X)
                    Op::Add(a + static_cast<size_t>(r) * W, n, p, W);
            }
        const size_t dest_rows = static_cast<size_t>(B.Rows());
        for (int i = 0; i < W; ++i) {
            double* col = Dest + static_cast<size_t>(C0 - B.C0 + i) * dest_rows + (r0 - B.R0);
            for (int r = 0; r < rows; ++r)
                col[r] = Op::Result(a, n, static_cast<size_t>(r) * W + i, count);
        }
    }
}

template <typename Op>
bool Reduce(const matrix::detail::TStackBlock& B, TMatrix& DestMat, int NThreads) {
    const int cols = B.Columns();
    double* dest = DestMat.Data();
    if (NThreads <= 1) {
        // One strip as wide as the block, taken a few hundred rows at a time for the progress.
        std::vector<double> work;
        matrix::detail::TPositionSteps steps(B.Positions());
        constexpr int kRowsPerPass = 64;
        for (int r0 = B.R0; r0 <= B.R1; r0 += kRowsPerPass) {
            if (progress::AbortRequested()) return false;
            const int r1 = std::min(B.R1, r0 + kRowsPerPass - 1);
            ReduceStrip<Op>(B, B.C0, cols, r0, r1, dest, work);
            steps.Reached(r1 - B.R0 + 1, B.Rows());
        }
        return true;
    }
    // Strips of columns, about two per thread, so that a slow thread does not hold up the end;
    // each strip adds its share of 100 to ProcStat.
    const int width = std::max(8, (cols + 2 * NThreads - 1) / (2 * NThreads));
    const int strips = (cols + width - 1) / width;
    auto widthOf = [&](int s) { return std::min(width, cols - s * width); };
    const double share = 100.0 / cols;
    std::atomic<bool> exhausted{false};
    const bool complete =
        matrix::detail::RunColumnWorkers(strips, std::min(NThreads, strips), false, [&](int s) {
            std::vector<double> work;
            try {
                ReduceStrip<Op>(B, B.C0 + s * width, widthOf(s), B.R0, B.R1, dest, work);
            } catch (const std::bad_alloc&) {
                exhausted.store(true);  // reported on the calling thread once the crew is joined
                return;
            }
            ProcStat.fetch_add(share * widthOf(s));
        });
    if (exhausted.load()) throw std::bad_alloc();
    return complete;
}

}  // namespace

bool TMat4D::ReduceLayers(TReduction Kind, TMatrix* DestMat, int LowCol, int HighCol, int LowRow,
                          int HighRow, int LowLayer, int HighLayer, int LowTimeSlot,
                          int HighTimeSlot, int NThreads) const {
    if (DestMat == nullptr) return false;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    MakeValidLayerRange(LowLayer, HighLayer);
    MakeValidTSlotRange(LowTimeSlot, HighTimeSlot);
    NThreads = std::clamp(NThreads, 1, ProcessorCount());
    const matrix::detail::TStackBlock block{FData.data(), FNumX,    FNumY,     FNumZ,
                                            FNumT,        LowCol,   HighCol,   LowRow,
                                            HighRow,      LowLayer, HighLayer, LowTimeSlot,
                                            HighTimeSlot};
    DestMat->ResizeAndClear(block.Columns(), block.Rows());
    const bool complete = GuardAllocation<EOZMMatrixError>(*this, [&] {
        switch (Kind) {
            case TReduction::Mean: return Reduce<TMeanOp>(block, *DestMat, NThreads);
            case TReduction::Maximum: return Reduce<TMaximumOp>(block, *DestMat, NThreads);
            case TReduction::Minimum: return Reduce<TMinimumOp>(block, *DestMat, NThreads);
            case TReduction::StdDev: break;
        }
        return Reduce<TStdDevOp>(block, *DestMat, NThreads);
    });
    // The cells were written directly by the strips; the destination hears of it once, here on
    // the calling thread, not from worker threads.
    DestMat->Changed();
    return complete;
}

#define OZM_REDUCTION(Name, Kind)                                                                  \
    bool TMat4D::Name(TMatrix* DestMat, int LowCol, int HighCol, int LowRow, int HighRow,          \
                      int LowLayer, int HighLayer, int LowTimeSlot, int HighTimeSlot,              \
                      int NThreads) const {                                                        \
        return ReduceLayers(TReduction::Kind, DestMat, LowCol, HighCol, LowRow, HighRow, LowLayer, \
                            HighLayer, LowTimeSlot, HighTimeSlot, NThreads);                       \
    }                                                                                              \
    bool TMat4D::Name(TMatrix* DestMat, int LowCol, int HighCol, int LowRow, int HighRow,          \
                      int LowLayer, int HighLayer, int LowTimeSlot, int HighTimeSlot) const {      \
        return ReduceLayers(TReduction::Kind, DestMat, LowCol, HighCol, LowRow, HighRow, LowLayer, \
                            HighLayer, LowTimeSlot, HighTimeSlot, ProcessorCount());               \
    }

OZM_REDUCTION(MeanOfLayersToMatrix, Mean)
OZM_REDUCTION(MaximumOfLayersToMatrix, Maximum)
OZM_REDUCTION(MinimumOfLayersToMatrix, Minimum)
OZM_REDUCTION(StdDevOfLayersToMatrix, StdDev)

#undef OZM_REDUCTION

}  // namespace ozm
