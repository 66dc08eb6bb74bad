// TKohonen: construction, parameters, the grid and the training data.
//
// Every change of structure (grid, inputs, data) builds the new weights, data matrix and
// vectors aside and swaps them in only when all of them could be allocated, so a failed
// allocation leaves the map as it was.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "ozm/kohonen.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/component_error.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

namespace ozm {

namespace {

constexpr std::string_view kMsgTrainingRunning = ": training is already running";
constexpr std::string_view kMsgNoColumns = ": training data without columns";

// Runs Make and turns a failed allocation, also one the matrix or vector classes report with
// their own error, into the map's heap message.
template <typename F>
auto Allocate(const TComponent& Owner, F&& Make) {
    try {
        return GuardAllocation<EOZMKohonenError>(Owner, std::forward<F>(Make));
    } catch (const EOZMMatrixError&) {
        RaiseComponentError<EOZMKohonenError>(Owner, kMsgNoMemoryOnHeap);
    } catch (const EOZMVectorError&) {
        RaiseComponentError<EOZMKohonenError>(Owner, kMsgNoMemoryOnHeap);
    }
}

std::unique_ptr<TVector> FilledVector(int n, double Value) {
    auto v = std::make_unique<TVector>();
    v->Resize(n);
    for (double& x : v->Cells()) x = Value;
    return v;
}

}  // namespace

TKohonen::TKohonen(TComponent* AOwner) : TComponent(AOwner) {
    FKohMat = NewWeights(1, 1, 1);
    FMeanVec = FilledVector(1, 0.0);
    FStdDevVec = FilledVector(1, 1.0);
    FDataMat = std::make_unique<TMatrix>();
    SetWeigtsToRandom();
}

TKohonen::~TKohonen() = default;

void TKohonen::RaiseError(std::string_view Detail) const {
    RaiseComponentError<EOZMKohonenError>(*this, Detail);
}

void TKohonen::RequireIdle() const {
    if (FTraining) RaiseError(kMsgTrainingRunning);
}

std::unique_ptr<TMat3D> TKohonen::NewWeights(int Sx, int Sy, int Nin) const {
    return Allocate(*this, [&] {
        // A grid beyond the machine's memory is refused before the pages are touched.
        const size_t cells = static_cast<size_t>(Sx) * static_cast<size_t>(Sy);
        if (static_cast<size_t>(Nin) > SIZE_MAX / sizeof(double) / cells) throw std::bad_alloc();
        CheckStorageRequest(cells * static_cast<size_t>(Nin) * sizeof(double));
        auto w = std::make_unique<TMat3D>();
        w->Resize(Sx, Sy, Nin);
        w->Fill(0.0);
        return w;
    });
}

void TKohonen::SetInitialNeighbors(int Value) noexcept {
    if (Value >= 0) FMaxNeighb = Value;
}

void TKohonen::SetNrOfTrnSteps(int Value) noexcept {
    if (Value > 0) FMaxSteps = Value;
}

void TKohonen::SetInitialAlpha(double Value) noexcept {
    if (std::isfinite(Value)) FMaxAlpha = Value;
}

void TKohonen::SetSizeX(int Value) {
    if (Value <= 0) return;
    RequireIdle();
    FKohMat = NewWeights(Value, FSizeY, FNrInSens);
    FSizeX = Value;
}

void TKohonen::SetSizeY(int Value) {
    if (Value <= 0) return;
    RequireIdle();
    FKohMat = NewWeights(FSizeX, Value, FNrInSens);
    FSizeY = Value;
}

void TKohonen::SetNumInsens(int n) {
    if (n <= 0) return;
    RequireIdle();
    auto weights = NewWeights(FSizeX, FSizeY, n);
    auto data = Allocate(*this, [&] {
        auto m = std::make_unique<TMatrix>();
        m->Resize(n, FNrTrnObj);
        return m;
    });
    auto means = Allocate(*this, [&] { return FilledVector(n, 0.0); });
    auto sds = Allocate(*this, [&] { return FilledVector(n, 1.0); });
    FKohMat = std::move(weights);
    FDataMat = std::move(data);
    FMeanVec = std::move(means);
    FStdDevVec = std::move(sds);
    FNrInSens = n;
}

void TKohonen::SetDataMat(const TMatrix& Value) {
    RequireIdle();
    const int cols = Value.NrOfColumns();
    const int rows = Value.NrOfRows();
    if (cols < 1) RaiseError(kMsgNoColumns);
    auto weights = NewWeights(FSizeX, FSizeY, cols);
    auto data = Allocate(*this, [&] {
        auto m = std::make_unique<TMatrix>();
        m->Resize(cols, rows);
        const size_t cells = static_cast<size_t>(cols) * static_cast<size_t>(rows);
        if (cells > 0) std::memcpy(m->Data(), Value.Data(), cells * sizeof(double));
        return m;
    });
    auto means = Allocate(*this, [&] { return FilledVector(cols, 0.0); });
    auto sds = Allocate(*this, [&] { return FilledVector(cols, 1.0); });
    FKohMat = std::move(weights);
    FDataMat = std::move(data);
    FMeanVec = std::move(means);
    FStdDevVec = std::move(sds);
    FNrInSens = cols;
    FNrTrnObj = rows;
}

void TKohonen::StandardizeData() {
    RequireIdle();
    Allocate(*this, [&] {
        FDataMat->StandardizeColumns(FMeanVec.get(), FStdDevVec.get());
        return 0;
    });
    // A constant column keeps its values in the matrix routine; ApplyIt compares x - mean for
    // such an input, so the data are centred to live in the same units.
    const size_t rows = static_cast<size_t>(FNrTrnObj);
    for (int k = 1; k <= FNrInSens; ++k) {
        if (FStdDevVec->GetVal(k) != 0.0) continue;
        const double mean = FMeanVec->GetVal(k);
        double* col = FDataMat->Data() + static_cast<size_t>(k - 1) * rows;
        for (size_t r = 0; r < rows; ++r) col[r] -= mean;
    }
}

void TKohonen::SetWeigtsToRandom() {
    double* w = FKohMat->Data();
    const size_t n =
        static_cast<size_t>(FSizeX) * static_cast<size_t>(FSizeY) * static_cast<size_t>(FNrInSens);
    for (size_t i = 0; i < n; ++i) w[i] = (Random() - 0.5) * 0.2;
}

void TKohonen::DoFeedback(int Percent) {
    if (OnFeedback) OnFeedback(this, Percent);
}

double TKohonen::GetWeight(int ix, int iy, int wi) const noexcept {
    if (ix < 1 || ix > FSizeX || iy < 1 || iy > FSizeY || wi < 1 || wi > FNrInSens) return 0.0;
    return FKohMat->GetVal(ix, iy, wi) * FStdDevVec->GetVal(wi) + FMeanVec->GetVal(wi);
}

}  // namespace ozm
