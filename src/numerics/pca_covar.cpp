// CalcCovar: covariance-type matrices of the columns of a data matrix.
//
// The observations are processed in chunks of rows held in cache: each chunk is copied (centred
// where the mode needs it) and its cross products are added to a p x p accumulator, for the cross
// product modes by the blocked matrix product of the matrices layer. The data are so read once,
// whatever the number of variables. The progress protocol (m added per pair, row by row of the
// result, with the abort test before each row) is emitted in proportion to the chunks done, so a
// caller sees the same sequence of calls as a row-by-row computation would give, spread over the
// real running time.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "matrices/matrix_gemm.hpp"
#include "numerics/lsq_internal.hpp"
#include "ozm/frame.hpp"
#include "ozm/math2/pca.hpp"

namespace ozm::math2 {

namespace {

// The pair steps of the result rows: before the first pair of row i the abort flag is tested;
// every pair adds m to ProcStat and calls MathFeedBackProc.
class TPairSteps {
public:
    TPairSteps(int p, double m) : p_(p), m_(m) {}

    int64_t Total() const noexcept { return int64_t{p_} * (p_ + 1) / 2; }

    // Emits steps until Done of them have been emitted; false when the abort test failed.
    bool EmitUpTo(int64_t Done) {
        while (emitted_ < Done) {
            if (j_ == 0 && progress::AbortRequested()) return false;
            const double stat = ProcStat.fetch_add(m_) + m_;
            if (MathFeedBackProc) MathFeedBackProc(stat);
            ++emitted_;
            if (++j_ > i_) {
                ++i_;
                j_ = 0;
            }
        }
        return true;
    }

private:
    int p_;
    double m_;
    int i_ = 0;
    int j_ = 0;
    int64_t emitted_ = 0;
};

// Adds the sums over one chunk of k observations (column-major, k rows x p columns) to the lower
// triangle of Acc (p x p, column-major): sum (x_i - x_j)^2.
void AddSquaredDifferences(const double* chunk, int k, int p, double* acc) {
    for (int j = 0; j < p; ++j) {
        const double* cj = chunk + static_cast<size_t>(j) * k;
        for (int i = j + 1; i < p; ++i) {
            const double* ci = chunk + static_cast<size_t>(i) * k;
            double s0 = 0.0, s1 = 0.0;
            int r = 0;
            for (; r + 2 <= k; r += 2) {
                const double d0 = ci[r] - cj[r];
                const double d1 = ci[r + 1] - cj[r + 1];
                s0 += d0 * d0;
                s1 += d1 * d1;
            }
            for (; r < k; ++r) {
                const double d = ci[r] - cj[r];
                s0 += d * d;
            }
            acc[static_cast<size_t>(j) * p + i] += s0 + s1;
        }
    }
}

}  // namespace

bool CalcCovar(const TMatrix& InMat, TMatrix& OutMat, int LowCol, int HighCol, int LowRow,
               int HighRow, int Mode) {
    return detail::GuardMemory("CalcCovar", [&]() -> bool {
        AbortMathProc.store(false);
        InMat.MakeValidColRange(LowCol, HighCol);
        InMat.MakeValidRowRange(LowRow, HighRow);
        const int p = HighCol - LowCol + 1;
        const int m = HighRow - LowRow + 1;
        if (p < 1 || OutMat.NrOfColumns() < p || OutMat.NrOfRows() < p) return false;
        if (m < 2) return false;

        const double* data = InMat.Data();
        const size_t ld = static_cast<size_t>(InMat.NrOfRows());
        auto cell = [&](int c, int r) {  // 0-based within the range
            return data[static_cast<size_t>(LowCol - 1 + c) * ld +
                        static_cast<size_t>(LowRow - 1 + r)];
        };

        // Means pass: one progress step per observation (modes > 0).
        std::vector<double> mean(static_cast<size_t>(p), 0.0);
        if (Mode > 0) {
            for (int r = 0; r < m; ++r) {
                for (int c = 0; c < p; ++c) mean[static_cast<size_t>(c)] += cell(c, r);
                progress::StepDone();
            }
            for (double& x : mean) x /= m;
        }
        const bool centred = Mode >= kCovarCovariance && Mode <= kCovarSqrCorrelation;
        const bool computes = Mode >= kCovarCrossProducts && Mode <= kCovarMeanSqrDiff;

        std::vector<double> acc(static_cast<size_t>(p) * p, 0.0);
        TPairSteps steps(p, static_cast<double>(m));
        const int chunkRows = std::clamp((1 << 18) / p, 256, 1 << 16);
        const int chunks = (m + chunkRows - 1) / chunkRows;
        std::vector<double> chunk;
        if (computes) chunk.resize(static_cast<size_t>(std::min(chunkRows, m)) * p);
        for (int ch = 0; ch < chunks; ++ch) {
            if (computes) {
                const int r0 = ch * chunkRows;
                const int k = std::min(chunkRows, m - r0);
                for (int c = 0; c < p; ++c) {
                    const double* src = data + static_cast<size_t>(LowCol - 1 + c) * ld +
                                        static_cast<size_t>(LowRow - 1 + r0);
                    double* dst = chunk.data() + static_cast<size_t>(c) * k;
                    const double mu = centred ? mean[static_cast<size_t>(c)] : 0.0;
                    for (int r = 0; r < k; ++r) dst[r] = src[r] - mu;
                }
                if (Mode == kCovarMeanSqrDiff) {
                    AddSquaredDifferences(chunk.data(), k, p, acc.data());
                } else {
                    const matrix::detail::TOperand a{chunk.data(), k, 1};  // chunk^T
                    const matrix::detail::TOperand b{chunk.data(), 1, k};  // chunk
                    matrix::detail::GemmAccumulate(p, p, k, a, b, acc.data(), p);
                }
            }
            if (!steps.EmitUpTo(steps.Total() * (ch + 1) / chunks)) return false;
        }

        const double scale = 1.0 / (m - 1);
        for (double& x : acc) x *= scale;
        auto at = [&](int i, int j) -> double& {
            return acc[static_cast<size_t>(std::min(i, j)) * p + std::max(i, j)];
        };
        std::vector<double> sd(static_cast<size_t>(p));
        for (int i = 0; i < p; ++i) sd[static_cast<size_t>(i)] = std::sqrt(at(i, i));

        double* out = OutMat.Data();
        const size_t ldo = static_cast<size_t>(OutMat.NrOfRows());
        for (int i = 0; i < p; ++i) {
            for (int j = 0; j <= i; ++j) {
                double v = 0.0;
                if (computes) {
                    v = at(i, j);
                    if (Mode == kCovarCorrelation || Mode == kCovarSqrCorrelation) {
                        double root = sd[static_cast<size_t>(i)] * sd[static_cast<size_t>(j)];
                        if (root == 0.0) root = 1e-38;
                        v /= root;
                        if (Mode == kCovarSqrCorrelation)
                            v *= v;
                        else if (i == j)
                            v = 1.0;
                    }
                }
                out[static_cast<size_t>(j) * ldo + i] = v;
                out[static_cast<size_t>(i) * ldo + j] = v;
            }
        }
        OutMat.Changed();
        return true;
    });
}

}  // namespace ozm::math2
