// TMat4D: copies to and from matrices, TMat3D, vectors and plain arrays; the free copy routines of
// the unit; TMatrix::CopyFrom for a layer of a TMat3D.
#include <algorithm>
#include <string_view>

#include "matrices/mat4d_block.hpp"
#include "ozm/matrix/tmat4d.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/vector.hpp"

namespace ozm {

namespace {

constexpr std::string_view kMsgLayerBeyond = ": specified layer beyond data range";
constexpr std::string_view kMsgTimeSlotBeyond = ": specified time slot beyond data range";

// Entry [i][j][k] of a possibly ragged array, or 0 where it has none.
double ArrayCell(const TDouble3DArray& A, int64_t i, int64_t j, int64_t k) noexcept {
    if (i < 0 || j < 0 || k < 0 || static_cast<size_t>(i) >= A.size()) return 0.0;
    const auto& plane = A[static_cast<size_t>(i)];
    if (static_cast<size_t>(j) >= plane.size()) return 0.0;
    const auto& line = plane[static_cast<size_t>(j)];
    return static_cast<size_t>(k) < line.size() ? line[static_cast<size_t>(k)] : 0.0;
}

// Destination index Base + Offset when it lies in 1..Count, else 0.
int Shifted(int64_t Base, int64_t Offset, int Count) noexcept {
    const int64_t v = Base + Offset;
    return (v >= 1 && v <= Count) ? static_cast<int>(v) : 0;
}

}  // namespace

void TMat4D::CopyFrom(const TMat4D* MatSource, int SrcLowCol, int SrcHighCol, int SrcLowRow,
                      int SrcHighRow, int SrcLowLayer, int SrcHighLayer, int SrcLowTSlot,
                      int SrcHighTSlot, int DestCol, int DestRow, int DestLayer, int DestTSlot) {
    if (MatSource == nullptr) return;
    const TMat4D& src = *MatSource;
    src.MakeValidColRange(SrcLowCol, SrcHighCol);
    src.MakeValidRowRange(SrcLowRow, SrcHighRow);
    src.MakeValidLayerRange(SrcLowLayer, SrcHighLayer);
    src.MakeValidTSlotRange(SrcLowTSlot, SrcHighTSlot);
    const matrix::detail::TStackBlock block{src.FData.data(), src.FNumX,  src.FNumY,
                                            src.FNumZ,        src.FNumT,  SrcLowCol,
                                            SrcHighCol,       SrcLowRow,  SrcHighRow,
                                            SrcLowLayer,      SrcHighLayer, SrcLowTSlot,
                                            SrcHighTSlot};
    // A block copied within this matrix is read completely before anything is written.
    std::vector<double> aside;
    if (MatSource == this)
        aside = GuardAllocation<EOZMMatrixError>(*this, [&] { return matrix::detail::GatherBlock(block); });
    const int nx = block.Columns();
    matrix::detail::TPositionSteps steps(block.Positions());
    const double* from = aside.data();
    for (int t = SrcLowTSlot; t <= SrcHighTSlot; ++t) {
        const int dt = Shifted(DestTSlot, t - SrcLowTSlot, FNumT);
        for (int z = SrcLowLayer; z <= SrcHighLayer; ++z) {
            const int dz = Shifted(DestLayer, z - SrcLowLayer, FNumZ);
            for (int y = SrcLowRow; y <= SrcHighRow; ++y) {
                const double* row = aside.empty() ? src.FData.data() + block.Offset(SrcLowCol, y, z, t)
                                                  : from;
                from += aside.empty() ? 0 : nx;
                const int dy = Shifted(DestRow, y - SrcLowRow, FNumY);
                if (dt == 0 || dz == 0 || dy == 0) continue;
                for (int i = 0; i < nx; ++i) {
                    const int dx = Shifted(DestCol, i, FNumX);
                    if (dx != 0) FData[Index(dx, dy, dz, dt)] = row[i];
                }
            }
        }
        steps.Reached(t - SrcLowTSlot + 1, SrcHighTSlot - SrcLowTSlot + 1);
    }
    Changed();
}

void TMat4D::CopyLayerToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow, int HighRow,
                               int Layer, int TimeSlot) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    if (Layer < 1 || Layer > FNumZ) RaiseError(kMsgLayerBeyond);
    if (TimeSlot < 1 || TimeSlot > FNumT) RaiseError(kMsgTimeSlotBeyond);
    if (DestMat == nullptr) return;
    DestMat->Resize(HighCol - LowCol + 1, HighRow - LowRow + 1);
    for (int c = LowCol; c <= HighCol; ++c)
        for (int r = LowRow; r <= HighRow; ++r)
            DestMat->SetVal(c - LowCol + 1, r - LowRow + 1, FData[Index(c, r, Layer, TimeSlot)]);
}

int TMat4D::CopyLayerToArray(TDouble2DArray& DestArray, int LowCol, int HighCol, int LowRow,
                             int HighRow, int Layer, int TimeSlot) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    int result = 0;
    if (Layer < 1 || Layer > FNumZ) result = -1;
    if (TimeSlot < 1 || TimeSlot > FNumT) result = -2;
    if (result != 0) return result;
    DestArray.assign(static_cast<size_t>(HighCol - LowCol + 1),
                     TDoubleArray(static_cast<size_t>(HighRow - LowRow + 1)));
    for (int c = LowCol; c <= HighCol; ++c)
        for (int r = LowRow; r <= HighRow; ++r)
            DestArray[c - LowCol][r - LowRow] = FData[Index(c, r, Layer, TimeSlot)];
    return 0;
}

void TMat4D::CopyMatrixToLayer(const TMatrix* SrcMat, int SrcLowCol, int SrcHighCol, int SrcLowRow,
                               int SrcHighRow, int Layer, int TimeSlot, int LayLowCol,
                               int LayLowRow) {
    if (Layer < 1 || Layer > FNumZ) RaiseError(kMsgLayerBeyond);
    if (TimeSlot < 1 || TimeSlot > FNumT) RaiseError(kMsgTimeSlotBeyond);
    if (SrcMat == nullptr) return;
    MakeValidColRange(SrcLowCol, SrcHighCol);
    MakeValidRowRange(SrcLowRow, SrcHighRow);
    for (int c = SrcLowCol; c <= SrcHighCol; ++c) {
        const int dx = Shifted(LayLowCol, int64_t{c} - SrcLowCol, FNumX);
        if (dx == 0) continue;
        for (int r = SrcLowRow; r <= SrcHighRow; ++r) {
            const int dy = Shifted(LayLowRow, int64_t{r} - SrcLowRow, FNumY);
            if (dy != 0) FData[Index(dx, dy, Layer, TimeSlot)] = SrcMat->GetVal(c, r);
        }
    }
}

int TMat4D::CopyArrayToLayer(const TDouble2DArray& SrcArray, int Col, int Row, int Layer,
                             int TimeSlot) {
    int result = 0;
    if (Layer < 1 || Layer > FNumZ) result = -1;
    if (TimeSlot < 1 || TimeSlot > FNumT) result = -2;
    if (result != 0) return result;
    for (size_t i = 0; i < SrcArray.size(); ++i) {
        const int dx = Shifted(Col, static_cast<int64_t>(i), FNumX);
        if (dx == 0) continue;
        for (size_t j = 0; j < SrcArray[i].size(); ++j) {
            const int dy = Shifted(Row, static_cast<int64_t>(j), FNumY);
            if (dy != 0) FData[Index(dx, dy, Layer, TimeSlot)] = SrcArray[i][j];
        }
    }
    return 0;
}

void TMat4D::CopyTimeSlotToMat3D(TMat3D* DestMat, int LowCol, int HighCol, int LowRow,
                                 int HighRow, int LowLay, int HighLay, int TimeSlot) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    MakeValidLayerRange(LowLay, HighLay);
    if (TimeSlot < 1 || TimeSlot > FNumT) RaiseError(kMsgTimeSlotBeyond);
    if (DestMat == nullptr) return;
    const int nx = HighCol - LowCol + 1;
    DestMat->Resize(nx, HighRow - LowRow + 1, HighLay - LowLay + 1);
    double* out = DestMat->Data();
    for (int z = LowLay; z <= HighLay; ++z)
        for (int r = LowRow; r <= HighRow; ++r, out += nx)
            std::copy_n(FData.data() + Index(LowCol, r, z, TimeSlot), nx, out);
}

int TMat4D::CopyTimeSlotToArray(TDouble3DArray& DestMat, int LowCol, int HighCol, int LowRow,
                                int HighRow, int LowLay, int HighLay, int TimeSlot) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    MakeValidLayerRange(LowLay, HighLay);
    if (TimeSlot < 1 || TimeSlot > FNumT) return -1;
    DestMat.assign(static_cast<size_t>(HighCol - LowCol + 1),
                   TDouble2DArray(static_cast<size_t>(HighRow - LowRow + 1),
                                  TDoubleArray(static_cast<size_t>(HighLay - LowLay + 1))));
    for (int c = LowCol; c <= HighCol; ++c)
        for (int r = LowRow; r <= HighRow; ++r)
            for (int z = LowLay; z <= HighLay; ++z)
                DestMat[c - LowCol][r - LowRow][z - LowLay] = FData[Index(c, r, z, TimeSlot)];
    return 0;
}

void TMat4D::CopyMat3DToTimeSlot(const TMat3D* SrcMat, int SrcLowCol, int SrcHighCol,
                                 int SrcLowRow, int SrcHighRow, int SrcLowLay, int SrcHighLay,
                                 int TimeSlot, int DestCol, int DestRow, int DestLayer) {
    if (TimeSlot < 1 || TimeSlot > FNumT) RaiseError(kMsgTimeSlotBeyond);
    if (SrcMat == nullptr) return;
    SrcMat->MakeValidColRange(SrcLowCol, SrcHighCol);
    SrcMat->MakeValidRowRange(SrcLowRow, SrcHighRow);
    SrcMat->MakeValidLayerRange(SrcLowLay, SrcHighLay);
    for (int z = SrcLowLay; z <= SrcHighLay; ++z) {
        const int dz = Shifted(DestLayer, int64_t{z} - SrcLowLay, FNumZ);
        if (dz == 0) continue;
        for (int r = SrcLowRow; r <= SrcHighRow; ++r) {
            const int dy = Shifted(DestRow, int64_t{r} - SrcLowRow, FNumY);
            if (dy == 0) continue;
            for (int c = SrcLowCol; c <= SrcHighCol; ++c) {
                const int dx = Shifted(DestCol, int64_t{c} - SrcLowCol, FNumX);
                if (dx != 0) FData[Index(dx, dy, dz, TimeSlot)] = SrcMat->GetVal(c, r, z);
            }
        }
    }
}

int TMat4D::CopyArrayToTimeSlot(const TDouble3DArray& SrcMat, int SrcLowCol, int SrcHighCol,
                                int SrcLowRow, int SrcHighRow, int SrcLowLay, int SrcHighLay,
                                int TimeSlot, int DestCol, int DestRow, int DestLayer) {
    const int64_t cols = static_cast<int64_t>(SrcMat.size());
    const int64_t rows = cols > 0 ? static_cast<int64_t>(SrcMat[0].size()) : 0;
    const int64_t lays = rows > 0 ? static_cast<int64_t>(SrcMat[0][0].size()) : 0;
    // (0, 0) is the whole extent; otherwise each bound must lie in 0..extent - 1.
    auto check = [](int& lo, int& hi, int64_t extent) {
        if (lo == 0 && hi == 0) hi = static_cast<int>(std::min<int64_t>(extent - 1, INT32_MAX));
        return lo >= 0 && lo < extent && hi >= 0 && hi < extent;
    };
    int result = 0;
    if (!check(SrcLowCol, SrcHighCol, cols)) result = -1;
    if (!check(SrcLowRow, SrcHighRow, rows)) result = -2;
    if (!check(SrcLowLay, SrcHighLay, lays)) result = -3;
    if (TimeSlot < 1 || TimeSlot > FNumT) result = -4;
    if (DestCol < 1 || DestCol > FNumX) result = -5;
    if (DestRow < 1 || DestRow > FNumY) result = -6;
    if (DestLayer < 1 || DestLayer > FNumZ) result = -7;
    if (result != 0) return result;
    for (int c = SrcLowCol; c <= SrcHighCol; ++c) {
        const int dx = Shifted(DestCol, c - SrcLowCol, FNumX);
        if (dx == 0) continue;
        for (int r = SrcLowRow; r <= SrcHighRow; ++r) {
            const int dy = Shifted(DestRow, r - SrcLowRow, FNumY);
            if (dy == 0) continue;
            for (int l = SrcLowLay; l <= SrcHighLay; ++l) {
                const int dz = Shifted(DestLayer, l - SrcLowLay, FNumZ);
                if (dz != 0) FData[Index(dx, dy, dz, TimeSlot)] = ArrayCell(SrcMat, c, r, l);
            }
        }
    }
    return 0;
}

namespace {

int PixelCheck(int Col, int Row, int TimeSlot, int NX, int NY, int NT) noexcept {
    int result = 0;
    if (Col < 1 || Col > NX) result = -1;
    if (Row < 1 || Row > NY) result = -2;
    if (TimeSlot < 1 || TimeSlot > NT) result = -3;
    return result;
}

}  // namespace

int TMat4D::CopyPixelToVector(TVector* Dest, int Col, int Row, int TimeSlot) const {
    const int result = PixelCheck(Col, Row, TimeSlot, FNumX, FNumY, FNumT);
    if (result != 0) return result;
    if (Dest == nullptr) return -1;
    Dest->Resize(FNumZ);
    auto cells = Dest->Cells();
    for (int z = 1; z <= FNumZ; ++z) cells[z - 1] = FData[Index(Col, Row, z, TimeSlot)];
    Dest->Changed();
    return 0;
}

int TMat4D::CopyPixelTo1DArray(TDoubleArray& Dest, int Col, int Row, int TimeSlot) const {
    const int result = PixelCheck(Col, Row, TimeSlot, FNumX, FNumY, FNumT);
    if (result != 0) return result;
    Dest.resize(static_cast<size_t>(FNumZ));
    for (int z = 1; z <= FNumZ; ++z) Dest[z - 1] = FData[Index(Col, Row, z, TimeSlot)];
    return 0;
}

int TMat4D::CopyVectorToPixel(const TVector* Src, int Col, int Row, int FirstLayer,
                              int TimeSlot) {
    if (Src == nullptr) return -1;
    const auto cells = Src->Cells();
    return Copy1DArrayToPixel(TDoubleArray(cells.begin(), cells.begin() + Src->NrOfElem()), Col,
                              Row, FirstLayer, TimeSlot);
}

int TMat4D::Copy1DArrayToPixel(const TDoubleArray& Src, int Col, int Row, int FirstLayer,
                               int TimeSlot) {
    int result = 0;
    if (Col < 1 || Col > FNumX) result = -1;
    if (Row < 1 || Row > FNumY) result = -2;
    if (FirstLayer < 1 || FirstLayer > FNumZ) result = -3;
    if (TimeSlot < 1 || TimeSlot > FNumT) result = -4;
    if (result != 0) return result;
    for (size_t e = 0; e < Src.size() && FirstLayer + static_cast<int64_t>(e) <= FNumZ; ++e)
        FData[Index(Col, Row, FirstLayer + static_cast<int>(e), TimeSlot)] = Src[e];
    return 0;
}

// --- TMatrix from a layer of a TMat3D ----------------------------------------------------------

void TMatrix::CopyFrom(const TMat3D* MatSource, int SourceColLo, int SourceRowLo, int SourceColHi,
                       int SourceRowHi, int SourceLayer, int DestCol, int DestRow) {
    if (MatSource == nullptr) return;
    const int layer = std::clamp(SourceLayer, 1, MatSource->NrOfLayers());
    CopyRectangle(
        MatSource->NrOfColumns(), MatSource->NrOfRows(),
        [&](int c, int r) { return MatSource->GetVal(c, r, layer); }, SourceColLo, SourceRowLo,
        SourceColHi, SourceRowHi, DestCol, DestRow);
}

// --- free copy routines ------------------------------------------------------------------------

namespace matrix {

void CopyArr3DLayerToMatrix(const TDouble3DArray& A, TMatrix& M, int LowCol, int HighCol,
                            int LowRow, int HighRow, int Layer) {
    const int nc = std::max(0, HighCol - LowCol + 1);
    const int nr = std::max(0, HighRow - LowRow + 1);
    M.Resize(nc, nr);
    for (int i = 0; i < nc; ++i)
        for (int j = 0; j < nr; ++j)
            M.SetVal(i + 1, j + 1, ArrayCell(A, int64_t{LowCol} + i, int64_t{LowRow} + j, Layer));
}

void CopyArr3DLayerToArr2D(const TDouble3DArray& A, TDouble2DArray& D, int LowCol, int HighCol,
                           int LowRow, int HighRow, int Layer) {
    const int nc = std::max(0, HighCol - LowCol + 1);
    const int nr = std::max(0, HighRow - LowRow + 1);
    D.assign(static_cast<size_t>(nc), TDoubleArray(static_cast<size_t>(nr)));
    for (int i = 0; i < nc; ++i)
        for (int j = 0; j < nr; ++j)
            D[i][j] = ArrayCell(A, int64_t{LowCol} + i, int64_t{LowRow} + j, Layer);
}

void CopyMatrixToArray(const TMatrix& M, TDouble2DArray& D, int LowCol, int HighCol, int LowRow,
                       int HighRow) {
    const int nc = std::max(0, HighCol - LowCol + 1);
    const int nr = std::max(0, HighRow - LowRow + 1);
    D.assign(static_cast<size_t>(nc), TDoubleArray(static_cast<size_t>(nr)));
    for (int i = 0; i < nc; ++i)
        for (int j = 0; j < nr; ++j) {
            const int64_t c = int64_t{LowCol} + i, r = int64_t{LowRow} + j;
            const bool inside = c >= 1 && c <= M.NrOfColumns() && r >= 1 && r <= M.NrOfRows();
            D[i][j] = inside ? M.GetVal(static_cast<int>(c), static_cast<int>(r)) : 0.0;
        }
}

}  // namespace matrix

}  // namespace ozm
