// TMat3D: creation, sizing, access, filling, block statistics and the layer copies.
#include <algorithm>
#include <string_view>

#include "matrices/mat4d_block.hpp"
#include "matrices/matrix_internal.hpp"
#include "ozm/math1.hpp"
#include "ozm/matrix/tmat3d.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/random.hpp"

namespace ozm {

using matrix::detail::TStackBlock;

namespace {

constexpr std::string_view kMsgLayerBeyond = ": specified layer beyond data range";

TStackBlock MakeBlock(const TMat3D& M, int LowCol, int HighCol, int LowRow, int HighRow,
                      int LowLayer, int HighLayer) {
    M.MakeValidColRange(LowCol, HighCol);
    M.MakeValidRowRange(LowRow, HighRow);
    M.MakeValidLayerRange(LowLayer, HighLayer);
    return TStackBlock{M.Data(), M.NrOfColumns(), M.NrOfRows(), M.NrOfLayers(), 1, LowCol,
                       HighCol,  LowRow,          HighRow,      LowLayer,       HighLayer, 1, 1};
}

}  // namespace

TMat3D::TMat3D(TComponent* AOwner) : TOZMContainer(AOwner) {
    FData = GuardAllocation<EOZMMatrixError>(*this, [] { return std::vector<double>(1, 0.0); });
}

void TMat3D::RaiseError(std::string_view Detail) const {
    RaiseComponentError<EOZMMatrixError>(*this, Detail);
}

void TMat3D::Adopt(std::vector<double>&& Cells, int Nc, int Nr, int Nl) noexcept {
    FData = std::move(Cells);
    FNumX = Nc;
    FNumY = Nr;
    FNumZ = Nl;
}

void TMat3D::PercDone(TObject* /*Sender*/, int Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}

bool TMat3D::Resize(int Nc, int Nr, int Nl) {
    if (Nc < 1 || Nr < 1 || Nl < 1) return true;
    if (Nc == FNumX && Nr == FNumY && Nl == FNumZ) return true;
    std::vector<double> cells = GuardAllocation<EOZMMatrixError>(*this, [&] {
        return matrix::detail::ResizedStack(FData, FNumX, FNumY, FNumZ, 1, Nc, Nr, Nl, 1);
    });
    Adopt(std::move(cells), Nc, Nr, Nl);
    Changed();
    return true;
}

bool TMat3D::ResizeAndClear(int Nc, int Nr, int Nl) {
    if (!Resize(Nc, Nr, Nl)) return false;
    Fill(0.0);
    return true;
}

void TMat3D::SetNrOfColumns(int Value) { Resize(std::max(Value, 1), FNumY, FNumZ); }
void TMat3D::SetNrOfRows(int Value) { Resize(FNumX, std::max(Value, 1), FNumZ); }
void TMat3D::SetNrOfLayers(int Value) { Resize(FNumX, FNumY, std::max(Value, 1)); }

void TMat3D::MakeValidColRange(int& LowCol, int& HighCol) const noexcept {
    MakeValidRange(LowCol, HighCol, FNumX);
}
void TMat3D::MakeValidRowRange(int& LowRow, int& HighRow) const noexcept {
    MakeValidRange(LowRow, HighRow, FNumY);
}
void TMat3D::MakeValidLayerRange(int& LowLayer, int& HighLayer) const noexcept {
    MakeValidRange(LowLayer, HighLayer, FNumZ);
}

void TMat3D::Fill(double value) { std::fill(FData.begin(), FData.end(), value); }

void TMat3D::FillDiag(double value) {
    const int n = std::min({FNumX, FNumY, FNumZ});
    for (int i = 1; i <= n; ++i) FData[Index(i, i, i)] = value;
    Changed();
}

void TMat3D::FillRandomUniform(double RangeLow, double RangeHigh) {
    for (double& v : FData) v = RangeLow + Random() * (RangeHigh - RangeLow);
    Changed();
}

void TMat3D::FillRandomGauss(double Mean, double StdDev) {
    for (double& v : FData) v = math1::GRandom() * StdDev + Mean;
    Changed();
}

void TMat3D::Clone(const TMat3D* MatSource) {
    if (MatSource == nullptr) return;
    if (MatSource != this) {
        std::vector<double> cells =
            GuardAllocation<EOZMMatrixError>(*this, [&] { return MatSource->FData; });
        Adopt(std::move(cells), MatSource->FNumX, MatSource->FNumY, MatSource->FNumZ);
    }
    Changed();
}

void TMat3D::Find(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                  double Value, int& ColIx, int& RowIx, int& LayerIx) const {
    int slot = 0;
    if (!matrix::detail::BlockFind(MakeBlock(*this, LowCol, HighCol, LowRow, HighRow, LowLayer,
                                             HighLayer),
                                   Value, ColIx, RowIx, LayerIx, slot))
        ColIx = RowIx = LayerIx = 0;
}

void TMat3D::MinMax(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                    double& Minimum, double& Maximum) const {
    const TStackBlock b = MakeBlock(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    matrix::detail::BlockMinMax(b, Minimum, Maximum);
    matrix::detail::TPositionSteps(b.Positions()).Reached(1, 1);
}

void TMat3D::MeanVar(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
                     int HighLayer, double& Mean, double& Variance) const {
    const TStackBlock b = MakeBlock(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    matrix::detail::BlockMeanVar(b, Mean, Variance);
    matrix::detail::TPositionSteps(b.Positions()).Reached(1, 1);
}

double TMat3D::Percentile(double prob, int LowCol, int HighCol, int LowRow, int HighRow,
                          int LowLayer, int HighLayer) const {
    const TStackBlock b = MakeBlock(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    return GuardAllocation<EOZMMatrixError>(*this, [&] {
        std::vector<double> cells = matrix::detail::GatherBlock(b);
        return matrix::detail::SelectPercentile(cells, prob);
    });
}

double TMat3D::Percentile(double prob, int LowCol, int HighCol, int LowRow, int HighRow,
                          int LowLayer, int HighLayer, int SampleSize) const {
    const TStackBlock b = MakeBlock(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    if (SampleSize <= 0 || SampleSize >= b.Count())
        return Percentile(prob, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    return GuardAllocation<EOZMMatrixError>(
        *this, [&] { return matrix::detail::BlockSampledPercentile(b, prob, SampleSize); });
}

std::string TMat3D::CRCofData() const {
    TCRCLanes<8> lanes;
    const size_t slice = static_cast<size_t>(FNumX) * FNumY;
    for (int x = 1; x <= FNumX; ++x)
        for (int y = 1; y <= FNumY; ++y) {
            const double* cell = FData.data() + Index(x, y, 1);
            for (int z = 0; z < FNumZ; ++z) lanes.AddCell(cell[static_cast<size_t>(z) * slice]);
        }
    return lanes.Text();
}

void TMat3D::CopyLayerToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow, int HighRow,
                               int Layer) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    if (Layer < 1 || Layer > FNumZ) RaiseError(kMsgLayerBeyond);
    if (DestMat == nullptr) return;
    DestMat->Resize(HighCol - LowCol + 1, HighRow - LowRow + 1);
    for (int c = LowCol; c <= HighCol; ++c)
        for (int r = LowRow; r <= HighRow; ++r)
            DestMat->SetVal(c - LowCol + 1, r - LowRow + 1, FData[Index(c, r, Layer)]);
}

void TMat3D::CopyMatrixToLayer(const TMatrix* SrcMat, int SrcLowCol, int SrcHighCol,
                               int SrcLowRow, int SrcHighRow, int Layer, int LayLowCol,
                               int LayLowRow) {
    if (Layer < 1 || Layer > FNumZ) RaiseError(kMsgLayerBeyond);
    if (SrcMat == nullptr) return;
    // The source range is used as given; cells outside SrcMat read 0. Only the part that lands
    // inside the layer is visited, so absurd ranges cost nothing.
    const int64_t dx = int64_t{LayLowCol} - SrcLowCol;
    const int64_t dy = int64_t{LayLowRow} - SrcLowRow;
    const int64_t c0 = std::max<int64_t>(SrcLowCol, 1 - dx), c1 = std::min<int64_t>(SrcHighCol, FNumX - dx);
    const int64_t r0 = std::max<int64_t>(SrcLowRow, 1 - dy), r1 = std::min<int64_t>(SrcHighRow, FNumY - dy);
    for (int64_t c = c0; c <= c1; ++c)
        for (int64_t r = r0; r <= r1; ++r) {
            const bool inside =
                c >= 1 && c <= SrcMat->NrOfColumns() && r >= 1 && r <= SrcMat->NrOfRows();
            FData[Index(static_cast<int>(c + dx), static_cast<int>(r + dy), Layer)] =
                inside ? SrcMat->GetVal(static_cast<int>(c), static_cast<int>(r)) : 0.0;
        }
}

}  // namespace ozm
