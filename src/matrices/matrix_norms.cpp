// TMatrix: norms, the hat matrix of least squares and differencing along the rows.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "matrices/matrix_gemm.hpp"
#include "ozm/matrix.hpp"

namespace ozm {

using matrix::detail::GemmAccumulate;
using matrix::detail::TOperand;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Largest of the sums, NaN when one of them is NaN.
double LargestSum(const std::vector<double>& sums) {
    double best = 0.0;
    for (double s : sums) {
        if (std::isnan(s)) return kNaN;
        if (s > best) best = s;
    }
    return best;
}

}  // namespace

double TMatrix::Norm(TNormType nt) const {
    const size_t count = CellCount();
    if (count == 0) return 0.0;
    const double* a = FData.data();
    switch (nt) {
        case TNormType::ntColwise: {
            std::vector<double> sums = Guarded([&] { return std::vector<double>(FNCol, 0.0); });
            for (int c = 1; c <= FNCol; ++c) {
                const double* col = Column(c);
                double s = 0.0;
                for (int r = 0; r < FNRow; ++r) s += std::fabs(col[r]);
                sums[c - 1] = s;
            }
            return LargestSum(sums);
        }
        case TNormType::ntRowwise: {
            std::vector<double> sums = Guarded([&] { return std::vector<double>(FNRow, 0.0); });
            for (int c = 1; c <= FNCol; ++c) {
                const double* col = Column(c);
                for (int r = 0; r < FNRow; ++r) sums[r] += std::fabs(col[r]);
            }
            return LargestSum(sums);
        }
        case TNormType::ntFrobenius: {
            double sum = 0.0;
            for (size_t i = 0; i < count; ++i) sum += a[i] * a[i];
            if (std::isnan(sum)) return kNaN;
            if (std::isfinite(sum) && (sum == 0.0 ? false : sum >= DBL_MIN / DBL_EPSILON))
                return std::sqrt(sum);
            // The squares overflowed, or may have lost digits below the normal range: scale by
            // the largest magnitude.
            double big = 0.0;
            for (size_t i = 0; i < count; ++i) big = std::max(big, std::fabs(a[i]));
            if (std::isinf(big)) return big;
            double scaled = 0.0;
            for (size_t i = 0; i < count; ++i) {
                const double q = a[i] / big;
                scaled += q * q;
            }
            return big * std::sqrt(scaled);
        }
        case TNormType::ntSpectral: {
            // A wide matrix is decomposed as its transpose (same singular values, fewer columns).
            const bool wide = FNRow < FNCol;
            const int m = wide ? FNCol : FNRow;
            const int n = wide ? FNRow : FNCol;
            std::vector<double> copy = Guarded([&] { return std::vector<double>(count); });
            if (wide) {
                for (int c = 0; c < FNCol; ++c)
                    for (int r = 0; r < FNRow; ++r)
                        copy[static_cast<size_t>(r) * m + c] = a[static_cast<size_t>(c) * FNRow + r];
            } else {
                std::copy_n(a, count, copy.data());
            }
            std::vector<double> w = Guarded([&] { return std::vector<double>(n); });
            bool ok = Guarded([&] { return matrix::DecomposeSVD(copy.data(), m, n, w.data(), nullptr, false); });
            if (!ok) throw EOZMMatrixError("near singular covariance matrix");
            return *std::max_element(w.begin(), w.end());
        }
    }
    return 0.0;
}

bool TMatrix::CalcHatMatrix(TMatrix* HatMat) const {
    if (HatMat == nullptr) return false;
    const int m = FNRow;
    const int n = FNCol;
    const TOperand x{FData.data(), 1, std::max(m, 1)};
    const TOperand xt{FData.data(), std::max(m, 1), 1};
    // P := X^T X, inverted in place.
    TMatrix p;
    p.Resize(n, n);
    Guarded([&] { GemmAccumulate(n, n, m, xt, x, p.FData.data(), std::max(n, 1)); });
    if (!p.Invert()) return false;
    // Q := X P^-1, then HatMat := Q X^T (the work matrix Q is the left operand).
    TMatrix q;
    q.Resize(n, m);
    Guarded([&] {
        GemmAccumulate(m, n, n, x, TOperand{p.FData.data(), 1, std::max(n, 1)}, q.FData.data(),
                       std::max(m, 1));
    });
    return q.MultiplyTransposed(this, HatMat);
}

void TMatrix::Diff(int Order) {
    if (Order < 1 || Order > 10 || Order >= FNRow) return;
    for (int pass = 0; pass < Order; ++pass)
        for (int c = 1; c <= FNCol; ++c) {
            double* col = Column(c);
            for (int r = 0; r + 1 < FNRow; ++r) col[r] = col[r + 1] - col[r];
        }
    Resize(FNCol, FNRow - Order);
}

}  // namespace ozm
