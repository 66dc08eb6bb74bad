// TCFEvaluator: ROC curve, its area and the threshold scan.

#include <algorithm>
#include <cmath>

#include "ozm/statis/classifier.hpp"

namespace ozm {

namespace {

// Cumulative counts after the objects down to one distinct estimate (descending order).
struct TRocStep {
    double Estimate;
    int64_t Tp;
    int64_t Fp;
};

// Best value of one score over the threshold scan, with the mean threshold of its run.
class TBestThreshold {
public:
    void Offer(double Value, double Thresh) {
        if (Value > FBest) {
            FBest = Value;
            StartRun(Thresh);
        } else if (Value == FBest) {
            if (FInRun) {
                FRunSum += Thresh;
                ++FRunCount;
                FThresh = FRunSum / FRunCount;
            } else {
                StartRun(Thresh);
            }
        } else {
            FInRun = false;
        }
    }
    double Threshold() const noexcept { return FThresh; }

private:
    void StartRun(double Thresh) {
        FRunSum = Thresh;
        FRunCount = 1;
        FThresh = Thresh;
        FInRun = true;
    }
    double FBest = 0.0;
    double FThresh = 0.0;
    double FRunSum = 0.0;
    int FRunCount = 0;
    bool FInRun = false;
};

}  // namespace

int TCFEvaluator::OptimizeThresholds(TDouble2DArray& ROCCoords, int& BestROC, double& AUC,
                                     double& ThreshMMC, double& ThreshAccuracy,
                                     double& ThreshInformedness) {
    BestROC = 0;
    AUC = 0.0;
    ThreshMMC = ThreshAccuracy = ThreshInformedness = 0.0;
    if (!IsDicho()) return -1;
    if (NData() < 0) return -3;
    SortEstimated();
    const size_t n = FEstVec.size();
    int64_t P = 0;
    for (size_t i = 0; i < n; ++i) P += IsPositive(FTrueVec[i]);
    const int64_t N = static_cast<int64_t>(n) - P;
    if (P == 0 || N == 0) return -2;

    // One ROC step per distinct estimate: ties are one threshold, so their order cannot matter.
    // NaN estimates (sorted last) never predict positive; they form the final step together.
    std::vector<TRocStep> steps;
    steps.reserve(n);
    int64_t tpc = 0, fpc = 0;
    for (size_t i = 0; i < n;) {
        const double e = FEstVec[i];
        size_t j = i;
        while (j < n && (FEstVec[j] == e || (std::isnan(e) && std::isnan(FEstVec[j])))) {
            if (IsPositive(FTrueVec[j])) ++tpc; else ++fpc;
            ++j;
        }
        steps.push_back({e, tpc, fpc});
        i = j;
    }

    const double dP = static_cast<double>(P), dN = static_cast<double>(N);
    const size_t k = steps.size();
    ROCCoords.assign(3, TDoubleArray(k + 1));
    double best = 0.0;
    long double area = 0.0L;
    int64_t tpPrev = 0, fpPrev = 0;
    for (size_t s = 0; s < k; ++s) {
        const double fpr = static_cast<double>(steps[s].Fp) / dN;
        const double tpr = static_cast<double>(steps[s].Tp) / dP;
        ROCCoords[0][s] = fpr;
        ROCCoords[1][s] = tpr;
        ROCCoords[2][s] = steps[s].Estimate;
        if (std::fabs(fpr - tpr) > best) {
            best = std::fabs(fpr - tpr);
            BestROC = static_cast<int>(s);
        }
        // Trapezoid between consecutive points, exact in integers up to the final division.
        area += static_cast<long double>(steps[s].Fp - fpPrev) *
                static_cast<long double>(steps[s].Tp + tpPrev);
        tpPrev = steps[s].Tp;
        fpPrev = steps[s].Fp;
    }
    ROCCoords[0][k] = 1.0;
    ROCCoords[1][k] = 1.0;
    ROCCoords[2][k] = FEstVec[n - 1];
    AUC = static_cast<double>(area / (2.0L * static_cast<long double>(P) * N));

    // Threshold scan over the finite estimates. The thresholds are min - 5s + i s computed from
    // i, not by repeated addition, so the grid does not drift and always has 110 points.
    double lo = 0.0, hi = 0.0;
    bool any = false;
    for (const double e : FEstVec) {
        if (!std::isfinite(e)) continue;
        if (!any) lo = hi = e, any = true;
        lo = std::min(lo, e);
        hi = std::max(hi, e);
    }
    const double step = (hi - lo) * 0.01;
    if (!any || !(step > 0.0) || !std::isfinite(step)) return 0;
    TBestThreshold bestMcc, bestAcc, bestInf;
    for (int i = 0; i < 110; ++i) {
        const double h = lo + (i - 5) * step;
        // Objects predicted positive at h are those of the steps with estimate >= h.
        const auto it = std::partition_point(steps.begin(), steps.end(),
                                             [h](const TRocStep& st) { return st.Estimate >= h; });
        const int64_t tp = it == steps.begin() ? 0 : std::prev(it)->Tp;
        const int64_t fp = it == steps.begin() ? 0 : std::prev(it)->Fp;
        Ftp = tp;
        Ffp = fp;
        Ffn = P - tp;
        Ftn = N - fp;
        FCFThresh = h;
        FHasConfMat = true;
        bestMcc.Offer(MatthewsCorr(), h);
        bestAcc.Offer(Accuracy(), h);
        bestInf.Offer(Informedness(), h);
    }
    ThreshMMC = bestMcc.Threshold();
    ThreshAccuracy = bestAcc.Threshold();
    ThreshInformedness = bestInf.Threshold();
    return 0;
}

}  // namespace ozm
