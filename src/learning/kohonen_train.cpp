// TKohonen: training, mapping and the two error measures.
//
// Layout. TMat3D keeps one layer per input variable, x fastest inside it. The kernels below work
// on a copy in which each layer holds the neurons in the order of the winner search (x
// outermost, y inside): the distance pass then runs over contiguous memory per input and
// vectorises across neurons, while every neuron still sums its squared differences input by
// input in their order (so the result is the plain sequential sum), and the first minimum in
// search order is the first minimum in memory. The copy is refreshed from the map before each
// training step and written back after it, so OnFeedback handlers see the weights of the step
// just trained and changes they make take effect in the next step.
#include <algorithm>
#include <cmath>
#include <vector>

#include "learning/kohonen_kernels.hpp"
#include "ozm/kohonen.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/component_error.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/vector.hpp"

namespace ozm {

namespace {

constexpr std::string_view kMsgInputMismatch = ": input vector does not match the number of inputs";

// The neurons of an Sx x Sy grid in search order: neuron n is (x, y) = (n / Sy, n % Sy), 0-based.
struct TGrid {
    size_t Sx;
    size_t Sy;
    size_t N() const noexcept { return Sx * Sy; }
};

// Search-order copy of Weights (Nin layers of N neurons each).
void ToSearchOrder(const TMat3D& Weights, const TGrid& G, size_t Nin, std::vector<double>& Out) {
    const size_t n = G.N();
    Out.resize(n * Nin);
    const double* src = Weights.Data();
    for (size_t k = 0; k < Nin; ++k) {
        const double* layer = src + k * n;  // x fastest
        double* dst = Out.data() + k * n;   // y fastest
        for (size_t y = 0; y < G.Sy; ++y)
            for (size_t x = 0; x < G.Sx; ++x) dst[x * G.Sy + y] = layer[y * G.Sx + x];
    }
}

void FromSearchOrder(const std::vector<double>& In, const TGrid& G, size_t Nin, TMat3D& Weights) {
    const size_t n = G.N();
    double* dst = Weights.Data();
    for (size_t k = 0; k < Nin; ++k) {
        const double* src = In.data() + k * n;
        double* layer = dst + k * n;
        for (size_t y = 0; y < G.Sy; ++y)
            for (size_t x = 0; x < G.Sx; ++x) layer[y * G.Sx + x] = src[x * G.Sy + y];
    }
}

using kohonen::detail::SquaredDistances;

size_t Winner(const double* Dist, size_t N) noexcept {
    return kohonen::detail::FirstMinimum(Dist, N);
}

// The first neuron of smallest distance among all but Best; N when there is no other.
size_t RunnerUp(const double* Dist, size_t N, size_t Best) noexcept {
    size_t second = N;
    double dmin = 0.0;
    for (size_t n = 0; n < N; ++n) {
        if (n == Best) continue;
        if (second == N || Dist[n] < dmin) {
            dmin = Dist[n];
            second = n;
        }
    }
    return second;
}

// Window extent [first, last] along one axis of Size neurons around W; Wrap cycles it.
struct TSpan {
    int64_t First;
    int64_t Last;
};

TSpan WindowSpan(int64_t W, int64_t Radius, int64_t Size, bool Wrap) noexcept {
    if (Wrap) return {W - Radius, W + Radius};  // Radius < Size / 2: no neuron twice
    return {std::max<int64_t>(W - Radius, 0), std::min<int64_t>(W + Radius, Size - 1)};
}

int64_t Wrapped(int64_t i, int64_t Size) noexcept {
    if (i < 0) return i + Size;
    if (i >= Size) return i - Size;
    return i;
}

// One training step: every row of Data (column-major, Rows x Nin) presented in order.
void TrainStep(std::vector<double>& Weights, const TGrid& G, size_t Nin, const double* Data,
               size_t Rows, int64_t Radius, bool Cyclic, double Alpha, std::vector<double>& Dist,
               std::vector<double>& Row) {
    const size_t n = G.N();
    const int64_t sx = static_cast<int64_t>(G.Sx);
    const int64_t sy = static_cast<int64_t>(G.Sy);
    int64_t rx = std::min(Radius, sx);
    int64_t ry = std::min(Radius, sy);
    if (Cyclic) {
        rx = std::max<int64_t>(0, std::min(Radius, sx / 2 - 1));
        ry = std::max<int64_t>(0, std::min(Radius, sy / 2 - 1));
    }
    double* w = Weights.data();
    for (size_t i = 0; i < Rows; ++i) {
        for (size_t k = 0; k < Nin; ++k) Row[k] = Data[k * Rows + i];
        SquaredDistances(w, n, Nin, Row.data(), Dist.data());
        const size_t best = Winner(Dist.data(), n);
        const double dmin = Dist[best];
        const int64_t xw = static_cast<int64_t>(best / G.Sy);
        const int64_t yw = static_cast<int64_t>(best % G.Sy);
        const TSpan xs = WindowSpan(xw, rx, sx, Cyclic);
        const TSpan ys = WindowSpan(yw, ry, sy, Cyclic);
        for (int64_t xi = xs.First; xi <= xs.Last; ++xi) {
            const size_t x = static_cast<size_t>(Wrapped(xi, sx));
            for (int64_t yi = ys.First; yi <= ys.Last; ++yi) {
                const size_t c = x * G.Sy + static_cast<size_t>(Wrapped(yi, sy));
                const double h = Alpha / (1.0 + std::sqrt(Dist[c] - dmin));
                double* wc = w + c;
                for (size_t k = 0; k < Nin; ++k) {
                    const double v = wc[k * n];
                    wc[k * n] = v + (Row[k] - v) * h;
                }
            }
        }
    }
}

}  // namespace

void TKohonen::ContinueTraining() {
    RequireIdle();
    FAbort.store(false, std::memory_order_release);
    struct TRunning {
        bool& Flag;
        std::atomic<bool>& Abort;
        ~TRunning() {
            Flag = false;
            Abort.store(false, std::memory_order_release);
        }
    } running{FTraining, FAbort};
    FTraining = true;

    std::vector<double> weights;
    std::vector<double> dist;
    std::vector<double> row;
    int t = std::max(FCurStep, 1);
    while (t < FMaxSteps) {
        FCurStep = t;
        const double a = static_cast<double>(FMaxSteps - t) / static_cast<double>(FMaxSteps);
        const double a2 = a * a;
        FCurNeighb = static_cast<int>(Round(a2 * (static_cast<double>(FMaxNeighb) - 1.0) + 1.0));
        FCurAlpha = a2 * FMaxAlpha;

        const TGrid grid{static_cast<size_t>(FSizeX), static_cast<size_t>(FSizeY)};
        const size_t nin = static_cast<size_t>(FNrInSens);
        GuardAllocation<EOZMKohonenError>(*this, [&] {
            ToSearchOrder(*FKohMat, grid, nin, weights);
            dist.resize(grid.N());
            row.resize(nin);
            return 0;
        });
        TrainStep(weights, grid, nin, FDataMat->Data(), static_cast<size_t>(FNrTrnObj),
                  std::max(FCurNeighb, 0), FCyclic, FCurAlpha, dist, row);
        FromSearchOrder(weights, grid, nin, *FKohMat);

        DoFeedback(static_cast<int>(
            Round(static_cast<double>(t) * 100.0 / static_cast<double>(FMaxSteps))));
        ++t;
        FCurStep = t;
        if (FAbort.load(std::memory_order_acquire)) break;
    }
}

void TKohonen::Trainit() {
    RequireIdle();
    FCurStep = 1;
    SetWeigtsToRandom();
    ContinueTraining();
}

template <typename F>
void TKohonen::ForEachTrainingRow(F&& Visit) const {
    const TGrid grid{static_cast<size_t>(FSizeX), static_cast<size_t>(FSizeY)};
    const size_t nin = static_cast<size_t>(FNrInSens);
    const size_t rows = static_cast<size_t>(FNrTrnObj);
    std::vector<double> weights, dist, row;
    GuardAllocation<EOZMKohonenError>(*this, [&] {
        ToSearchOrder(*FKohMat, grid, nin, weights);
        dist.resize(grid.N());
        row.resize(nin);
        return 0;
    });
    const double* data = FDataMat->Data();
    for (size_t i = 0; i < rows; ++i) {
        for (size_t k = 0; k < nin; ++k) row[k] = data[k * rows + i];
        SquaredDistances(weights.data(), grid.N(), nin, row.data(), dist.data());
        Visit(grid, dist.data());
    }
}

double TKohonen::QuantizationError() const {
    if (FNrTrnObj <= 0) return 0.0;
    double sum = 0.0;
    ForEachTrainingRow(
        [&](const TGrid& G, const double* Dist) { sum += std::sqrt(Dist[Winner(Dist, G.N())]); });
    return sum / static_cast<double>(FNrTrnObj);
}

double TKohonen::TopographicError() const {
    if (FNrTrnObj <= 0 || static_cast<int64_t>(FSizeX) * FSizeY < 2) return 0.0;
    int64_t errors = 0;
    const bool cyclic = FCyclic;
    ForEachTrainingRow([&](const TGrid& G, const double* Dist) {
        const size_t best = Winner(Dist, G.N());
        const size_t second = RunnerUp(Dist, G.N(), best);
        auto apart = [cyclic](size_t a, size_t b, size_t size) {
            const size_t d = a > b ? a - b : b - a;
            return cyclic ? std::min(d, size - d) : d;
        };
        const size_t dx = apart(best / G.Sy, second / G.Sy, G.Sx);
        const size_t dy = apart(best % G.Sy, second % G.Sy, G.Sy);
        if (dx > 1 || dy > 1) ++errors;
    });
    return static_cast<double>(errors) / static_cast<double>(FNrTrnObj);
}

void TKohonen::ApplyIt(const TVector& InData, int& BestIx, int& BestIy, double& Distance) const {
    if (InData.NrOfElem() != FNrInSens)
        RaiseComponentError<EOZMKohonenError>(*this, kMsgInputMismatch);
    const size_t sx = static_cast<size_t>(FSizeX), sy = static_cast<size_t>(FSizeY);
    const size_t nin = static_cast<size_t>(FNrInSens);
    std::vector<double> dist, row;
    GuardAllocation<EOZMKohonenError>(*this, [&] {
        dist.resize(sx * sy);
        row.resize(nin);
        return 0;
    });
    for (size_t k = 0; k < nin; ++k) {
        const int e = static_cast<int>(k) + 1;
        const double sd = FStdDevVec->GetVal(e);
        const double centred = InData.GetVal(e) - FMeanVec->GetVal(e);
        row[k] = sd != 0.0 ? centred / sd : centred;
    }
    // One mapping: the distances in the storage order of the weights (x fastest), no copy.
    SquaredDistances(FKohMat->Data(), sx * sy, nin, row.data(), dist.data());
    // Strictly smaller than the best so far, starting from the largest double.
    double best = uc_MaxDouble;
    Distance = best;
    for (size_t x = 0; x < sx; ++x)
        for (size_t y = 0; y < sy; ++y) {
            const double d = dist[y * sx + x];
            if (d < best) {
                best = d;
                Distance = d;
                BestIx = static_cast<int>(x) + 1;
                BestIy = static_cast<int>(y) + 1;
            }
        }
}

}  // namespace ozm
