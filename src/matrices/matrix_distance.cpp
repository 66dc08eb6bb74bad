// TMatrix: distances and similarities between rows (objects), the columns being the features.
#include <algorithm>
#include <cmath>

#include "ozm/matrix.hpp"

namespace ozm {

namespace {

// The measure between two rows given as strided sequences of n cells.
double Measure(TDistMode Mode, const double* x, size_t xs, const double* y, size_t ys, int n) {
    double sxy = 0.0, sxx = 0.0, syy = 0.0, sum = 0.0;
    switch (Mode) {
        case TDistMode::dmTanimoto:
        case TDistMode::dmDice:
            for (int i = 0; i < n; ++i) {
                const double a = x[i * xs], b = y[i * ys];
                sxy += a * b;
                sxx += a * a;
                syy += b * b;
            }
            if (Mode == TDistMode::dmTanimoto) return sxy / (sxx + syy - sxy);
            return 2.0 * sxy / (sxx + syy);
        case TDistMode::dmCityBlock:
            for (int i = 0; i < n; ++i) sum += std::fabs(x[i * xs] - y[i * ys]);
            return sum;
        case TDistMode::dmEuclidean:
        case TDistMode::dmSqrEuclidean:
            for (int i = 0; i < n; ++i) {
                const double d = x[i * xs] - y[i * ys];
                sum += d * d;
            }
            return Mode == TDistMode::dmEuclidean ? std::sqrt(sum) : sum;
        default:
            return 0.0;
    }
}

}  // namespace

double TMatrix::DistanceOfObjects(TDistMode Mode, int obj1, int obj2) const {
    if (Mode == TDistMode::dmByEvent) {
        double distance = 0.0;
        if (OnCalcDistance) OnCalcDistance(const_cast<TMatrix*>(this), obj1, obj2, distance);
        return distance;
    }
    // A row outside the matrix reads as zeros.
    static constexpr double kZero = 0.0;
    const bool in1 = obj1 >= 1 && obj1 <= FNRow;
    const bool in2 = obj2 >= 1 && obj2 <= FNRow;
    const double* x = in1 ? Data() + (obj1 - 1) : &kZero;
    const double* y = in2 ? Data() + (obj2 - 1) : &kZero;
    return Measure(Mode, x, in1 ? FNRow : 0, y, in2 ? FNRow : 0, FNCol);
}

int TMatrix::CalcDistMat(TDistMode Mode, TMatrix* DMat) const {
    if (DMat == nullptr || DMat->FNCol != FNRow) return -2;
    if (DMat->FNRow != DMat->FNCol) return -1;
    const int n = FNRow;
    const int features = FNCol;
    std::vector<double> dist = Guarded([&] { return std::vector<double>(static_cast<size_t>(n) * n, 0.0); });
    if (Mode == TDistMode::dmByEvent) {
        for (int i = 1; i <= n; ++i)
            for (int j = i + 1; j <= n; ++j)
                dist[static_cast<size_t>(j - 1) * n + (i - 1)] = dist[static_cast<size_t>(i - 1) * n + (j - 1)] =
                    DistanceOfObjects(Mode, i, j);
    } else {
        // The rows are copied once into contiguous storage, so each pair reads two runs.
        std::vector<double> rows = Guarded([&] { return std::vector<double>(static_cast<size_t>(n) * features); });
        for (int c = 0; c < features; ++c)
            for (int r = 0; r < n; ++r)
                rows[static_cast<size_t>(r) * features + c] = FData[static_cast<size_t>(c) * n + r];
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) {
                const double d = Measure(Mode, rows.data() + static_cast<size_t>(i) * features, 1,
                                         rows.data() + static_cast<size_t>(j) * features, 1, features);
                dist[static_cast<size_t>(j) * n + i] = dist[static_cast<size_t>(i) * n + j] = d;
            }
    }
    // Written as through SetVal: one notification per cell (diagonal and both triangles). The
    // values were computed aside, so DMat may be this matrix.
    if (n > 0) std::copy(dist.begin(), dist.end(), DMat->FData.begin());
    DMat->NotifyEachCell(dist.size());
    return 0;
}

}  // namespace ozm
