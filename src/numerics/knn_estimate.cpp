// Nearest-neighbour search and estimation.
//
// The Euclidean search accumulates the squared distances of a block of rows column by column
// (contiguous reads of the column-major cells), then feeds them to a fixed-length sorted list.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "ozm/base/constants.hpp"
#include "ozm/math2/knn.hpp"
#include "ozm/math2/lsq.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::math2 {

namespace {

constexpr int kMaxNeighbours = 100;
constexpr int kBlock = 1024;

// A sorted list of the smallest distances: an item goes before the first entry that is not
// smaller, so among equal distances the later row comes first.
class TTopList {
public:
    explicit TTopList(int k)
        : dist_(static_cast<size_t>(k), uc_MaxReal), row_(static_cast<size_t>(k), 0) {}

    void Offer(double d, int row) {
        const size_t k = dist_.size();
        if (!(d <= dist_[k - 1])) return;  // also drops NaN
        size_t pos = std::lower_bound(dist_.begin(), dist_.end(), d) - dist_.begin();
        for (size_t j = k - 1; j > pos; --j) {
            dist_[j] = dist_[j - 1];
            row_[j] = row_[j - 1];
        }
        dist_[pos] = d;
        row_[pos] = row;
    }
    double Dist(int r) const { return dist_[static_cast<size_t>(r)]; }
    int Row(int r) const { return row_[static_cast<size_t>(r)]; }

private:
    std::vector<double> dist_;
    std::vector<int> row_;
};

}  // namespace

void FindNearestNeighbors(int k, const TMatrix& DataMat, int FirstRow, int LastRow,
                          const TVector& Target, TMatrix& NbList, const TKnnDistFunc& DistFunc) {
    const int rows = DataMat.NrOfRows();
    k = std::min({k, kMaxNeighbours, rows});
    if (k < 1) return;
    if (FirstRow == 0 && LastRow == 0) {
        FirstRow = 1;
        LastRow = rows;
    }
    FirstRow = std::clamp(FirstRow, 1, rows);
    LastRow = std::clamp(LastRow, 1, rows);
    if (FirstRow > LastRow) std::swap(FirstRow, LastRow);
    TTopList top(k);
    if (DistFunc) {
        for (int r = FirstRow; r <= LastRow; ++r) top.Offer(DistFunc(r), r);
    } else {
        const int p = DataMat.NrOfColumns();
        const int nt = Target.NrOfElem();
        const int pc = std::min(p, nt);
        double extra = 0;  // target elements beyond the columns meet zeros
        for (int c = pc + 1; c <= nt; ++c) extra += Target.GetVal(c) * Target.GetVal(c);
        const double* data = DataMat.Data();
        std::vector<double> acc(kBlock);
        for (int r0 = FirstRow; r0 <= LastRow; r0 += kBlock) {
            const int m = std::min(kBlock, LastRow - r0 + 1);
            std::fill(acc.begin(), acc.begin() + m, extra);
            for (int c = 1; c <= pc; ++c) {
                const double t = Target.GetVal(c);
                const double* col = data + static_cast<int64_t>(c - 1) * rows + (r0 - 1);
                for (int i = 0; i < m; ++i) {
                    const double d = col[i] - t;
                    acc[static_cast<size_t>(i)] += d * d;
                }
            }
            for (int i = 0; i < m; ++i) top.Offer(std::sqrt(acc[static_cast<size_t>(i)]), r0 + i);
        }
    }
    for (int r = 1; r <= k; ++r) {
        NbList.SetVal(1, r, top.Row(r - 1));
        NbList.SetVal(2, r, top.Dist(r - 1));
    }
}

void EstimateByKNN(const TMatrix& DataMat, const TVector& Responses, int k, TKnnWMode Mode,
                   double Width, const TVector& Target, double& Estimate, double& MeanDist) {
    if (k < 1) throw EOZMMath2Error("EstimateByKNN: number of neighbours must be at least 1");
    k = std::min(k, DataMat.NrOfRows());
    if (k < 1) {  // a matrix without rows
        Estimate = 0;
        MeanDist = 0;
        return;
    }
    TMatrix nb;
    nb.Resize(2, k);
    FindNearestNeighbors(k, DataMat, 0, 0, Target, nb);
    k = std::min(k, kMaxNeighbours);
    std::vector<double> d(static_cast<size_t>(k));
    std::vector<double> y(static_cast<size_t>(k));
    std::vector<int> rowOf(static_cast<size_t>(k));
    double sumD = 0;
    for (int r = 0; r < k; ++r) {
        rowOf[static_cast<size_t>(r)] = static_cast<int>(Round(nb.GetVal(1, r + 1)));
        d[static_cast<size_t>(r)] = nb.GetVal(2, r + 1);
        y[static_cast<size_t>(r)] = Responses.GetVal(rowOf[static_cast<size_t>(r)]);
        sumD += d[static_cast<size_t>(r)];
    }
    MeanDist = sumD / k;
    const double D = MeanDist == 0 ? 0.001 : MeanDist;
    if (Mode != TKnnWMode::kwmMedian) Estimate = 0;
    switch (Mode) {
        case TKnnWMode::kwmGauss: {
            // The weights are scaled by exp(t_min^2), which leaves the weighted mean unchanged
            // and keeps the nearest weight at 1: a wide Width cannot underflow them all to 0.
            double t2min = std::numeric_limits<double>::infinity();
            for (int r = 0; r < k; ++r) {
                const double t = Width * d[static_cast<size_t>(r)] / D;
                t2min = std::min(t2min, t * t);
            }
            double sw = 0;
            double swy = 0;
            for (int r = 0; r < k; ++r) {
                const double t = Width * d[static_cast<size_t>(r)] / D;
                const double g = std::exp(-(t * t - t2min));
                sw += g;
                swy += g * y[static_cast<size_t>(r)];
            }
            Estimate = swy / sw;
            break;
        }
        case TKnnWMode::kwmAverage: {
            double s = 0;
            for (double v : y) s += v;
            Estimate = s / k;
            break;
        }
        case TKnnWMode::kwmMedian: {
            TVector v;
            v.Resize(k);
            std::copy(y.begin(), y.end(), v.Cells().begin());
            double q1 = 0;
            double q3 = 0;
            v.Quartiles(1, k, q1, Estimate, q3);
            break;
        }
        case TKnnWMode::kwmLinear: {
            double sw = 0;
            double swy = 0;
            for (int r = 0; r < k; ++r) {
                const double l = 1 - d[static_cast<size_t>(r)] / D / Width;
                if (l > 0) {
                    sw += l;
                    swy += l * y[static_cast<size_t>(r)];
                }
            }
            if (sw > 0) Estimate = swy / sw;
            break;
        }
        case TKnnWMode::kwmBiQuad: {
            const int p = DataMat.NrOfColumns();
            const int m = 1 + 2 * p + p * (p - 1) / 2;
            auto terms = [p](auto x, double* out) {
                int t = 0;
                out[t++] = 1;
                for (int i = 1; i <= p; ++i) out[t++] = x(i);
                for (int i = 1; i <= p; ++i) out[t++] = x(i) * x(i);
                for (int i = 1; i <= p; ++i)
                    for (int j = i + 1; j <= p; ++j) out[t++] = x(i) * x(j);
            };
            TMatrix A;
            A.Resize(m, k);
            TVector b;
            b.Resize(k);
            std::vector<double> row(static_cast<size_t>(m));
            for (int r = 0; r < k; ++r) {
                const int dr = rowOf[static_cast<size_t>(r)];
                terms([&](int c) { return DataMat.GetVal(c, dr); }, row.data());
                for (int c = 0; c < m; ++c)
                    A.Data()[static_cast<size_t>(c) * k + r] = row[static_cast<size_t>(c)];
                b.Cells()[static_cast<size_t>(r)] = y[static_cast<size_t>(r)];
            }
            TVector coef;
            TVector sd;
            bool nearSingular = false;
            if (SolveLeastSquaresSVD(A, b, coef, nearSingular, sd)) {
                terms([&](int c) { return Target.GetVal(c); }, row.data());
                double e = 0;
                for (int c = 0; c < m; ++c) e += coef.GetVal(c + 1) * row[static_cast<size_t>(c)];
                Estimate = e;
            }
            break;
        }
    }
}

}  // namespace ozm::math2
