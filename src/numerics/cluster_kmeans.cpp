// k-means partitioning (Lloyd's iteration), FindCenters and MeanDistanceKNN.
//
// The passes work on the column-major cells of the data matrix: the squared distances of all
// objects to one centre are accumulated column by column into a buffer, which keeps the inner
// loops contiguous, and the assignment keeps the first centre of smallest distance.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "ozm/frame.hpp"
#include "ozm/math2/cluster.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::math2 {

namespace {

constexpr int kMaxPasses = 1000;

// Rows Row0 .. Row0 + n - 1 (0-based) of a column-major matrix with ld rows and p columns.
struct TRowBlock {
    const double* data;
    int64_t ld;
    int row0;
    int n;
    int p;
    double at(int c, int i) const { return data[c * ld + row0 + i]; }
};

struct TKMeansResult {
    double withinSS = 0;
    bool aborted = false;
    bool exceeded = false;
};

// The shared procedure: centres (p x k, column-major in cent), assignment ix (0-based cluster
// numbers, n elements; its incoming content is the reference of the first pass), sizes (k).
TKMeansResult RunKMeans(const TRowBlock& X, int k, int Seed, std::vector<double>& cent,
                        std::vector<int>& ix, std::vector<int>& size) {
    const int n = X.n;
    const int p = X.p;
    cent.assign(static_cast<size_t>(p) * k, 0.0);
    size.assign(static_cast<size_t>(k), 0);
    if (Seed > 0) SetRandSeed(static_cast<uint64_t>(Seed));
    for (int c = 0; c < k; ++c) {
        const int obj = Seed > 0 ? static_cast<int>(Random(n)) : c;
        for (int v = 0; v < p; ++v) cent[static_cast<size_t>(v) * k + c] = X.at(v, obj);
    }
    std::vector<double> best(static_cast<size_t>(n));
    std::vector<double> dist(static_cast<size_t>(n));
    std::vector<int> next(static_cast<size_t>(n));
    TKMeansResult res;
    int passes = 0;
    bool first = true;
    for (;;) {
        if (progress::AbortRequested()) {
            res.aborted = true;
            return res;
        }
        ++passes;
        progress::StepDone();
        std::fill(best.begin(), best.end(), std::numeric_limits<double>::max());
        std::fill(next.begin(), next.end(), 0);
        for (int c = 0; c < k; ++c) {
            std::fill(dist.begin(), dist.end(), 0.0);
            for (int v = 0; v < p; ++v) {
                const double cv = cent[static_cast<size_t>(v) * k + c];
                const double* col = X.data + v * X.ld + X.row0;
                for (int i = 0; i < n; ++i) {
                    const double d = col[i] - cv;
                    dist[static_cast<size_t>(i)] += d * d;
                }
            }
            for (int i = 0; i < n; ++i) {
                if (dist[static_cast<size_t>(i)] < best[static_cast<size_t>(i)]) {
                    best[static_cast<size_t>(i)] = dist[static_cast<size_t>(i)];
                    next[static_cast<size_t>(i)] = c;
                }
            }
        }
        // The first pass counts as a change whatever the incoming assignment was: that one is
        // the caller's, not the result of these centres.
        const bool changed = first || next != ix;
        ix.swap(next);
        if (changed) {
            std::fill(cent.begin(), cent.end(), 0.0);
            std::fill(size.begin(), size.end(), 0);
            for (int i = 0; i < n; ++i) ++size[static_cast<size_t>(ix[static_cast<size_t>(i)])];
            for (int v = 0; v < p; ++v) {
                const double* col = X.data + v * X.ld + X.row0;
                double* cv = cent.data() + static_cast<size_t>(v) * k;
                for (int i = 0; i < n; ++i) cv[ix[static_cast<size_t>(i)]] += col[i];
                for (int c = 0; c < k; ++c)
                    if (size[static_cast<size_t>(c)] > 0) cv[c] /= size[static_cast<size_t>(c)];
            }
        }
        first = false;
        if (!changed || passes > kMaxPasses) {
            res.exceeded = changed;
            break;
        }
    }
    for (int v = 0; v < p; ++v) {
        const double* col = X.data + v * X.ld + X.row0;
        const double* cv = cent.data() + static_cast<size_t>(v) * k;
        for (int i = 0; i < n; ++i) {
            const double d = col[i] - cv[ix[static_cast<size_t>(i)]];
            res.withinSS += d * d;
        }
    }
    // Renumber by decreasing size. The order among equal sizes is the one the integer matrix's
    // row sort leaves (a comb sort of the rows (size, cluster) by the size column), so results
    // stay the same as those of callers who sort such a table themselves.
    TIntMatrix table;
    table.Resize(2, k);
    for (int c = 0; c < k; ++c) {
        table.Data()[c] = size[static_cast<size_t>(c)];
        table.Data()[k + c] = c;
    }
    table.SortRows(1, false, 1, 1, 2, k);
    std::vector<int> order(static_cast<size_t>(k));
    for (int r = 0; r < k; ++r) order[static_cast<size_t>(r)] = table.Data()[k + r];
    std::vector<int> rank(static_cast<size_t>(k));
    for (int r = 0; r < k; ++r) rank[static_cast<size_t>(order[static_cast<size_t>(r)])] = r;
    for (int& c : ix) c = rank[static_cast<size_t>(c)];
    std::vector<double> cent2(cent.size());
    std::vector<int> size2(size.size());
    for (int r = 0; r < k; ++r) {
        const int c = order[static_cast<size_t>(r)];
        size2[static_cast<size_t>(r)] = size[static_cast<size_t>(c)];
        for (int v = 0; v < p; ++v)
            cent2[static_cast<size_t>(v) * k + r] = cent[static_cast<size_t>(v) * k + c];
    }
    cent.swap(cent2);
    size.swap(size2);
    return res;
}

void CheckK(const char* Routine, int k, int n) {
    if (k > n)
        throw EOZMMath2Error(std::string(Routine) +
                             ": number of clusters is greater than number of objects");
    if (k < 1)
        throw EOZMMath2Error(std::string(Routine) + ": number of clusters must be at least 1");
}

// Writes the outputs of a run: centres as rows of Centers (columns x k), 1-based numbers.
void StoreOutputs(const std::vector<double>& cent, const std::vector<int>& ix,
                  const std::vector<int>& size, int p, int k, TMatrix& Centers, TIntVector& ClustIx,
                  TIntVector* ClustSize) {
    double* cd = Centers.Data();
    for (int v = 0; v < p; ++v)
        for (int c = 0; c < k; ++c)
            cd[static_cast<size_t>(v) * k + c] = cent[static_cast<size_t>(v) * k + c];
    Centers.Changed();
    auto cells = ClustIx.Cells();
    for (size_t i = 0; i < ix.size(); ++i) cells[i] = ix[i] + 1;
    ClustIx.CellsWritten();
    if (ClustSize != nullptr) {
        auto sc = ClustSize->Cells();
        for (int c = 0; c < k; ++c) sc[static_cast<size_t>(c)] = size[static_cast<size_t>(c)];
        ClustSize->CellsWritten();
    }
}

double KMeansOnMatrix(const TMatrix& DataMat, int k, int Seed, TMatrix& Centers,
                      TIntVector& ClustIx, TIntVector* ClustSize) {
    const int n = DataMat.NrOfRows();
    const int p = DataMat.NrOfColumns();
    CheckK("kMeansClustering", k, n);
    if (Centers.NrOfColumns() != p || Centers.NrOfRows() != k) Centers.Resize(p, k);
    if (ClustIx.NrOfElem() != n) ClustIx.Resize(n);
    if (ClustSize != nullptr && ClustSize->NrOfElem() != k) ClustSize->Resize(k);
    std::vector<int> ix(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) ix[static_cast<size_t>(i)] = ClustIx.GetVal(i + 1) - 1;
    std::vector<double> cent;
    std::vector<int> size;
    const TRowBlock X{DataMat.Data(), n, 0, n, p};
    const TKMeansResult r = RunKMeans(X, k, Seed, cent, ix, size);
    if (r.aborted) return 0;
    StoreOutputs(cent, ix, size, p, k, Centers, ClustIx, ClustSize);
    if (r.exceeded) throw EOZMMath2Error("kMeansClustering: max. number of iterations exceeded");
    return r.withinSS;
}

}  // namespace

double kMeansClustering(const TMatrix& DataMat, int /*Unused1*/, int /*Unused2*/, int k,
                        TMatrix& Centers, TIntVector& ClustIx) {
    return KMeansOnMatrix(DataMat, k, 0, Centers, ClustIx, nullptr);
}

double kMeansClustering(const TMatrix& DataMat, int /*Unused1*/, int /*Unused2*/, int k, int Seed,
                        TMatrix& Centers, TIntVector& ClustIx, TIntVector& ClustSize) {
    return KMeansOnMatrix(DataMat, k, Seed, Centers, ClustIx, &ClustSize);
}

int kMeansEstimatedSteps(int a, int b, int c) noexcept {
    const double da = a;
    const double ab = std::max(0.0, da * b);
    const double ac = da * c;
    const double x = 0.18232 * std::sqrt(ab) - 108 - 0.00092427 * da - 0.00017557 * ac +
                     0.38775 * std::sqrt(std::max(0.0, ac));
    const int64_t r = Round(x);
    return static_cast<int>(std::clamp<int64_t>(r, 20, std::numeric_limits<int>::max()));
}

void FindCenters(const TMatrix& DataMat, int FirstRow, int LastRow, int k, TMatrix& Centers,
                 double& WithinSS) {
    const int rows = DataMat.NrOfRows();
    if (FirstRow == 0 && LastRow == 0) {
        FirstRow = 1;
        LastRow = rows;
    }
    FirstRow = std::clamp(FirstRow, 1, std::max(rows, 1));
    LastRow = std::clamp(LastRow, 1, std::max(rows, 1));
    if (FirstRow > LastRow) std::swap(FirstRow, LastRow);
    const int n = rows > 0 ? LastRow - FirstRow + 1 : 0;
    const int p = DataMat.NrOfColumns();
    CheckK("FindCenters", k, n);
    std::vector<int> ix(static_cast<size_t>(n), -1);
    std::vector<double> cent;
    std::vector<int> size;
    const TRowBlock X{DataMat.Data(), rows, FirstRow - 1, n, p};
    const TKMeansResult r = RunKMeans(X, k, 0, cent, ix, size);
    if (r.aborted) return;
    if (Centers.NrOfColumns() != p || Centers.NrOfRows() != k) Centers.Resize(p, k);
    double* cd = Centers.Data();
    std::copy(cent.begin(), cent.end(), cd);
    Centers.Changed();
    WithinSS = r.withinSS;
    if (r.exceeded) throw EOZMMath2Error("FindCenters: max. number of iterations exceeded");
}

void MeanDistanceKNN(const TMatrix& DataMat, int k, int First, int Last, TVector& MeanDist) {
    const int rows = DataMat.NrOfRows();
    const int p = DataMat.NrOfColumns();
    if (rows < 1) return;
    if (First == 0 && Last == 0) {
        First = 1;
        Last = rows;
    }
    First = std::clamp(First, 1, rows);
    Last = std::clamp(Last, 1, rows);
    if (First > Last) std::swap(First, Last);
    const int n = Last - First + 1;
    k = std::clamp(k, 1, 50);
    k = std::min(k, n);
    const double* data = DataMat.Data();
    std::vector<double> dist(static_cast<size_t>(n));
    std::vector<double> top(static_cast<size_t>(k));
    for (int i = 0; i < n; ++i) {
        std::fill(dist.begin(), dist.end(), 0.0);
        for (int v = 0; v < p; ++v) {
            const double* col = data + static_cast<int64_t>(v) * rows + (First - 1);
            const double xi = col[i];
            for (int j = 0; j < n; ++j) {
                const double d = col[j] - xi;
                dist[static_cast<size_t>(j)] += d * d;
            }
        }
        // The k smallest; NaN compares as larger than every number.
        std::fill(top.begin(), top.end(), std::numeric_limits<double>::infinity());
        int filled = 0;
        for (int j = 0; j < n; ++j) {
            const double d = dist[static_cast<size_t>(j)];
            if (std::isnan(d)) continue;
            if (filled == k && d >= top[static_cast<size_t>(k - 1)]) continue;
            int pos = std::min(filled, k - 1);
            while (pos > 0 && top[static_cast<size_t>(pos - 1)] > d) {
                top[static_cast<size_t>(pos)] = top[static_cast<size_t>(pos - 1)];
                --pos;
            }
            top[static_cast<size_t>(pos)] = d;
            if (filled < k) ++filled;
        }
        double sum = 0;
        for (int r = 0; r < k; ++r)
            sum += r < filled ? std::sqrt(top[static_cast<size_t>(r)])
                              : std::numeric_limits<double>::quiet_NaN();
        MeanDist.SetVal(First + i, sum / k);
    }
}

}  // namespace ozm::math2
