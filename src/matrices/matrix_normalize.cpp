// TMatrix: standardisation, quantile normalisation and centring of columns and rows.
//
// Each routine works line by line (a column or a row): the line is gathered into a work array,
// its statistics are taken there and the transformed values written back. The column and row
// variants share one implementation over a line accessor.
#include <cmath>

#include "matrices/matrix_internal.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm {

using matrix::detail::MeanVarOf;
using matrix::detail::SelectPercentile;

namespace {

// Line k (1-based) of a column-major matrix: a column (stride 1) or a row (stride rows).
struct TLines {
    double* data;
    int cols;
    int rows;
    bool perColumn;

    int Count() const noexcept { return perColumn ? cols : rows; }
    int Length() const noexcept { return perColumn ? rows : cols; }
    double* Start(int k) const noexcept {
        return perColumn ? data + static_cast<size_t>(k - 1) * rows : data + (k - 1);
    }
    size_t Stride() const noexcept { return perColumn ? 1 : static_cast<size_t>(rows); }

    void Gather(int k, std::vector<double>& out) const {
        const double* p = Start(k);
        const size_t stride = Stride();
        for (size_t i = 0; i < out.size(); ++i) out[i] = p[i * stride];
    }
    // x := (x - shift) / scale along line k.
    void ShiftScale(int k, double shift, double scale) const {
        double* p = Start(k);
        const size_t stride = Stride();
        const size_t n = static_cast<size_t>(Length());
        for (size_t i = 0; i < n; ++i) p[i * stride] = (p[i * stride] - shift) / scale;
    }
    void Shift(int k, double shift) const {
        double* p = Start(k);
        const size_t stride = Stride();
        const size_t n = static_cast<size_t>(Length());
        for (size_t i = 0; i < n; ++i) p[i * stride] -= shift;
    }
};

}  // namespace

void TMatrix::Standardize(bool PerColumn, TVector* Means, TVector* StdDevs) {
    const TLines lines{FData.data(), FNCol, FNRow, PerColumn};
    std::vector<double> line = Guarded([&] { return std::vector<double>(lines.Length()); });
    for (int k = 1; k <= lines.Count(); ++k) {
        lines.Gather(k, line);
        double mean = 0.0, variance = 0.0;
        MeanVarOf(line, mean, variance);
        const double sd = std::sqrt(variance);
        if (variance > 0.0) lines.ShiftScale(k, mean, sd);
        if (Means != nullptr) Means->SetVal(k, mean);
        if (StdDevs != nullptr) StdDevs->SetVal(k, sd);
    }
    Changed();
}

void TMatrix::QNormalize(bool PerColumn, double RefQuant, TVector* Medians, TVector* QuantDiffs) {
    const TLines lines{FData.data(), FNCol, FNRow, PerColumn};
    std::vector<double> line = Guarded([&] { return std::vector<double>(lines.Length()); });
    for (int k = 1; k <= lines.Count(); ++k) {
        lines.Gather(k, line);
        const double median = SelectPercentile(line, 50.0);
        const double q = SelectPercentile(line, RefQuant);
        const double d = std::fabs(median - q);
        if (d > 0.0) lines.ShiftScale(k, median, d);
        if (Medians != nullptr) Medians->SetVal(k, median);
        if (QuantDiffs != nullptr) QuantDiffs->SetVal(k, d);
    }
    Changed();
}

void TMatrix::MeanCenter(bool PerColumn, TVector* Means) {
    const TLines lines{FData.data(), FNCol, FNRow, PerColumn};
    if (Means != nullptr) Means->SetVecSize(lines.Count());
    std::vector<double> line = Guarded([&] { return std::vector<double>(lines.Length()); });
    for (int k = 1; k <= lines.Count(); ++k) {
        if (line.empty()) {
            // A line without cells has no mean to subtract.
            if (Means != nullptr) Means->SetVal(k, 0.0);
            continue;
        }
        lines.Gather(k, line);
        double sum = 0.0;
        for (double x : line) sum += x;
        const double mean = sum / static_cast<double>(line.size());
        lines.Shift(k, mean);
        if (Means != nullptr) Means->SetVal(k, mean);
    }
    Changed();
}

void TMatrix::StandardizeColumns(TVector* Means, TVector* StdDevs) { Standardize(true, Means, StdDevs); }
void TMatrix::StandardizeRows(TVector* Means, TVector* StdDevs) { Standardize(false, Means, StdDevs); }

void TMatrix::QNormalizeColumns(double RefQuant, TVector* Medians, TVector* QuantDiffs) {
    QNormalize(true, RefQuant, Medians, QuantDiffs);
}
void TMatrix::QNormalizeRows(double RefQuant, TVector* Medians, TVector* QuantDiffs) {
    QNormalize(false, RefQuant, Medians, QuantDiffs);
}

void TMatrix::MeanCenterColumns(TVector* Means) { MeanCenter(true, Means); }
void TMatrix::MeanCenterRows(TVector* Means) { MeanCenter(false, Means); }

}  // namespace ozm
