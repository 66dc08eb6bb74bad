// Block kernels of TMat3D and TMat4D over column-fastest storage.
#include "matrices/mat4d_block.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <tuple>

#include "matrices/matrix_internal.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/platform/random.hpp"

namespace ozm::matrix::detail {

void BlockMinMax(const TStackBlock& B, double& Minimum, double& Maximum) {
    double lo = uc_MaxReal;
    double hi = -uc_MaxReal;
    VisitRuns(B, [&](const double* p, int n) {
        for (int i = 0; i < n; ++i) {
            lo = p[i] < lo ? p[i] : lo;
            hi = p[i] > hi ? p[i] : hi;
        }
    });
    Minimum = lo;
    Maximum = hi;
}

double BlockSum(const TStackBlock& B) {
    double s = 0.0;
    VisitRuns(B, [&](const double* p, int n) {
        for (int i = 0; i < n; ++i) s += p[i];
    });
    return s;
}

double BlockSquaredSum(const TStackBlock& B) {
    double s = 0.0;
    VisitRuns(B, [&](const double* p, int n) {
        for (int i = 0; i < n; ++i) s += p[i] * p[i];
    });
    return s;
}

int BlockCountValues(const TStackBlock& B, double RangeLow, double RangeHigh) {
    int64_t count = 0;
    VisitRuns(B, [&](const double* p, int n) {
        for (int i = 0; i < n; ++i) count += (p[i] >= RangeLow && p[i] <= RangeHigh) ? 1 : 0;
    });
    return static_cast<int>(std::min<int64_t>(count, std::numeric_limits<int>::max()));
}

void BlockMeanVar(const TStackBlock& B, double& Mean, double& Variance) {
    const int64_t n = B.Count();
    Mean = 0.0;
    Variance = 0.0;
    if (n <= 0) return;
    Mean = BlockSum(B) / static_cast<double>(n);
    if (n < 3) {
        Variance = 1.0;
        return;
    }
    // (sum v^2 - (sum v)^2 / n) / (n - 1) evaluated on the deviations d = v - mean: the same
    // quantity, without the cancellation of the raw sums for data far from 0.
    double sd = 0.0, sd2 = 0.0;
    const double mean = Mean;
    VisitRuns(B, [&](const double* p, int len) {
        for (int i = 0; i < len; ++i) {
            const double d = p[i] - mean;
            sd += d;
            sd2 += d * d;
        }
    });
    Variance = (sd2 - sd * sd / static_cast<double>(n)) / static_cast<double>(n - 1);
    if (!(Variance >= 0.0)) Variance = 0.0;
}

bool BlockFind(const TStackBlock& B, double Value, int& Col, int& Row, int& Layer, int& Slot) {
    double best = std::numeric_limits<double>::infinity();
    bool found = false;
    int bx = 0, by = 0, bz = 0, bt = 0;
    // Storage order differs from the scan order of the ties (column outermost): an equal
    // distance wins when its position comes first in that order.
    for (int t = B.T0; t <= B.T1; ++t)
        for (int z = B.Z0; z <= B.Z1; ++z)
            for (int y = B.R0; y <= B.R1; ++y) {
                const double* p = B.Data + B.Offset(1, y, z, t);
                for (int x = B.C0; x <= B.C1; ++x) {
                    const double d = std::fabs(p[x - 1] - Value);
                    if (d < best) {
                        best = d;
                    } else if (!(d == best && found &&
                                 std::tie(x, y, z, t) < std::tie(bx, by, bz, bt))) {
                        continue;
                    }
                    found = true;
                    bx = x;
                    by = y;
                    bz = z;
                    bt = t;
                }
            }
    if (!found) return false;
    Col = bx;
    Row = by;
    Layer = bz;
    Slot = bt;
    return true;
}

std::vector<double> GatherBlock(const TStackBlock& B) {
    std::vector<double> cells;
    cells.reserve(static_cast<size_t>(B.Count()));
    VisitRuns(B, [&](const double* p, int n) { cells.insert(cells.end(), p, p + n); });
    return cells;
}

namespace {

// A random cell of the block, uniform over each dimension.
double RandomCell(const TStackBlock& B) {
    const int x = B.C0 + Random(B.Columns());
    const int y = B.R0 + Random(B.Rows());
    const int z = B.Z0 + Random(B.Layers());
    const int t = B.T0 + Random(B.Slots());
    return B.Data[B.Offset(x, y, z, t)];
}

}  // namespace

double BlockPercentile(const TStackBlock& B, double prob) {
    const int64_t n = B.Count();
    if (n <= 0) return 0.0;
    prob = std::clamp(prob, 0.0, 100.0);
    // Stacks of images often hold one dominant value (a background); 15 samples find it. Such a
    // value answers the query without a selection, but only when its cells cover rank k: the
    // cells below it decide where its run of ranks begins.
    constexpr int kSamples = 15;
    constexpr int kQuorum = 7;
    double samples[kSamples];
    for (double& s : samples) s = RandomCell(B);
    double candidate = *std::min_element(samples, samples + kSamples, NaNLastLess);
    for (double s : samples) {
        const auto same = std::count_if(samples, samples + kSamples, [&](double u) {
            return !NaNLastLess(u, s) && !NaNLastLess(s, u);
        });
        if (same >= kQuorum) {
            candidate = s;
            break;
        }
    }
    std::vector<double> cells = GatherBlock(B);
    int64_t below = 0, equal = 0;
    for (double v : cells) {
        if (NaNLastLess(v, candidate))
            ++below;
        else if (!NaNLastLess(candidate, v))
            ++equal;
    }
    int64_t k = Round(static_cast<double>(n) * prob / 100.0);
    k = std::min(k, n - 1);
    if (k >= below && k < below + equal) return candidate;
    return SelectPercentile(cells, prob);
}

double BlockSampledPercentile(const TStackBlock& B, double prob, int SampleSize) {
    if (SampleSize <= 0 || SampleSize >= B.Count()) return BlockPercentile(B, prob);
    std::vector<double> sample(static_cast<size_t>(SampleSize));
    Randomize();
    for (double& s : sample) s = RandomCell(B);
    return SelectPercentile(sample, prob);
}

size_t StackCells(int X, int Y, int Z, int T) {
    size_t n = 1;
    for (int e : {X, Y, Z, T}) {
        const size_t u = static_cast<size_t>(std::max(e, 0));
        if (u != 0 && n > std::numeric_limits<size_t>::max() / sizeof(double) / u)
            throw std::bad_alloc();
        n *= u;
    }
    return n;
}

std::vector<double> ResizedStack(const std::vector<double>& Old, int X, int Y, int Z, int T,
                                 int NX, int NY, int NZ, int NT) {
    std::vector<double> cells(StackCells(NX, NY, NZ, NT), 0.0);
    const int cx = std::min(X, NX), cy = std::min(Y, NY), cz = std::min(Z, NZ),
              ct = std::min(T, NT);
    for (int t = 0; t < ct; ++t)
        for (int z = 0; z < cz; ++z)
            for (int y = 0; y < cy; ++y) {
                const size_t from = ((static_cast<size_t>(t) * Z + z) * Y + y) * X;
                const size_t to = ((static_cast<size_t>(t) * NZ + z) * NY + y) * NX;
                std::copy_n(Old.data() + from, cx, cells.data() + to);
            }
    return cells;
}

}  // namespace ozm::matrix::detail
