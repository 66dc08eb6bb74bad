// TMat4D: the layer reductions (mean, maximum, minimum, standard deviation of every (column, row)
// position over the layers and time slots of a block) on the calling thread or worker threads.
//
// The unit of work is a strip of up to kStripColumns adjacent columns of the block. Its positions
// are accumulated in a small work array while the strip's rows are read layer by layer and slot by
// slot: every row of a strip is a contiguous run of cells, so the stack is read in runs of several
// cache lines instead of one cell per row, and the cell order of every position (layers outer,
// time slots inner) is the same whichever thread takes the strip, so the result is the same for
// every thread count. Strips write disjoint cells of the destination and take no lock; ProcStat is
// atomic. The crew of threads and the supervising calling thread are those of
// matrices/column_workers.hpp; nothing lives beyond the call, so reductions may run concurrently.
#include <algorithm>
#include <atomic>
#include <new>
#include <cmath>
#include <vector>

#include "matrices/column_workers.hpp"
#include "matrices/mat4d_block.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/matrix/tmat4d.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/threads.hpp"

namespace ozm {

namespace {

// Columns per unit of work: runs of 512 bytes per row, and a work array of a few hundred KB.
constexpr int kStripColumns = 64;

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

// Reduces the columns C0..C0 + W - 1 of the block into the destination column-major cells.
template <typename Op>
void ReduceStrip(const matrix::detail::TStackBlock& B, int C0, int W, double* Dest,
                 std::vector<double>& Work) {
    const int rows = B.Rows();
    const size_t n = static_cast<size_t>(W) * rows;  // position (i, r) at r * W + i
    Work.resize(Op::kArrays * n);
    double* a = Work.data();
    Op::Start(a, n);
    for (int z = B.Z0; z <= B.Z1; ++z)
        for (int t = B.T0; t <= B.T1; ++t) {
            const double* p = B.Data + B.Offset(C0, B.R0, z, t);
            for (int r = 0; r < rows; ++r, p += B.X)
                Op::Add(a + static_cast<size_t>(r) * W, n, p, W);
        }
    const double count = static_cast<double>(B.Layers()) * B.Slots();
    for (int i = 0; i < W; ++i) {
        double* col = Dest + static_cast<size_t>(C0 - B.C0 + i) * rows;
        for (int r = 0; r < rows; ++r)
            col[r] = Op::Result(a, n, static_cast<size_t>(r) * W + i, count);
    }
}

template <typename Op>
bool Reduce(const matrix::detail::TStackBlock& B, TMatrix& DestMat, int NThreads) {
    const int cols = B.Columns();
    const int strips = (cols + kStripColumns - 1) / kStripColumns;
    double* dest = DestMat.Data();
    auto width = [&](int s) { return std::min(kStripColumns, cols - s * kStripColumns); };
    if (NThreads <= 1) {
        std::vector<double> work;
        matrix::detail::TPositionSteps steps(B.Positions());
        for (int s = 0; s < strips; ++s) {
            if (progress::AbortRequested()) return false;
            ReduceStrip<Op>(B, B.C0 + s * kStripColumns, width(s), dest, work);
            steps.Reached(s * kStripColumns + width(s), cols);
        }
        return true;
    }
    // Each strip adds its share of 100 to ProcStat.
    const double share = 100.0 / cols;
    std::atomic<bool> exhausted{false};
    const bool complete =
        matrix::detail::RunColumnWorkers(strips, std::min(NThreads, strips), false, [&](int s) {
            std::vector<double> work;
            try {
                ReduceStrip<Op>(B, B.C0 + s * kStripColumns, width(s), dest, work);
            } catch (const std::bad_alloc&) {
                exhausted.store(true);  // reported on the calling thread once the crew is joined
                return;
            }
            ProcStat.fetch_add(share * width(s));
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
