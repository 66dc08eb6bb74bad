// TCrossValidator: repeated hold-out cross-validation driven by the host's events.

#include <algorithm>
#include <cmath>

#include "ozm/base/bitfld.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/statis/crossval.hpp"

namespace ozm {

TCrossValidator::TCrossValidator(TComponent* AOwner) : TComponent(AOwner) {}

void TCrossValidator::FillResults(double Value) {
    for (TVector* v : {&FPress, &FTPCnt, &FFPCnt, &FTNCnt, &FFNCnt}) v->Fill(Value);
}

void TCrossValidator::SetTestSize(int n) {
    FTestSize = n < 1 ? 1 : n;
    FillResults(-1.0);
}

namespace {

[[noreturn]] void Raise(const char* Msg) { throw EOZMStatisError(Msg); }

// Clears the running flag however Execute ends.
class TRunningGuard {
public:
    explicit TRunningGuard(bool& Flag) : FFlag(Flag) { FFlag = true; }
    ~TRunningGuard() { FFlag = false; }
    TRunningGuard(const TRunningGuard&) = delete;
    TRunningGuard& operator=(const TRunningGuard&) = delete;

private:
    bool& FFlag;
};

}  // namespace

bool TCrossValidator::Execute() {
    if (FIsRunning) Raise("TCrossValidator.Execute: already executing");
    if (FXMat.NrOfColumns() < 1 || FXMat.NrOfRows() < 1 || FYMat.NrOfColumns() < 1 ||
        FYMat.NrOfRows() < 1)
        Raise("TCrossValidator.Execute: data matrix not assigned");
    if (FXMat.NrOfRows() != FYMat.NrOfRows())
        Raise("TCrossValidator.Execute: number of rows of XMat and YMat not equal");
    if (!OnModelApplyRequest) Raise("TCrossValidator: OnModelApplyRequest event is not assigned");
    if (!OnModelCreateRequest)
        Raise("TCrossValidator: OnModelCreateRequest event is not assigned");

    const int n = FXMat.NrOfRows();
    const int nx = FXMat.NrOfColumns();
    const int ny = FYMat.NrOfColumns();
    const int testSize = std::min(FTestSize, n / 2 + 1);
    TBitFld used(n + 1), test(n + 1);  // bits 1..n
    for (TVector* v : {&FPress, &FTPCnt, &FFPCnt, &FTNCnt, &FFNCnt}) {
        v->Resize(ny);
        v->Fill(0.0);
    }
    FNObjects = n;
    FCreateFailed = false;
    TRunningGuard running(FIsRunning);

    int tested = 0, nUsed = 0, failures = 0;
    bool abort = false;
    TIntArray testList, trainList;
    TDoubleArray predictors(static_cast<size_t>(nx)), response;
    try {
        do {
            test.Clear();
            if (testSize >= n - nUsed) {
                for (int i = 1; i <= n; ++i) {
                    if (!used.GetBit(i)) test.SetBit(i, true);
                    used.SetBit(i, true);
                }
                nUsed = n;
            } else {
                for (int t = 0; t < testSize; ++t) {
                    int obj = Random(n) + 1;
                    while (used.GetBit(obj)) obj = obj == n ? 1 : obj + 1;
                    used.SetBit(obj, true);
                    test.SetBit(obj, true);
                    ++nUsed;
                }
            }
            testList.clear();
            trainList.clear();
            for (int i = 1; i <= n; ++i) (test.GetBit(i) ? testList : trainList).push_back(i);

            bool success = false;
            OnModelCreateRequest(this, static_cast<int>(Round(100.0 * tested / n)), trainList,
                                 success);
            if (success) {
                failures = 0;
                for (const int obj : testList) {
                    if (abort) break;
                    ++tested;
                    for (int c = 1; c <= nx; ++c) predictors[size_t(c - 1)] = FXMat.GetVal(c, obj);
                    response.assign(static_cast<size_t>(ny), 0.0);
                    OnModelApplyRequest(this, static_cast<int>(Round(100.0 * tested / n)),
                                        predictors, response);
                    // A handler that shrank the array leaves the missing estimates at 0.
                    response.resize(static_cast<size_t>(ny), 0.0);
                    for (int j = 1; j <= ny; ++j) {
                        const double y = FYMat.GetVal(j, obj);
                        const double r = response[size_t(j - 1)];
                        FPress.SetVal(j, FPress.GetVal(j) + (r - y) * (r - y));
                        const bool correct = std::fabs(r - y) < 0.5;
                        TVector& cnt = y == 1.0 ? (correct ? FTPCnt : FFNCnt)
                                                : (correct ? FTNCnt : FFPCnt);
                        cnt.SetVal(j, cnt.GetVal(j) + 1.0);
                    }
                    if (OnCheckAbort) OnCheckAbort(this, abort);
                }
            } else {
                // Put the test objects back so that later sets draw them anew; a handler that
                // never succeeds would otherwise keep the loop alive for ever.
                for (const int obj : testList) used.SetBit(obj, false);
                nUsed -= static_cast<int>(testList.size());
                if (++failures >= FMaxCreateFailures) {
                    FCreateFailed = true;
                    abort = true;
                }
            }
        } while (nUsed < n && !abort);
    } catch (...) {
        FillResults(-1.0);
        throw;
    }
    if (abort) {
        FillResults(-1.0);
        return false;
    }
    return true;
}

double TCrossValidator::GetRMSEP(int ix) const noexcept {
    if (ix < 1 || ix > FPress.NrOfElem() || FNObjects < 1) return 0.0;
    return std::sqrt(FPress.GetVal(ix) / FNObjects);
}

double TCrossValidator::GetTPRate(int ix) const noexcept {
    const double tp = FTPCnt.GetVal(ix), fn = FFNCnt.GetVal(ix);
    return tp + fn == 0.0 ? 0.0 : tp / (tp + fn);
}

double TCrossValidator::GetFPRate(int ix) const noexcept {
    const double fp = FFPCnt.GetVal(ix), tn = FTNCnt.GetVal(ix);
    return fp + tn == 0.0 ? 1.0 : fp / (fp + tn);
}

}  // namespace ozm
