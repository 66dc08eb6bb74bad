// TCFEvaluator: data, dichotomy, sorting, confusion matrix and scores.

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "ozm/openarrays/statistics.hpp"
#include "ozm/statis/classifier.hpp"

namespace ozm {

TCFEvaluator::TCFEvaluator(TComponent* AOwner) : TComponent(AOwner), FTrueVec(1), FEstVec(1) {}

int TCFEvaluator::NData() const noexcept {
    return FTrueVec.size() == FEstVec.size() ? static_cast<int>(FTrueVec.size()) : -1;
}

void TCFEvaluator::SetNData(int n) {
    if (n <= 0) return;
    FTrueVec.resize(static_cast<size_t>(n), 0.0);
    FEstVec.resize(static_cast<size_t>(n), 0.0);
    FDichoKnown = false;
    FIsSorted = false;
    Invalidate();
}

double TCFEvaluator::GetTrueData(int ix) const noexcept {
    return ix >= 1 && static_cast<size_t>(ix) <= FTrueVec.size() ? FTrueVec[size_t(ix - 1)] : 0.0;
}

double TCFEvaluator::GetEstimData(int ix) const noexcept {
    return ix >= 1 && static_cast<size_t>(ix) <= FEstVec.size() ? FEstVec[size_t(ix - 1)] : 0.0;
}

void TCFEvaluator::SetTrueData(int ix, double value) {
    if (ix < 1 || static_cast<size_t>(ix) > FTrueVec.size()) return;
    FTrueVec[size_t(ix - 1)] = value;
    // The dichotomy is re-evaluated lazily: a scan per write would make filling n objects O(n²).
    FDichoKnown = false;
    Invalidate();
}

void TCFEvaluator::SetEstimData(int ix, double value) {
    if (ix < 1 || static_cast<size_t>(ix) > FEstVec.size()) return;
    FEstVec[size_t(ix - 1)] = value;
    FIsSorted = false;
    Invalidate();
}

namespace {

bool ValidColumn(int Col, const TMatrix* SrcMat) {
    return SrcMat != nullptr && Col >= 1 && Col <= SrcMat->NrOfColumns();
}

void CopyColumn(int Col, const TMatrix& SrcMat, TDoubleArray& Dest) {
    const int rows = SrcMat.NrOfRows();
    TDoubleArray column(static_cast<size_t>(rows));
    for (int r = 1; r <= rows; ++r) column[size_t(r - 1)] = SrcMat.GetVal(Col, r);
    Dest.swap(column);
}

}  // namespace

int TCFEvaluator::CopyTrueFromMatrix(int Col, const TMatrix* SrcMat) {
    if (!ValidColumn(Col, SrcMat)) return -1;
    CopyColumn(Col, *SrcMat, FTrueVec);
    FDichoKnown = false;
    FIsSorted = false;
    Invalidate();
    return IsDicho() ? 0 : -2;
}

int TCFEvaluator::CopyEstFromMatrix(int Col, const TMatrix* SrcMat) {
    if (!ValidColumn(Col, SrcMat)) return -1;
    CopyColumn(Col, *SrcMat, FEstVec);
    FIsSorted = false;
    Invalidate();
    return 0;
}

void TCFEvaluator::UpdateDicho() const {
    if (FDichoKnown) return;
    double lo = 0.0, hi = 0.0;
    FIsDicho = openarrays::IsDichotomous(FTrueVec, lo, hi);
    FDichoV1 = FIsDicho ? lo : 0.0;
    FDichoV2 = FIsDicho ? hi : 0.0;
    // The midpoint is formed as lo + (hi - lo)/2 where the sum would overflow.
    FBoundary = FIsDicho ? lo / 2 + hi / 2 : 0.0;
    FDichoKnown = true;
}

bool TCFEvaluator::GetActualDichoValues(double& v1, double& v2) const {
    UpdateDicho();
    v1 = FDichoV1;
    v2 = FDichoV2;
    return FIsDicho;
}

bool TCFEvaluator::IsDicho() const {
    UpdateDicho();
    return FIsDicho;
}

double TCFEvaluator::DichoV1() const {
    UpdateDicho();
    return FDichoV1;
}

double TCFEvaluator::DichoV2() const {
    UpdateDicho();
    return FDichoV2;
}

int TCFEvaluator::SortEstimated() {
    if (NData() < 0) return -1;
    if (FIsSorted) return 0;
    const size_t n = FEstVec.size();
    // The pairs are sorted together (not through an index), so the sort runs on contiguous data.
    std::vector<std::pair<double, double>> pairs(n);
    for (size_t i = 0; i < n; ++i) pairs[i] = {FEstVec[i], FTrueVec[i]};
    // Descending, NaN after every number; stable so that equal estimates keep their order.
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
        if (std::isnan(b.first)) return !std::isnan(a.first);
        return a.first > b.first;
    });
    for (size_t i = 0; i < n; ++i) {
        FEstVec[i] = pairs[i].first;
        FTrueVec[i] = pairs[i].second;
    }
    FIsSorted = true;
    return 0;
}

int TCFEvaluator::CalcConfusionMatrix(double CFThresh) {
    if (NData() < 0) return -1;
    if (!IsDicho()) return -2;
    SortEstimated();
    int64_t tp = 0, fp = 0, tn = 0, fn = 0;
    const size_t n = FEstVec.size();
    for (size_t i = 0; i < n; ++i) {
        const bool pos = IsPositive(FTrueVec[i]);
        const bool pred = FEstVec[i] >= CFThresh;
        tp += pos && pred;
        fn += pos && !pred;
        fp += !pos && pred;
        tn += !pos && !pred;
    }
    Ftp = tp;
    Ffp = fp;
    Ftn = tn;
    Ffn = fn;
    FCFThresh = CFThresh;
    FHasConfMat = true;
    return 0;
}

int TCFEvaluator::GetConfMatValues(int32_t& tp, int32_t& fp, int32_t& tn, int32_t& fn,
                                   double& Thresh) const {
    tp = fp = tn = fn = 0;
    Thresh = 0.0;
    if (!IsDicho()) return -2;
    if (!FHasConfMat) return -1;
    // Counts never exceed the number of objects, which is an int.
    tp = static_cast<int32_t>(Ftp);
    fp = static_cast<int32_t>(Ffp);
    tn = static_cast<int32_t>(Ftn);
    fn = static_cast<int32_t>(Ffn);
    Thresh = FCFThresh;
    return 0;
}

int TCFEvaluator::ScoreState(int NotCurrent, int NotDicho) const {
    if (!IsDicho()) return NotDicho;
    if (!FHasConfMat) return NotCurrent;
    return 0;
}

namespace {

double Ratio(int64_t num, int64_t den) {
    return den == 0 ? 0.0 : static_cast<double>(num) / static_cast<double>(den);
}

// -p ln p of a count out of total; empty cells contribute 0.
long double EntropyTerm(int64_t count, int64_t total) {
    if (count <= 0 || total <= 0) return 0.0L;
    const long double p = static_cast<long double>(count) / static_cast<long double>(total);
    return -p * std::log(p);
}

}  // namespace

#define OZM_CF_SCORE(Name, NotCurrent, NotDicho, Expr)           \
    double TCFEvaluator::Name() const {                          \
        if (const int code = ScoreState(NotCurrent, NotDicho)) { \
            return code;                                         \
        }                                                        \
        return Expr;                                             \
    }

OZM_CF_SCORE(TpRate, -1, -2, Ratio(Ftp, Ftp + Ffn))
OZM_CF_SCORE(FnRate, -1, -2, Ratio(Ffn, Ftp + Ffn))
OZM_CF_SCORE(TnRate, -1, -2, Ratio(Ftn, Ftn + Ffp))
OZM_CF_SCORE(FpRate, -1, -2, Ratio(Ffp, Ftn + Ffp))
OZM_CF_SCORE(Precision, -1, -2, Ratio(Ftp, Ftp + Ffp))
OZM_CF_SCORE(NegPredVal, -1, -2, Ratio(Ftn, Ftn + Ffn))
OZM_CF_SCORE(ThreatScore, -1, -2, Ratio(Ftp, Ftp + Ffn + Ffp))
OZM_CF_SCORE(Accuracy, -1, -2, Ratio(Ftp + Ftn, Ftp + Ftn + Ffp + Ffn))
OZM_CF_SCORE(F1Score, -1, -2, Ratio(2 * Ftp, 2 * Ftp + Ffn + Ffp))
OZM_CF_SCORE(Informedness, -2, -3, Ratio(Ftp, Ftp + Ffn) + Ratio(Ftn, Ftn + Ffp) - 1.0)

#undef OZM_CF_SCORE

double TCFEvaluator::MatthewsCorr() const {
    if (const int code = ScoreState(-3, -2)) return code;
    return statis::MatthewsCorrOfCounts(Ftp, Ffp, Ftn, Ffn);
}

namespace statis {

double MatthewsCorrOfCounts(int64_t tp, int64_t fp, int64_t tn, int64_t fn) noexcept {
    if (tp < 0 || fp < 0 || tn < 0 || fn < 0) return std::numeric_limits<double>::quiet_NaN();
    // Products of two counts need up to 124 bits; the 128-bit difference is exact, and its
    // conversion keeps 64 significant bits. Each sum of two counts (below 2^63) is exact in an
    // extended real, and the root is taken of two partial products so nothing overflows.
    __extension__ using int128 = __int128;
    const int128 num = static_cast<int128>(tp) * tn - static_cast<int128>(fp) * fn;
    const long double a = static_cast<long double>(tp) + static_cast<long double>(fp);
    const long double b = static_cast<long double>(tp) + static_cast<long double>(fn);
    const long double c = static_cast<long double>(tn) + static_cast<long double>(fp);
    const long double d = static_cast<long double>(tn) + static_cast<long double>(fn);
    if (a == 0 || b == 0 || c == 0 || d == 0) return 0.0;
    const long double den = std::sqrt(a * b) * std::sqrt(c * d);
    return static_cast<double>(static_cast<long double>(num) / den);
}

}  // namespace statis

double TCFEvaluator::UncertCoeff() const {
    if (const int code = ScoreState(-1, -2)) return code;
    const int64_t n = Ftp + Ffp + Ftn + Ffn;
    const long double hE = EntropyTerm(Ftp + Ffp, n) + EntropyTerm(Ffn + Ftn, n);
    const long double hT = EntropyTerm(Ftp + Ffn, n) + EntropyTerm(Ffp + Ftn, n);
    const long double hET = EntropyTerm(Ftp, n) + EntropyTerm(Ftn, n) + EntropyTerm(Ffp, n) +
                            EntropyTerm(Ffn, n);
    return static_cast<double>(2.0L * (hE + hT - hET) / (hE + hT + 1e-15L));
}

}  // namespace ozm
