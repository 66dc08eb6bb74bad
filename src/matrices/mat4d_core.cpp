// TMat4D: creation, sizing, access, filling, block statistics and reshaping.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "matrices/mat4d_block.hpp"
#include "ozm/math1.hpp"
#include "ozm/matrix/tmat4d.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm {

using matrix::detail::TStackBlock;

namespace {

// Steps ProcStat each time the count of done units reaches a multiple of Every.
class TUnitSteps {
public:
    explicit TUnitSteps(int64_t Every) noexcept : FEvery(Every > 0 ? Every : 1) {}
    void Add(int64_t Units) {
        const int64_t before = FCount / FEvery;
        FCount += Units;
        for (int64_t k = before; k < FCount / FEvery; ++k) IncProcStat();
    }

private:
    int64_t FEvery;
    int64_t FCount = 0;
};

}  // namespace

TMat4D::TMat4D(TComponent* AOwner) : TOZMContainer(AOwner) {
    FData = GuardAllocation<EOZMMatrixError>(*this, [] { return std::vector<double>(1, 0.0); });
}

void TMat4D::RaiseError(std::string_view Detail) const {
    RaiseComponentError<EOZMMatrixError>(*this, Detail);
}

void TMat4D::Adopt(std::vector<double>&& Cells, int Nc, int Nr, int Nl, int Nt) noexcept {
    FData = std::move(Cells);
    FNumX = Nc;
    FNumY = Nr;
    FNumZ = Nl;
    FNumT = Nt;
}

void TMat4D::PercDone(TObject* /*Sender*/, int Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}

void TMat4D::ReadElement(TObject* /*Sender*/, int ix, int iy, int il, int it, double Value) {
    if (OnReadElement) OnReadElement(this, ix, iy, il, it, Value);
}

double TMat4D::MemoryConsumed() const noexcept {
    return FNumX / 1048576.0 * FNumY * FNumZ * FNumT * 8;
}

// --- size and access ---------------------------------------------------------------------------

bool TMat4D::Resize(int Nc, int Nr, int Nl, int Nt) {
    if (Nc < 1 || Nr < 1 || Nl < 1 || Nt < 1) return true;
    if (Nc == FNumX && Nr == FNumY && Nl == FNumZ && Nt == FNumT) return true;
    std::vector<double> cells = GuardAllocation<EOZMMatrixError>(*this, [&] {
        return matrix::detail::ResizedStack(FData, FNumX, FNumY, FNumZ, FNumT, Nc, Nr, Nl, Nt);
    });
    Adopt(std::move(cells), Nc, Nr, Nl, Nt);
    Changed();
    return true;
}

bool TMat4D::ResizeAndClear(int Nc, int Nr, int Nl, int Nt) {
    if (!Resize(Nc, Nr, Nl, Nt)) return false;
    Fill(0.0);
    return true;
}

void TMat4D::SetNrOfColumns(int Value) { Resize(std::max(Value, 1), FNumY, FNumZ, FNumT); }
void TMat4D::SetNrOfRows(int Value) { Resize(FNumX, std::max(Value, 1), FNumZ, FNumT); }
void TMat4D::SetNrOfLayers(int Value) { Resize(FNumX, FNumY, std::max(Value, 1), FNumT); }
void TMat4D::SetNrOfTimeSlots(int Value) { Resize(FNumX, FNumY, FNumZ, std::max(Value, 1)); }

int TMat4D::Lin3DAddr(int ix, int iy, int il) const noexcept {
    if (static_cast<double>(FNumX) * FNumY * FNumZ > 2147483647.0) return -2;
    if (ix < 1 || ix > FNumX || iy < 1 || iy > FNumY || il < 1 || il > FNumZ) return -1;
    return ((iy - 1) * FNumX + (ix - 1)) * FNumZ + (il - 1);
}

bool TMat4D::ConvertLinTo3DAddr(int LinAddr, int& ix, int& iy, int& il) const noexcept {
    if (LinAddr < 0 || static_cast<int64_t>(LinAddr) >= int64_t{FNumX} * FNumY * FNumZ)
        return false;
    il = LinAddr % FNumZ + 1;
    ix = (LinAddr / FNumZ) % FNumX + 1;
    iy = LinAddr / FNumZ / FNumX + 1;
    return true;
}

void TMat4D::MakeValidColRange(int& LowCol, int& HighCol) const noexcept {
    MakeValidRange(LowCol, HighCol, FNumX);
}
void TMat4D::MakeValidRowRange(int& LowRow, int& HighRow) const noexcept {
    MakeValidRange(LowRow, HighRow, FNumY);
}
void TMat4D::MakeValidLayerRange(int& LowLayer, int& HighLayer) const noexcept {
    MakeValidRange(LowLayer, HighLayer, FNumZ);
}
void TMat4D::MakeValidTSlotRange(int& LowTimeSlot, int& HighTimeSlot) const noexcept {
    MakeValidRange(LowTimeSlot, HighTimeSlot, FNumT);
}

void TMat4D::Assign(const TPersistent* Source) {
    const auto* src = dynamic_cast<const TMat4D*>(Source);
    if (src == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    if (src == this) return;
    std::vector<double> cells = GuardAllocation<EOZMMatrixError>(*this, [&] { return src->FData; });
    FDataID = src->FDataID;
    OnChange = src->OnChange;
    OnPercentDone = src->OnPercentDone;
    OnReadElement = src->OnReadElement;
    Adopt(std::move(cells), src->FNumX, src->FNumY, src->FNumZ, src->FNumT);
}

void TMat4D::AssignTo(TPersistent* Dest) const {
    if (auto* dest = dynamic_cast<TMat4D*>(Dest)) {
        dest->Assign(this);
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TMat4D::Clone(const TMat4D* MatSource) {
    if (MatSource == nullptr) return;
    if (MatSource != this) {
        std::vector<double> cells =
            GuardAllocation<EOZMMatrixError>(*this, [&] { return std::vector<double>(MatSource->FData.size()); });
        // Copied slot by slot so that progress follows the work.
        const size_t slot = MatSource->LayerSize() * static_cast<size_t>(MatSource->FNumZ);
        matrix::detail::TPositionSteps steps(int64_t{MatSource->FNumX} * MatSource->FNumY);
        for (int t = 0; t < MatSource->FNumT; ++t) {
            std::copy_n(MatSource->FData.data() + t * slot, slot, cells.data() + t * slot);
            steps.Reached(t + 1, MatSource->FNumT);
        }
        Adopt(std::move(cells), MatSource->FNumX, MatSource->FNumY, MatSource->FNumZ,
              MatSource->FNumT);
    } else {
        matrix::detail::TPositionSteps(int64_t{FNumX} * FNumY).Reached(1, 1);
    }
    Changed();
}

// --- filling -----------------------------------------------------------------------------------

void TMat4D::Fill(double value) {
    std::fill(FData.begin(), FData.end(), value);
    Changed();
}

void TMat4D::FillDiag(double value) {
    const int n = std::min({FNumX, FNumY, FNumZ, FNumT});
    for (int i = 1; i <= n; ++i) FData[Index(i, i, i, i)] = value;
    Changed();
}

void TMat4D::FillLayer(int Layer, double value) {
    if (Layer < 1 || Layer > FNumZ) return;
    for (int t = 1; t <= FNumT; ++t) {
        double* p = FData.data() + Index(1, 1, Layer, t);
        std::fill(p, p + LayerSize(), value);
    }
}

int TMat4D::FillLayer(int Layer, int TimeSlot, int Mode, double par1, double par2) {
    int result = 0;
    if (Layer < 1 || Layer > FNumZ) result = -1;
    if (TimeSlot < 1 || TimeSlot > FNumT) result = -2;
    if (Mode < 0 || Mode > 2) result = -3;
    if (result != 0) return result;
    double* p = FData.data() + Index(1, 1, Layer, TimeSlot);
    const size_t n = LayerSize();
    for (size_t i = 0; i < n; ++i) {
        switch (Mode) {
            case 0: p[i] = par1; break;
            case 1: p[i] = par1 + Random() * (par2 - par1); break;
            default: p[i] = par1 + par2 * math1::GRandom(); break;
        }
    }
    return 0;
}

void TMat4D::FillRandomUniform(double RangeLow, double RangeHigh) {
    for (double& v : FData) v = RangeLow + Random() * (RangeHigh - RangeLow);
    Changed();
}

void TMat4D::FillRandomGauss(double Mean, double StdDev) {
    for (double& v : FData) v = math1::GRandom() * StdDev + Mean;
    Changed();
}

int TMat4D::AccumulateLayer(int Layer, int TimeSlot, const TDouble2DArray& Src) {
    int result = 0;
    bool shape = Src.size() == static_cast<size_t>(FNumX);
    for (size_t i = 0; shape && i < Src.size(); ++i) shape = Src[i].size() == static_cast<size_t>(FNumY);
    if (!shape) result = -1;
    if (Layer < 1 || Layer > FNumZ) result = -2;
    if (TimeSlot < 1 || TimeSlot > FNumT) result = -3;
    if (result != 0) return result;
    double* p = FData.data() + Index(1, 1, Layer, TimeSlot);
    for (int y = 0; y < FNumY; ++y)
        for (int x = 0; x < FNumX; ++x) p[static_cast<size_t>(y) * FNumX + x] += Src[x][y];
    return 0;
}

// --- block statistics --------------------------------------------------------------------------

namespace {

TStackBlock MakeBlock(const TMat4D& M, int LowCol, int HighCol, int LowRow, int HighRow,
                      int LowLayer, int HighLayer, int LowTimeSlot, int HighTimeSlot) {
    M.MakeValidColRange(LowCol, HighCol);
    M.MakeValidRowRange(LowRow, HighRow);
    M.MakeValidLayerRange(LowLayer, HighLayer);
    M.MakeValidTSlotRange(LowTimeSlot, HighTimeSlot);
    return TStackBlock{M.Data(),     M.NrOfColumns(), M.NrOfRows(), M.NrOfLayers(),
                       M.NrOfTimeSlots(), LowCol,   HighCol,       LowRow,
                       HighRow,      LowLayer,       HighLayer,     LowTimeSlot,
                       HighTimeSlot};
}

}  // namespace

#define OZM_BLOCK_ARGS LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot

void TMat4D::MinMax(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                    int LowTimeSlot, int HighTimeSlot, double& Minimum, double& Maximum) const {
    const TStackBlock b = MakeBlock(*this, OZM_BLOCK_ARGS);
    matrix::detail::BlockMinMax(b, Minimum, Maximum);
    matrix::detail::TPositionSteps(b.Positions()).Reached(1, 1);
}

void TMat4D::MeanVar(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                     int LowTimeSlot, int HighTimeSlot, double& Mean, double& Variance) const {
    const TStackBlock b = MakeBlock(*this, OZM_BLOCK_ARGS);
    matrix::detail::BlockMeanVar(b, Mean, Variance);
    matrix::detail::TPositionSteps(b.Positions()).Reached(1, 1);
}

double TMat4D::Sum(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                   int LowTimeSlot, int HighTimeSlot) const {
    const TStackBlock b = MakeBlock(*this, OZM_BLOCK_ARGS);
    const double s = matrix::detail::BlockSum(b);
    matrix::detail::TPositionSteps(b.Positions()).Reached(1, 1);
    return s;
}

double TMat4D::SquaredSum(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
                          int HighLayer, int LowTimeSlot, int HighTimeSlot) const {
    const TStackBlock b = MakeBlock(*this, OZM_BLOCK_ARGS);
    const double s = matrix::detail::BlockSquaredSum(b);
    matrix::detail::TPositionSteps(b.Positions()).Reached(1, 1);
    return s;
}

int TMat4D::CountValues(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
                        int HighLayer, int LowTimeSlot, int HighTimeSlot, double RangeLow,
                        double RangeHigh) const {
    return matrix::detail::BlockCountValues(MakeBlock(*this, OZM_BLOCK_ARGS), RangeLow, RangeHigh);
}

void TMat4D::Find(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                  int LowTimeSlot, int HighTimeSlot, double Value, int& ColIx, int& RowIx,
                  int& LayerIx, int& TimeSlotIx) const {
    if (!matrix::detail::BlockFind(MakeBlock(*this, OZM_BLOCK_ARGS), Value, ColIx, RowIx, LayerIx,
                                   TimeSlotIx))
        ColIx = RowIx = LayerIx = TimeSlotIx = 0;
}

double TMat4D::Percentile(double prob, int LowCol, int HighCol, int LowRow, int HighRow,
                          int LowLayer, int HighLayer, int LowTimeSlot, int HighTimeSlot) const {
    const TStackBlock b = MakeBlock(*this, OZM_BLOCK_ARGS);
    return GuardAllocation<EOZMMatrixError>(*this,
                                            [&] { return matrix::detail::BlockPercentile(b, prob); });
}

double TMat4D::Percentile(double prob, int LowCol, int HighCol, int LowRow, int HighRow,
                          int LowLayer, int HighLayer, int LowTimeSlot, int HighTimeSlot,
                          int SampleSize) const {
    const TStackBlock b = MakeBlock(*this, OZM_BLOCK_ARGS);
    return GuardAllocation<EOZMMatrixError>(
        *this, [&] { return matrix::detail::BlockSampledPercentile(b, prob, SampleSize); });
}

#undef OZM_BLOCK_ARGS

std::string TMat4D::CRCofData(int Sample) const {
    Sample = std::min(Sample, FNumZ / 2);
    if (Sample < 1) Sample = 1;
    TCRCLanes<8> lanes;
    auto fire = [this](int Percent) { const_cast<TMat4D*>(this)->PercDone(nullptr, Percent); };
    matrix::detail::TPercentSteps<decltype(fire)> percent(int64_t{FNumX} * FNumY, std::move(fire));
    const size_t slice = LayerSize();
    for (int x = 1; x <= FNumX; ++x)
        for (int y = 1; y <= FNumY; ++y) {
            const double* cell = FData.data() + Index(x, y, 1, 1);
            for (int z = Sample; z <= FNumZ; z += Sample)
                for (int t = 0; t < FNumT; ++t)
                    lanes.AddCell(cell[(static_cast<size_t>(t) * FNumZ + (z - 1)) * slice]);
            percent.Step();
        }
    return lanes.Text();
}

// --- reshaping ---------------------------------------------------------------------------------

void TMat4D::Cut(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                 int LowTimeslot, int HighTimeslot) {
    const TStackBlock b =
        MakeBlock(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeslot,
                  HighTimeslot);
    const int nx = b.Columns(), ny = b.Rows(), nz = b.Layers(), nt = b.Slots();
    std::vector<double> cells = GuardAllocation<EOZMMatrixError>(
        *this, [&] { return std::vector<double>(matrix::detail::StackCells(nx, ny, nz, nt)); });
    auto fire = [this](int Percent) { PercDone(nullptr, Percent); };
    matrix::detail::TPercentSteps<decltype(fire)> percent(2 * int64_t{nt} * nz, std::move(fire));
    double* out = cells.data();
    for (int t = b.T0; t <= b.T1; ++t)
        for (int z = b.Z0; z <= b.Z1; ++z) {
            for (int y = b.R0; y <= b.R1; ++y, out += nx)
                std::copy_n(FData.data() + Index(b.C0, y, z, t), nx, out);
            percent.Step();
        }
    Adopt(std::move(cells), nx, ny, nz, nt);
    percent.Step(int64_t{nt} * nz);  // the second pass: the block takes the matrix's place
    Changed();
}

void TMat4D::Resample(int XDiv, int XOffset, int YDiv, int YOffset, int ZDiv, int ZOffset,
                      int TDiv, int TOffset, bool Average) {
    int div[4] = {std::max(XDiv, 1), std::max(YDiv, 1), std::max(ZDiv, 1), std::max(TDiv, 1)};
    int off[4] = {XOffset, YOffset, ZOffset, TOffset};
    const int old[4] = {FNumX, FNumY, FNumZ, FNumT};
    int ext[4];
    for (int d = 0; d < 4; ++d) {
        off[d] = std::max(off[d], 0) % div[d];
        // (N - offset - 1) div Div + 1, the quotient truncated towards zero: an offset beyond
        // the extent still leaves one (empty) cell.
        ext[d] = (old[d] - off[d] - 1) / div[d] + 1;
    }
    std::vector<double> cells = GuardAllocation<EOZMMatrixError>(*this, [&] {
        return std::vector<double>(matrix::detail::StackCells(ext[0], ext[1], ext[2], ext[3]), 0.0);
    });
    auto fire = [this](int Percent) { PercDone(nullptr, Percent); };
    matrix::detail::TPercentSteps<decltype(fire)> percent(int64_t{ext[3]} * ext[2], std::move(fire));
    const double block = static_cast<double>(div[0]) * div[1] * div[2] * div[3];
    double* out = cells.data();
    for (int t = 0; t < ext[3]; ++t) {
        const int t0 = t * div[3] + off[3];  // 0-based first old index of the block
        for (int z = 0; z < ext[2]; ++z) {
            const int z0 = z * div[2] + off[2];
            for (int y = 0; y < ext[1]; ++y) {
                const int y0 = y * div[1] + off[1];
                for (int x = 0; x < ext[0]; ++x, ++out) {
                    const int x0 = x * div[0] + off[0];
                    if (!Average) {
                        *out = GetVal(x0 + 1, y0 + 1, z0 + 1, t0 + 1);
                        continue;
                    }
                    double s = 0.0;
                    // The block's end, held to the old extents (in 64 bits: offset + divisor may
                    // leave the int range).
                    auto end = [](int from, int span, int extent) {
                        return static_cast<int>(std::min<int64_t>(int64_t{from} + span, extent));
                    };
                    const int x1 = end(x0, div[0], FNumX), y1 = end(y0, div[1], FNumY);
                    const int z1 = end(z0, div[2], FNumZ), t1 = end(t0, div[3], FNumT);
                    for (int tt = t0; tt < t1; ++tt)
                        for (int zz = z0; zz < z1; ++zz)
                            for (int yy = y0; yy < y1; ++yy) {
                                const double* p = FData.data() + Index(1, yy + 1, zz + 1, tt + 1);
                                for (int xx = x0; xx < x1; ++xx) s += p[xx];
                            }
                    *out = s / block;
                }
            }
            percent.Step();
        }
    }
    Adopt(std::move(cells), ext[0], ext[1], ext[2], ext[3]);
    Changed();
}

bool TMat4D::Transpose() {
    const int nx = FNumY, ny = FNumX;
    std::vector<double> cells = GuardAllocation<EOZMMatrixError>(
        *this, [&] { return std::vector<double>(FData.size(), 0.0); });
    auto fire = [this](int Percent) { PercDone(nullptr, Percent); };
    matrix::detail::TPercentSteps<decltype(fire)> percent(2 * LayerSize(), std::move(fire));
    const size_t slice = LayerSize();
    const size_t slices = static_cast<size_t>(FNumZ) * FNumT;
    // Old columns are taken eight at a time (a cache line of every old row), so that each line
    // is read from memory once; the abort flag is tested before every such group.
    constexpr int kGroup = 8;
    int done = 0;
    for (int x0 = 0; x0 < FNumX; x0 += kGroup) {
        if (progress::AbortRequested()) break;
        const int x1 = std::min(x0 + kGroup, FNumX);
        for (size_t s = 0; s < slices; ++s) {
            const double* src = FData.data() + s * slice;
            double* dst = cells.data() + s * slice;
            for (int y = 0; y < FNumY; ++y)
                for (int x = x0; x < x1; ++x)
                    dst[static_cast<size_t>(x) * nx + y] = src[static_cast<size_t>(y) * FNumX + x];
        }
        percent.Step(int64_t{x1 - x0} * FNumY);
        done = x1;
    }
    percent.Step(int64_t{FNumX - done} * FNumY);
    Adopt(std::move(cells), nx, ny, FNumZ, FNumT);
    percent.Step(static_cast<int64_t>(slice));  // the second pass: the work array becomes the cells
    Changed();
    return true;
}

void TMat4D::MirrorColumns() {
    TUnitSteps steps(static_cast<int64_t>(0.005 * FNumY * FNumZ * FNumT) + 1);
    const size_t rows = static_cast<size_t>(FNumY) * FNumZ * FNumT;
    for (size_t r = 0; r < rows; ++r) {
        double* p = FData.data() + r * FNumX;
        std::reverse(p, p + FNumX);
        steps.Add(1);
    }
    Changed();
}

void TMat4D::MirrorRows() {
    TUnitSteps steps(static_cast<int64_t>(0.005 * FNumX * FNumZ * FNumT) + 1);
    for (int t = 1; t <= FNumT; ++t)
        for (int z = 1; z <= FNumZ; ++z) {
            for (int y = 1; y < FNumY + 1 - y; ++y)
                std::swap_ranges(FData.data() + Index(1, y, z, t), FData.data() + Index(1, y, z, t) + FNumX,
                                 FData.data() + Index(1, FNumY + 1 - y, z, t));
            steps.Add(FNumX);
        }
    Changed();
}

void TMat4D::MirrorLayers() {
    TUnitSteps steps(static_cast<int64_t>(0.005 * FNumX * FNumY * FNumT) + 1);
    for (int t = 1; t <= FNumT; ++t) {
        for (int z = 1; z < FNumZ + 1 - z; ++z)
            std::swap_ranges(FData.data() + Index(1, 1, z, t),
                             FData.data() + Index(1, 1, z, t) + LayerSize(),
                             FData.data() + Index(1, 1, FNumZ + 1 - z, t));
        steps.Add(static_cast<int64_t>(LayerSize()));
    }
    Changed();
}

void TMat4D::MirrorTimeSlots() {
    TUnitSteps steps(static_cast<int64_t>(0.005 * FNumX * FNumY * FNumZ) + 1);
    const size_t slot = LayerSize() * FNumZ;
    for (int t = 1; t < FNumT + 1 - t; ++t) {
        std::swap_ranges(FData.data() + (t - 1) * slot, FData.data() + t * slot,
                         FData.data() + (FNumT - t) * slot);
    }
    steps.Add(static_cast<int64_t>(slot));
    Changed();
}

}  // namespace ozm
