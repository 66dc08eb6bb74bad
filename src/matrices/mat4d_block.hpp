// The block kernels that TMat3D and TMat4D share. Both store their cells with the column fastest,
// then row, layer and time slot (a TMat3D is a stack of one time slot), so one set of kernels
// serves both classes. Blocks are normalised, 1-based and inclusive; kernels assume valid bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ozm/base/globals.hpp"
#include "ozm/frame.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::matrix::detail {

// A block of a column-fastest stack of X x Y x Z x T cells.
struct TStackBlock {
    const double* Data;
    int X, Y, Z, T;
    int C0, C1, R0, R1, Z0, Z1, T0, T1;

    int Columns() const noexcept { return C1 - C0 + 1; }
    int Rows() const noexcept { return R1 - R0 + 1; }
    int Layers() const noexcept { return Z1 - Z0 + 1; }
    int Slots() const noexcept { return T1 - T0 + 1; }
    int64_t Positions() const noexcept { return int64_t{Columns()} * Rows(); }
    int64_t Count() const noexcept { return Positions() * Layers() * Slots(); }
    // Offset of cell (x, y, z, t).
    size_t Offset(int x, int y, int z, int t) const noexcept {
        return ((static_cast<size_t>(t - 1) * static_cast<size_t>(Z) + static_cast<size_t>(z - 1)) *
                    static_cast<size_t>(Y) +
                static_cast<size_t>(y - 1)) *
                   static_cast<size_t>(X) +
               static_cast<size_t>(x - 1);
    }
    // Offset of the first cell of layer z of slot t.
    size_t SliceOffset(int z, int t) const noexcept { return Offset(1, 1, z, t); }
};

// Steps ProcStat (with MathFeedBackProc) each time the count of visited (column, row) positions
// reaches a multiple of trunc(positions / 100) + 1. Work that visits the positions slice by slice
// reports the fraction done; the steps come out the same.
class TPositionSteps {
public:
    explicit TPositionSteps(int64_t Positions) noexcept
        : FPositions(Positions), FEvery(Positions / 100 + 1) {}
    // Done of Total equal shares of the positions have been visited.
    void Reached(int64_t Done, int64_t Total) {
        if (Total <= 0) return;
        const int64_t count = static_cast<int64_t>(
            static_cast<long double>(FPositions) * Done / Total);
        const int64_t steps = count / FEvery;
        while (FSteps < steps) {
            ++FSteps;
            IncProcStat();
        }
    }

private:
    int64_t FPositions;
    int64_t FEvery;
    int64_t FSteps = 0;
};

// Fires PercDone at every step count that is a multiple of max(1, Steps div 100) with
// round(100 * count / Steps).
template <typename Sink>
class TPercentSteps {
public:
    TPercentSteps(int64_t Steps, Sink&& Fire) : FSteps(Steps), FFire(Fire) {
        FEvery = Steps / 100 > 1 ? Steps / 100 : 1;
        FNext = FEvery;
    }
    void Step() {
        if (++FDone >= FNext) FireDue();
    }
    void Step(int64_t Count) {
        FDone += Count;
        if (FDone >= FNext) FireDue();
    }

private:
    void FireDue() {
        for (; FNext <= FDone; FNext += FEvery)
            FFire(static_cast<int>(Round(100.0 * static_cast<double>(FNext) / static_cast<double>(FSteps))));
    }

    int64_t FSteps;
    int64_t FEvery;
    int64_t FNext;
    int64_t FDone = 0;
    Sink FFire;
};

// Visits the block as runs of consecutive columns: Run(pointer to (C0, y, z, t), length), in
// storage order (slot, layer, row). Rows are visited for every layer before the next layer.
template <typename F>
void VisitRuns(const TStackBlock& B, F&& Run) {
    const int n = B.Columns();
    for (int t = B.T0; t <= B.T1; ++t)
        for (int z = B.Z0; z <= B.Z1; ++z)
            for (int y = B.R0; y <= B.R1; ++y) Run(B.Data + B.Offset(B.C0, y, z, t), n);
}

void BlockMinMax(const TStackBlock& B, double& Minimum, double& Maximum);
double BlockSum(const TStackBlock& B);
double BlockSquaredSum(const TStackBlock& B);
int BlockCountValues(const TStackBlock& B, double RangeLow, double RangeHigh);
// Mean and the variance of the matrix statistics from the deviations; 0, 0 for an empty block.
void BlockMeanVar(const TStackBlock& B, double& Mean, double& Variance);
// Nearest cell, ties to the first in the scan order column, row, layer, slot; false when no
// cell compares.
bool BlockFind(const TStackBlock& B, double Value, int& Col, int& Row, int& Layer, int& Slot);
// The block's cells in storage order (bad_alloc when they cannot be held).
std::vector<double> GatherBlock(const TStackBlock& B);
// Exact percentile with the shortcut for a value that 7 of 15 random samples share.
double BlockPercentile(const TStackBlock& B, double prob);
// Percentile of SampleSize random cells after reseeding the shared generator from the clock.
double BlockSampledPercentile(const TStackBlock& B, double prob, int SampleSize);

// Resizing of a column-fastest stack: a new buffer of the new extents holding the cells whose
// indices exist in both. bad_alloc (also for sizes beyond size_t) when it cannot be allocated.
std::vector<double> ResizedStack(const std::vector<double>& Old, int X, int Y, int Z, int T,
                                 int NX, int NY, int NZ, int NT);
// Number of cells of a stack, or bad_alloc when it cannot be addressed.
size_t StackCells(int X, int Y, int Z, int T);

}  // namespace ozm::matrix::detail
