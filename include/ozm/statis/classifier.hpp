/// @file
/// TCFEvaluator: evaluation of a two-class classifier from the true class of every object and the
/// classifier's continuous estimate: confusion matrix at a threshold, the rates and scores derived
/// from it, the ROC curve with its area and a scan for the thresholds that maximise Matthews'
/// correlation, accuracy and informedness.
///
/// Conventions:
/// - The true values must hold exactly two distinct values v1 < v2 (NaN is not a value); an object
///   is positive when its true value lies above m = (v1 + v2)/2. An estimate at or above the
///   threshold predicts positive; a NaN estimate never does and sorts after every number.
/// - The objects are kept ordered by descending estimate (a stable sort, so equal estimates keep
///   their order); changing an estimate or a true value invalidates the last confusion matrix.
/// - Counts are 64-bit, and Matthews' correlation is formed in extended precision, so counts whose
///   products overflow 32 (or 64) bits still give the right value.
/// - The ROC curve treats equal estimates as one threshold, as a standard ROC does: one point per
///   distinct estimate, so the area gives ties the weight 1/2 and all-equal estimates give 0.5.
#pragma once

#include <cstdint>

#include "ozm/base/types.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/object.hpp"

namespace ozm {

/// Evaluates a two-class classifier from the true class and the continuous estimate of every
/// object; the conventions are stated at the top of this header.
class TCFEvaluator : public TComponent {
public:
    /// Both arrays with one element (0), nothing sorted, no confusion matrix.
    explicit TCFEvaluator(TComponent* AOwner = nullptr);
    const char* ClassName() const override { return "TCFEvaluator"; }

    /// The common length of the two arrays, -1 when they differ. SetNData resizes both when
    /// n > 0 (new elements are 0).
    ///@{
    int NData() const noexcept;
    void SetNData(int n);
    ///@}

    /// Element ix (1-based); 0 out of range. Writes out of range are ignored.
    ///@{
    double GetTrueData(int ix) const noexcept;
    double GetEstimData(int ix) const noexcept;
    void SetTrueData(int ix, double value);
    void SetEstimData(int ix, double value);
    ///@}

    /// Copy column Col of SrcMat into the true values / estimates (resizing the array to the
    /// matrix's rows): -1 for a missing matrix or an invalid column; CopyTrueFromMatrix gives -2
    /// when the copied values are not dichotomous (they are kept), else 0.
    ///@{
    int CopyTrueFromMatrix(int Col, const TMatrix* SrcMat);
    int CopyEstFromMatrix(int Col, const TMatrix* SrcMat);
    ///@}

    /// The two values of the true data (v1 < v2); false when fewer than 2 values, all equal or a
    /// third value occurs (then v1 = v2 = 0).
    bool GetActualDichoValues(double& v1, double& v2) const;
    /// Whether the true data hold exactly two distinct values.
    bool IsDicho() const;
    /// The smaller (larger) of the two values of the true data; 0 when they are not dichotomous.
    ///@{
    double DichoV1() const;
    double DichoV2() const;
    ///@}

    /// Orders both arrays together by descending estimate; -1 when the lengths differ, else 0.
    int SortEstimated();

    /// Counts tp (positive, estimate >= CFThresh), fn, tn, fp; -1 when the lengths differ, -2 when
    /// the true data are not dichotomous, else 0.
    int CalcConfusionMatrix(double CFThresh);
    /// The counts and threshold of the last confusion matrix: -2 when not dichotomous, -1 when no
    /// confusion matrix is current (none computed, or the data changed since), else 0.
    int GetConfMatValues(int32_t& tp, int32_t& fp, int32_t& tn, int32_t& fn,
                         double& Thresh) const;
    /// The threshold of the last confusion matrix.
    double Threshold() const noexcept { return FCFThresh; }

    /// Scores of the last confusion matrix; a zero denominator gives 0. Codes when no confusion
    /// matrix is current / the true data are not dichotomous: -1 / -2, except Informedness
    /// (-2 / -3) and MatthewsCorr (-3 / -2). The dichotomy is checked first.
    /// True positive rate tp / (tp + fn).
    double TpRate() const;
    /// False negative rate fn / (tp + fn); codes as TpRate.
    double FnRate() const;
    /// True negative rate tn / (tn + fp); codes as TpRate.
    double TnRate() const;
    /// False positive rate fp / (tn + fp); codes as TpRate.
    double FpRate() const;
    /// Precision tp / (tp + fp); codes as TpRate.
    double Precision() const;
    /// Negative predictive value tn / (tn + fn); codes as TpRate.
    double NegPredVal() const;
    /// Threat score tp / (tp + fn + fp); codes as TpRate.
    double ThreatScore() const;
    /// Accuracy (tp + tn) / (tp + tn + fp + fn); codes as TpRate.
    double Accuracy() const;
    /// F1 score 2 tp / (2 tp + fn + fp); codes as TpRate.
    double F1Score() const;
    /// Informedness TpRate + TnRate - 1; -2 when no confusion matrix is current, -3 when the true
    /// data are not dichotomous.
    double Informedness() const;
    /// (tp·tn - fp·fn)/sqrt((tp+fp)(tp+fn)(tn+fp)(tn+fn)); 0 when a factor of the root is 0.
    double MatthewsCorr() const;
    /// 2 (H(E) + H(T) - H(E,T))/(H(E) + H(T) + 1e-15) with natural logarithms.
    double UncertCoeff() const;

    /// ROC curve, its area and the best thresholds. Result -1 when the true data are not
    /// dichotomous, -3 when the lengths differ, -2 when one class is empty, else 0.
    /// ROCCoords gets [3][k]: false positive rate, true positive rate and the estimate of each
    /// distinct estimate in descending order (counts include every object with that estimate),
    /// followed by the point (1, 1, lowest estimate). BestROC is the index of the point farthest
    /// from the diagonal (largest |tpr - fpr|, the first on ties; 0 when every point lies on it).
    /// AUC is the trapezoidal area. The thresholds are scanned at h_i = min - 5s + i s,
    /// i = 0..109, with s = (max - min)/100 over the finite estimates (no scan when max = min):
    /// each score keeps the mean threshold of its run of equal best values, and a later run that
    /// reaches the same best value replaces it (best values start at 0, thresholds at 0). The
    /// confusion matrix of the last scanned threshold stays current.
    int OptimizeThresholds(TDouble2DArray& ROCCoords, int& BestROC, double& AUC, double& ThreshMMC,
                           double& ThreshAccuracy, double& ThreshInformedness);

private:
    // Dichotomy of the true values, computed when first needed after a change.
    void UpdateDicho() const;
    bool IsPositive(double TrueValue) const noexcept { return TrueValue > FBoundary; }
    // -1/-2 (or the codes given) when no score can be formed, else 0.
    int ScoreState(int NotCurrent, int NotDicho) const;
    void Invalidate() noexcept { FHasConfMat = false; }

    TDoubleArray FTrueVec;
    TDoubleArray FEstVec;
    bool FIsSorted = false;
    bool FHasConfMat = false;
    int64_t Ftp = 0, Ffp = 0, Ftn = 0, Ffn = 0;
    double FCFThresh = 0.0;
    mutable bool FDichoKnown = false;
    mutable bool FIsDicho = false;
    mutable double FDichoV1 = 0.0, FDichoV2 = 0.0;
    mutable double FBoundary = 0.0;
};

namespace statis {

/// Matthews' correlation (tp·tn - fp·fn)/sqrt((tp+fp)(tp+fn)(tn+fp)(tn+fn)) of non-negative counts,
/// exact in the numerator (128-bit) and in extended precision below, so no count up to 2^62
/// overflows; 0 when a factor of the root is 0, NaN for a negative count.
double MatthewsCorrOfCounts(int64_t tp, int64_t fp, int64_t tn, int64_t fn) noexcept;

}  // namespace statis

}  // namespace ozm
