/// @file
/// TCrossValidator: repeated hold-out cross-validation of a model the host builds and applies
/// through events. The objects (rows of XMat and YMat) are split into random test sets drawn from
/// the shared generator (ozm::Random, so a seeded run is reproducible); for each set the host
/// builds a model on the remaining objects (OnModelCreateRequest) and applies it to every test
/// object (OnModelApplyRequest). Per response column the validator accumulates the prediction
/// error sum of squares and the counts of a two-class decision (true value 1 is positive; an
/// estimate within 0.5 of the true value is a correct decision).
#pragma once

#include <functional>

#include "ozm/base/types.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/object.hpp"
#include "ozm/vector.hpp"

namespace ozm {

/// Predictors holds the predictor row of one test object; Response comes sized to the number of
/// response columns and receives the model's estimates.
using TOnModelApplyRequestEvent = std::function<void(TObject* Sender, int PercentDone,
                                                     const TDoubleArray& Predictors,
                                                     TDoubleArray& Response)>;
/// ObjectList holds the training objects: 1-based row numbers of XMat/YMat, ascending.
using TOnModelCreateRequestEvent = std::function<void(TObject* Sender, int PercentDone,
                                                      const TIntArray& ObjectList,
                                                      bool& Success)>;

/// Repeated hold-out cross-validation of a model the host builds and applies through events; see
/// the top of this header.
class TCrossValidator : public TComponent {
public:
    /// Test sets of 2 objects, at most 100 consecutive failed builds, no handlers,
    /// XMat and YMat of one cell each.
    explicit TCrossValidator(TComponent* AOwner = nullptr);
    const char* ClassName() const override { return "TCrossValidator"; }

    /// Objects per test set; n below 1 becomes 1. Setting it fills the five result vectors
    /// with -1.
    ///@{
    int SizeTestSet() const noexcept { return FTestSize; }
    void SetTestSize(int n);
    ///@}

    /// Consecutive failed model builds after which Execute gives up (default 100, at least 1).
    ///@{
    int MaxCreateFailures() const noexcept { return FMaxCreateFailures; }
    void SetMaxCreateFailures(int n) noexcept { FMaxCreateFailures = n < 1 ? 1 : n; }
    ///@}
    /// True when the last Execute ended because the create handler kept failing.
    bool CreateFailed() const noexcept { return FCreateFailed; }

    /// True while Execute runs.
    bool IsExecuting() const noexcept { return FIsRunning; }
    /// The predictors, one row per object; the host fills it before Execute.
    TMatrix* XMat() noexcept { return &FXMat; }
    /// The responses, one row per object and one column per response; the host fills it before
    /// Execute.
    TMatrix* YMat() noexcept { return &FYMat; }

    /// Runs the validation; true when completed, false when aborted (by OnCheckAbort, or after
    /// MaxCreateFailures consecutive failed builds, which also sets CreateFailed). After an abort
    /// the result vectors are filled with -1. Raises EOZMStatisError:
    /// "TCrossValidator.Execute: data matrix not assigned" (XMat or YMat without cells),
    /// "TCrossValidator.Execute: number of rows of XMat and YMat not equal",
    /// "TCrossValidator: OnModelApplyRequest event is not assigned",
    /// "TCrossValidator: OnModelCreateRequest event is not assigned",
    /// and
    /// "TCrossValidator.Execute: already executing" when a handler calls Execute again.
    /// Exceptions of the handlers pass through, with the results filled with -1.
    bool Execute();

    /// Root mean square error of prediction of response column ix (1-based): sqrt(PRESS/n).
    double GetRMSEP(int ix) const noexcept;
    /// TP/(TP + FN), 0 when that sum is 0.
    double GetTPRate(int ix) const noexcept;
    /// FP/(FP + TN), 1 when that sum is 0.
    double GetFPRate(int ix) const noexcept;
    /// The accumulated sums and counts per response column.
    ///@{
    const TVector& Press() const noexcept { return FPress; }
    const TVector& TPCount() const noexcept { return FTPCnt; }
    const TVector& FPCount() const noexcept { return FFPCnt; }
    const TVector& TNCount() const noexcept { return FTNCnt; }
    const TVector& FNCount() const noexcept { return FFNCnt; }
    ///@}

    /// Asks the host to apply the current model to one test object.
    TOnModelApplyRequestEvent OnModelApplyRequest;
    /// Asks the host to build a model on the training objects; Success reports whether it could.
    TOnModelCreateRequestEvent OnModelCreateRequest;
    /// Asked after each test object; setting Abort stops Execute.
    TOnCheckAbortEvent OnCheckAbort;

private:
    void FillResults(double Value);

    int FTestSize = 2;
    int FMaxCreateFailures = 100;
    bool FCreateFailed = false;
    bool FIsRunning = false;
    int FNObjects = 0;
    TVector FPress;
    TVector FTPCnt, FFPCnt, FTNCnt, FFNCnt;
    TMatrix FXMat;
    TMatrix FYMat;
};

}  // namespace ozm
