// TIntMatrix: the statistics that the sparse form answers from its entries. A rectangle of n cells
// holding k entries has n - k further cells of value 0; they enter every sum in one term, so the
// results agree with those of the dense form without visiting the empty cells.
#include <vector>

#include "matrices/intmatrix_sparse.hpp"
#include "matrices/matrix_internal.hpp"
#include "ozm/matrix.hpp"

namespace ozm {

using matrix::detail::CorrectSkewKurtForSample;
using matrix::detail::SkewKurtOfMoments;

namespace {

// Sums of the first to fourth powers of the deviations from Mean over the entries' values and
// Zeros cells of 0.
struct TDeviationSums {
    double s1 = 0.0, s2 = 0.0, s3 = 0.0, s4 = 0.0;

    void Add(double d, double times = 1.0) noexcept {
        const double d2 = d * d;
        s1 += times * d;
        s2 += times * d2;
        s3 += times * d2 * d;
        s4 += times * d2 * d2;
    }
};

}  // namespace

void TIntMatrix::MeanVar(int LowCol, int LowRow, int HighCol, int HighRow, double& Mean,
                         double& Variance) const {
    if (!FIsSparse) {
        TMatrixCore::MeanVar(LowCol, LowRow, HighCol, HighRow, Mean, Variance);
        return;
    }
    Mean = 0.0;
    Variance = 0.0;
    std::vector<double> values;
    const int64_t cells = VisitSparseRectangle(LowCol, LowRow, HighCol, HighRow, [&](int32_t v) {
        Guarded([&] { values.push_back(v); });
    });
    if (cells == 0) return;
    const double n = static_cast<double>(cells);
    const double zeros = n - static_cast<double>(values.size());
    double sum = 0.0;
    for (double x : values) sum += x;
    Mean = sum / n;
    if (cells < 3) {
        Variance = 1.0;
        return;
    }
    TDeviationSums d;
    for (double x : values) d.Add(x - Mean);
    d.Add(-Mean, zeros);
    Variance = (d.s2 - d.s1 * d.s1 / n) / (n - 1.0);
    if (Variance < 0.0) Variance = 0.0;
}

void TIntMatrix::SkewKurt(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness,
                          double& Kurtosis) const {
    if (!FIsSparse) {
        TMatrixCore::SkewKurt(LowCol, LowRow, HighCol, HighRow, Skewness, Kurtosis);
        return;
    }
    Skewness = 0.0;
    Kurtosis = 0.0;
    std::vector<double> values;
    const int64_t cells = VisitSparseRectangle(LowCol, LowRow, HighCol, HighRow, [&](int32_t v) {
        Guarded([&] { values.push_back(v); });
    });
    if (cells < 2) return;
    const double n = static_cast<double>(cells);
    double sum = 0.0;
    for (double x : values) sum += x;
    const double mean = sum / n;
    TDeviationSums d;
    for (double x : values) d.Add(x - mean);
    d.Add(-mean, n - static_cast<double>(values.size()));
    SkewKurtOfMoments(n, d.s1, d.s2, d.s3, d.s4, Skewness, Kurtosis);
}

void TIntMatrix::SkewKurtSample(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness,
                                double& Kurtosis) const {
    if (!FIsSparse) {
        TMatrixCore::SkewKurtSample(LowCol, LowRow, HighCol, HighRow, Skewness, Kurtosis);
        return;
    }
    Skewness = 0.0;
    Kurtosis = 0.0;
    if (FNCol < 1 || FNRow < 1) return;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    const double n = static_cast<double>(HighCol - LowCol + 1) * (HighRow - LowRow + 1);
    if (n < 4.0) return;
    SkewKurt(LowCol, LowRow, HighCol, HighRow, Skewness, Kurtosis);
    CorrectSkewKurtForSample(n, Skewness, Kurtosis);
}

void TIntMatrix::MinMax(int LowCol, int LowRow, int HighCol, int HighRow, int32_t& Minimum,
                        int32_t& Maximum) const {
    if (!FIsSparse) {
        TMatrixCore::MinMax(LowCol, LowRow, HighCol, HighRow, Minimum, Maximum);
        return;
    }
    Minimum = TMatrixCellTraits<int32_t>::kMinMaxStartMin;
    Maximum = TMatrixCellTraits<int32_t>::kMinMaxStartMax;
    int64_t entries = 0;
    const auto visit = [&](int32_t v) {
        ++entries;
        if (v < Minimum) Minimum = v;
        if (v > Maximum) Maximum = v;
    };
    const int64_t cells = VisitSparseRectangle(LowCol, LowRow, HighCol, HighRow, visit);
    if (entries < cells) visit(0);  // the cells without entry
}

}  // namespace ozm
