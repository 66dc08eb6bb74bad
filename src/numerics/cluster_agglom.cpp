// Hierarchical agglomerative clustering.
//
// The merge order is the one of the plain scan over all active pairs (g ascending, then h
// ascending, a strictly smaller distance replaces). Instead of rescanning the whole triangle at
// every step, each active slot g keeps the smallest distance to the active slots h > g and the
// first h where it occurs. The first g whose row minimum is strictly smallest, with its recorded
// h, is then exactly the pair the full scan finds. After a merge only rows whose minimum may have
// changed are rescanned: row h (all its distances changed), rows whose recorded partner was g or
// h, and rows i < h where the new D(i, h) would become the new minimum are updated in place.
// The worst case stays cubic; on data without pathological ties a step costs O(n) plus a few
// row rescans.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "ozm/frame.hpp"
#include "ozm/math2/cluster.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm::math2 {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Restores a matrix's distance event when the call leaves, also on exceptions.
class TDistEventSwap {
public:
    TDistEventSwap(TMatrix& M, const TCalcDistFunc& F) : m_(M), saved_(M.OnCalcDistance) {
        m_.OnCalcDistance = F;
    }
    ~TDistEventSwap() { m_.OnCalcDistance = saved_; }
    TDistEventSwap(const TDistEventSwap&) = delete;
    TDistEventSwap& operator=(const TDistEventSwap&) = delete;

private:
    TMatrix& m_;
    TOnCalcDistanceEvent saved_;
};

class TAgglomerator {
public:
    TAgglomerator(int n, double* D) : n_(n), d_(D) {
        active_.assign(static_cast<size_t>(n), 1);
        rowMin_.assign(static_cast<size_t>(n), kInf);
        rowArg_.assign(static_cast<size_t>(n), -1);
        for (int g = 0; g < n; ++g) RescanRow(g);
    }

    double& D(int i, int j) { return d_[static_cast<size_t>(i) * n_ + j]; }

    // The closest active pair g < h; d receives its distance.
    void ClosestPair(int& g, int& h, double& d) {
        g = -1;
        double best = kInf;
        for (int i = 0; i < n_; ++i) {
            if (active_[static_cast<size_t>(i)] && rowMin_[static_cast<size_t>(i)] < best) {
                best = rowMin_[static_cast<size_t>(i)];
                g = i;
            }
        }
        if (g < 0) {
            // Only pairs at NaN or infinite distance remain: the first of them.
            for (int i = 0; i < n_ && g < 0; ++i)
                if (active_[static_cast<size_t>(i)] && rowArg_[static_cast<size_t>(i)] >= 0) g = i;
        }
        h = rowArg_[static_cast<size_t>(g)];
        d = D(g, h);
    }

    void Retire(int g) { active_[static_cast<size_t>(g)] = 0; }
    bool Active(int i) const { return active_[static_cast<size_t>(i)] != 0; }

    // Row h and column h were rewritten and slot g retired: bring the row minima up to date.
    void AfterMerge(int g, int h) {
        for (int i = 0; i < n_; ++i) {
            if (!Active(i)) continue;
            if (i >= h) {
                if (i == h) RescanRow(i);
                continue;
            }
            const int arg = rowArg_[static_cast<size_t>(i)];
            const double dih = D(i, h);
            if (arg == g || arg == h) {
                RescanRow(i);
            } else if (dih < rowMin_[static_cast<size_t>(i)] ||
                       (dih == rowMin_[static_cast<size_t>(i)] && h < arg)) {
                rowMin_[static_cast<size_t>(i)] = dih;
                rowArg_[static_cast<size_t>(i)] = h;
            }
        }
    }

private:
    // Minimum over the active j > g, first j on ties; rowArg is the first active j when no
    // distance is below infinity (NaN and infinite distances only), -1 when none is active.
    void RescanRow(int g) {
        double best = kInf;
        int arg = -1;
        int firstActive = -1;
        const double* row = d_ + static_cast<size_t>(g) * n_;
        for (int j = g + 1; j < n_; ++j) {
            if (!active_[static_cast<size_t>(j)]) continue;
            if (firstActive < 0) firstActive = j;
            if (row[j] < best) {
                best = row[j];
                arg = j;
            }
        }
        rowMin_[static_cast<size_t>(g)] = best;
        rowArg_[static_cast<size_t>(g)] = arg >= 0 ? arg : firstActive;
    }

    int n_;
    double* d_;
    std::vector<char> active_;
    std::vector<double> rowMin_;
    std::vector<int> rowArg_;
};

double NewDistance(TClusterMethod Method, double a, double dgi, double dhi, double dgh, double ng,
                   double nh, double ni) {
    switch (Method) {
        case TClusterMethod::cmSingleLink: return std::min(dgi, dhi);
        case TClusterMethod::cmCompleteLink: return std::max(dgi, dhi);
        case TClusterMethod::cmWard:
            return ((ng + ni) * dgi + (nh + ni) * dhi - ni * dgh) / (ng + nh + ni);
        case TClusterMethod::cmAvgLink: return (dgi + dhi) / 2;
        case TClusterMethod::cmFlexLink: return a * (dgi + dhi) + (1 - 2 * a) * dgh;
        case TClusterMethod::cmUpgma: return (ng * dgi + nh * dhi) / (ng + nh);
    }
    return dgi;
}

}  // namespace

int AgglomClusteringSteps(TObject* Sender, TMatrix& DataMat, TDistMode Mode, TClusterMethod Method,
                          double FlexParam, std::vector<TMergeStep>& Dendro, TVector& MergeDist,
                          TVector& Positions, const TClusterFeedback& Feedback,
                          const TCalcDistFunc& CalcDist) {
    if (Feedback) Feedback(Sender, 0, ProcStat.load());
    const double a = std::isnan(FlexParam) ? 0.5 : std::clamp(FlexParam, 0.5, 1.0);
    const int n = DataMat.NrOfRows();
    AbortMathProc = false;
    if (n < 2) {
        Dendro.clear();
        if (n == 1) {
            if (Positions.NrOfElem() != 1) Positions.Resize(1);
            Positions.SetVal(1, 1);
        }
        return 0;
    }
    TMatrix dm;
    try {
        dm.Resize(n, n);
    } catch (const std::bad_alloc&) {
        throw EOZMMath2Error("AgglomClustering: not enough memory");
    } catch (const EOZMError&) {
        throw EOZMMath2Error("AgglomClustering: not enough memory");
    }
    {
        const TDistEventSwap swap(DataMat, CalcDist);
        DataMat.CalcDistMat(Mode, &dm);
    }

    if (MergeDist.NrOfElem() != n - 1) MergeDist.Resize(n - 1);
    if (Positions.NrOfElem() != 2 * n - 1) Positions.Resize(2 * n - 1);
    Dendro.assign(static_cast<size_t>(n - 1), TMergeStep{});
    std::vector<int> ident(static_cast<size_t>(n));
    std::vector<double> size(static_cast<size_t>(n), 1.0);
    for (int i = 0; i < n; ++i) ident[static_cast<size_t>(i)] = i + 1;
    std::vector<double> height(static_cast<size_t>(n - 1));

    // The distance matrix is symmetric, so its column-major cells read row-major as well.
    TAgglomerator ag(n, dm.Data());
    bool aborted = false;
    for (int s = 1; s <= n - 1; ++s) {
        if (progress::AbortRequested()) {
            aborted = true;
            break;
        }
        progress::StepDone();
        if (Feedback) Feedback(Sender, 100.0 * s / n, ProcStat.load());
        int g = 0;
        int h = 0;
        double dgh = 0;
        ag.ClosestPair(g, h, dgh);
        const double ng = size[static_cast<size_t>(g)];
        const double nh = size[static_cast<size_t>(h)];
        for (int i = 0; i < n; ++i) {
            if (i == g || i == h || !ag.Active(i)) continue;
            const double v = NewDistance(Method, a, ag.D(g, i), ag.D(h, i), dgh, ng, nh,
                                         size[static_cast<size_t>(i)]);
            ag.D(h, i) = v;
            ag.D(i, h) = v;
        }
        Dendro[static_cast<size_t>(s - 1)] = {ident[static_cast<size_t>(g)],
                                              ident[static_cast<size_t>(h)], n + s};
        height[static_cast<size_t>(s - 1)] = dgh;
        ident[static_cast<size_t>(h)] = n + s;
        size[static_cast<size_t>(h)] = ng + nh;
        ag.Retire(g);
        ag.AfterMerge(g, h);
    }
    if (aborted) {
        MergeDist.Clear();
        Positions.Clear();
        std::fill(Dendro.begin(), Dendro.end(), TMergeStep{});
        return -1;
    }
    auto md = MergeDist.Cells();
    std::copy(height.begin(), height.end(), md.begin());
    MergeDist.CellsWritten();

    // Leaf order: expand the last merge, second child in place of its parent, first child right
    // behind it. Expanding depth first from the back gives the same list.
    std::vector<int> order;
    order.reserve(static_cast<size_t>(n));
    std::vector<int> stack{Dendro.back().First, Dendro.back().Second};
    // Pop from the back: the list is built left to right, so the element to emit next is the
    // leftmost unexpanded entry. Keep the stack with the leftmost entry on top.
    std::reverse(stack.begin(), stack.end());
    while (!stack.empty()) {
        const int id = stack.back();
        stack.pop_back();
        if (id <= n) {
            order.push_back(id);
        } else {
            const TMergeStep& m = Dendro[static_cast<size_t>(id - n - 1)];
            stack.push_back(m.First);   // right behind
            stack.push_back(m.Second);  // in place (leftmost)
        }
    }
    auto pos = Positions.Cells();
    for (int k = 0; k < n; ++k) pos[static_cast<size_t>(order[static_cast<size_t>(k)] - 1)] = k + 1;
    for (int s = 1; s <= n - 1; ++s) {
        const TMergeStep& m = Dendro[static_cast<size_t>(s - 1)];
        pos[static_cast<size_t>(n + s - 1)] =
            (pos[static_cast<size_t>(m.First - 1)] + pos[static_cast<size_t>(m.Second - 1)]) / 2;
    }
    Positions.CellsWritten();
    return 0;
}

int AgglomClustering(TObject* Sender, TMatrix& DataMat, TDistMode Mode, TClusterMethod Method,
                     double FlexParam, TIntMatrix& Dendrogram, TVector& MergeDist,
                     TVector& Positions, const TClusterFeedback& Feedback,
                     const TCalcDistFunc& CalcDist) {
    std::vector<TMergeStep> steps;
    const int result = AgglomClusteringSteps(Sender, DataMat, Mode, Method, FlexParam, steps,
                                             MergeDist, Positions, Feedback, CalcDist);
    const int rows = static_cast<int>(steps.size());
    if (rows < 1) return result;
    if (Dendrogram.NrOfColumns() != 3 || Dendrogram.NrOfRows() != rows) Dendrogram.Resize(3, rows);
    if (Dendrogram.IsSparse()) {
        for (int c = 1; c <= 3; ++c)
            for (int r = 1; r <= rows; ++r) {
                const TMergeStep& m = steps[static_cast<size_t>(r - 1)];
                Dendrogram.SetVal(c, r, c == 1 ? m.First : c == 2 ? m.Second : m.NewId);
            }
        return result;
    }
    int32_t* cells = Dendrogram.Data();
    for (int r = 0; r < rows; ++r) {
        const TMergeStep& m = steps[static_cast<size_t>(r)];
        cells[r] = m.First;
        cells[rows + r] = m.Second;
        cells[2 * rows + r] = m.NewId;
    }
    Dendrogram.Changed();
    return result;
}

}  // namespace ozm::math2
