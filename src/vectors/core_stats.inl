// TVectorCore: the descriptive statistics. All are read-only and fire no events.
// Included by vector_core.cpp.

namespace ozm {

namespace vecimpl {

// Sum, mean and the central sums of a range, accumulated in double. The deviations are taken
// from the mean of a first pass, so the spread does not cancel away for data far from zero;
// (sum d^2 - (sum d)^2 / n) is the usual one-pass formula applied to the deviations, which
// removes the rounding error left in the mean.
template <typename T>
struct TCentralSums {
    size_t n = 0;
    double mean = 0;
    double sd1 = 0;  // sum of deviations
    double sd2 = 0;  // sum of squared deviations

    TCentralSums(const T* x, size_t count) : n(count) {
        // Four interleaved partial sums break the dependency chain of a single accumulator
        // (twice the speed) and, if anything, lose less to rounding.
        double s[4] = {0, 0, 0, 0};
        size_t i = 0;
        for (; i + 4 <= n; i += 4)
            for (size_t j = 0; j < 4; ++j) s[j] += static_cast<double>(x[i + j]);
        for (; i < n; ++i) s[0] += static_cast<double>(x[i]);
        mean = ((s[0] + s[1]) + (s[2] + s[3])) / static_cast<double>(n);
        double d1[4] = {0, 0, 0, 0};
        double d2[4] = {0, 0, 0, 0};
        for (i = 0; i + 4 <= n; i += 4)
            for (size_t j = 0; j < 4; ++j) {
                const double d = static_cast<double>(x[i + j]) - mean;
                d1[j] += d;
                d2[j] += d * d;
            }
        for (; i < n; ++i) {
            const double d = static_cast<double>(x[i]) - mean;
            d1[0] += d;
            d2[0] += d * d;
        }
        sd1 = (d1[0] + d1[1]) + (d1[2] + d1[3]);
        sd2 = (d2[0] + d2[1]) + (d2[2] + d2[3]);
    }
    // (sum d^2 - (sum d)^2 / n), never negative.
    double SpreadSquares() const {
        const double s = sd2 - sd1 * sd1 / static_cast<double>(n);
        return s < 0 ? 0 : s;
    }
};

// Copy of a range for the order statistics, made into storage that the calling thread keeps
// from one call to the next: repeated percentiles of large vectors then pay neither the
// allocation nor the page faults of fresh memory. Up to kKeptBytes stay with the thread after
// use; a nested use on the same thread gets storage of its own. A failed allocation gives the
// heap message.
template <typename T>
class TWorkCopy {
public:
    TWorkCopy(const TComponent& Owner, const T* first, size_t count)
        : FShared(!Kept().inUse), FOwn(), FData(FShared ? Kept().cells : FOwn) {
        if (FShared) Kept().inUse = true;
        try {
            GuardAllocation<EOZMVectorError>(Owner, [&] { FData.assign(first, first + count); });
        } catch (...) {
            Release();
            throw;
        }
    }
    ~TWorkCopy() { Release(); }
    TWorkCopy(const TWorkCopy&) = delete;
    TWorkCopy& operator=(const TWorkCopy&) = delete;

    std::vector<T>& Cells() noexcept { return FData; }

private:
    static constexpr size_t kKeptBytes = size_t(32) << 20;
    struct TKept {
        std::vector<T> cells;
        bool inUse = false;
    };
    static TKept& Kept() noexcept {
        thread_local TKept kept;
        return kept;
    }
    void Release() noexcept {
        if (!FShared) return;
        if (FData.capacity() * sizeof(T) > kKeptBytes) std::vector<T>().swap(FData);
        Kept().inUse = false;
        FShared = false;
    }

    bool FShared;
    std::vector<T> FOwn;
    std::vector<T>& FData;
};

// s(k) + (s(k + 1) - s(k)) f, exactly s(k) when f is 0 (so an infinite neighbour does not turn
// the result into NaN).
inline double Interpolate(double sk, double sk1, double f) noexcept {
    if (f == 0) return sk;
    if (f == 1) return sk1;  // exactly the upper statistic, also when the lower one is infinite
    return sk + (sk1 - sk) * f;
}

}  // namespace vecimpl

template <typename TCell, typename TSelf>
TCell TVectorCore<TCell, TSelf>::Sum(int LowElem, int HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    TCell sum = 0;
    const TCell* e = FVec.data() - 1;
    for (int i = LowElem; i <= HighElem; ++i) sum = vecimpl::CellAdd(sum, e[i]);
    return sum;
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::MeanVar(int LowElem, int HighElem, double& Mean,
                                        double& Variance) const {
    MakeValidElemRange(LowElem, HighElem);
    const vecimpl::TCentralSums<TCell> c(FVec.data() + (LowElem - 1),
                                         size_t(HighElem - LowElem + 1));
    Mean = c.mean;
    // One or two values carry no usable spread; the library defines their variance as 1.
    Variance = c.n < 3 ? 1.0 : c.SpreadSquares() / static_cast<double>(c.n - 1);
}

template <typename TCell, typename TSelf>
double TVectorCore<TCell, TSelf>::GeometricMean(int LowElem, int HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    bool has_zero = false;
    double sum_ln = 0;
    // The scan goes on past zeros, so a negative element anywhere is reported.
    for (int i = LowElem; i <= HighElem; ++i) {
        const double x = static_cast<double>(FVec[size_t(i - 1)]);
        if (x < 0) vecimpl::RaiseVectorError(*this, vecimpl::kMsgGeoMeanNegative);
        if (x == 0)
            has_zero = true;
        else
            sum_ln += std::log(x);
    }
    if (has_zero) return 0;
    return std::exp(sum_ln / (HighElem - LowElem + 1));
}

template <typename TCell, typename TSelf>
double TVectorCore<TCell, TSelf>::HarmonicMean(int LowElem, int HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    double sum_inv = 0;
    for (int i = LowElem; i <= HighElem; ++i) {
        const double x = static_cast<double>(FVec[size_t(i - 1)]);
        if (x <= 0) vecimpl::RaiseVectorError(*this, vecimpl::kMsgHarmMeanNotPositive);
        sum_inv += 1.0 / x;
    }
    return (HighElem - LowElem + 1) / sum_inv;
}

template <typename TCell, typename TSelf>
double TVectorCore<TCell, TSelf>::Mode(int LowElem, int HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    vecimpl::TWorkCopy<TCell> copy(*this, FVec.data() + (LowElem - 1),
                                   size_t(HighElem - LowElem + 1));
    std::vector<TCell>& s = copy.Cells();
    std::sort(s.begin(), s.end(), [](TCell a, TCell b) { return vecimpl::NaNLastLess(a, b); });
    // The first longest run of equal neighbours wins, so ties go to the smaller value.
    TCell best = s[0];
    size_t best_len = 1;
    size_t run = 1;
    for (size_t i = 1; i < s.size(); ++i) {
        run = (s[i] == s[i - 1]) ? run + 1 : 1;
        if (run > best_len) {
            best_len = run;
            best = s[i];
        }
    }
    return static_cast<double>(best);
}

template <typename TCell, typename TSelf>
bool TVectorCore<TCell, TSelf>::Quartiles(int LowElem, int HighElem, double& Q1, double& Q2,
                                          double& Q3) const {
    MakeValidElemRange(LowElem, HighElem);
    const int n = HighElem - LowElem + 1;
    if (n == 1) {
        Q1 = Q2 = Q3 = static_cast<double>(FVec[size_t(LowElem - 1)]);
        return true;
    }
    // (n + 1) p rule: k and f for each quartile, k held to 1..n-1. Below the first pair the
    // quartile is the first element (f = 0), above the last pair the last element (f = 1), so
    // the rule treats both ends alike: Q1 of x is -Q3 of -x.
    int k[3];
    double f[3];
    const double p[3] = {0.25, 0.5, 0.75};
    for (int q = 0; q < 3; ++q) {
        const double h = (n + 1) * p[q];
        k[q] = static_cast<int>(h);
        f[q] = h - k[q];
        if (k[q] == 0) {
            k[q] = 1;
            f[q] = 0;
        }
        if (k[q] > n - 1) {
            k[q] = n - 1;
            f[q] = 1;
        }
    }
    // The 0-based sorted positions needed: k - 1 and k of each quartile.
    std::vector<size_t> wanted;
    for (int q = 0; q < 3; ++q) {
        wanted.push_back(size_t(k[q] - 1));
        wanted.push_back(size_t(k[q]));
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    vecimpl::TWorkCopy<TCell> work(*this, FVec.data() + (LowElem - 1), size_t(n));
    std::vector<TCell> values(wanted.size());
    vecimpl::SelectOrderStatistics<TCell>(work.Cells(), wanted, values);
    const auto at = [&](size_t pos) {
        const auto it = std::lower_bound(wanted.begin(), wanted.end(), pos);
        return static_cast<double>(values[size_t(it - wanted.begin())]);
    };
    double* out[3] = {&Q1, &Q2, &Q3};
    for (int q = 0; q < 3; ++q)
        *out[q] = vecimpl::Interpolate(at(size_t(k[q] - 1)), at(size_t(k[q])), f[q]);
    return true;
}

template <typename TCell, typename TSelf>
double TVectorCore<TCell, TSelf>::Percentile(double prob, int LowElem, int HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    const int n = HighElem - LowElem + 1;
    if (std::isnan(prob)) return std::numeric_limits<double>::quiet_NaN();
    prob = std::clamp(prob, 0.0, 100.0);
    if (n == 1) return static_cast<double>(FVec[size_t(LowElem - 1)]);
    const TCell* first = FVec.data() + (LowElem - 1);
    if (prob == 100) {
        const auto less = [](TCell a, TCell b) { return vecimpl::NaNLastLess(a, b); };
        return static_cast<double>(*std::max_element(first, first + n, less));
    }
    const double h = prob * (n - 1) / 100;
    // h < n - 1 mathematically; rounding must not push k onto the last element.
    const int k = std::min(static_cast<int>(h), n - 2);
    const double f = h - k;
    const size_t wanted[2] = {size_t(k), size_t(k + 1)};
    TCell values[2] = {0, 0};
    vecimpl::TWorkCopy<TCell> work(*this, first, size_t(n));
    vecimpl::SelectOrderStatistics<TCell>(work.Cells(), wanted, values);
    return vecimpl::Interpolate(static_cast<double>(values[0]), static_cast<double>(values[1]), f);
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::SkewKurt(int LowElem, int HighElem, double& Skewness,
                                         double& Kurtosis) const {
    MakeValidElemRange(LowElem, HighElem);
    Skewness = 0;
    Kurtosis = 0;
    const size_t n = size_t(HighElem - LowElem + 1);
    if (n < 4) return;
    const TCell* x = FVec.data() + (LowElem - 1);
    const vecimpl::TCentralSums<TCell> c(x, n);
    const double s = std::sqrt(c.SpreadSquares() / static_cast<double>(n - 1));
    if (s == 0) return;
    double sd3 = 0;
    double sd4 = 0;
    for (size_t i = 0; i < n; ++i) {
        const double d = static_cast<double>(x[i]) - c.mean;
        const double d2 = d * d;
        sd3 += d2 * d;
        sd4 += d2 * d2;
    }
    const double dn = static_cast<double>(n);
    Skewness = (sd3 / dn) / (s * s * s);
    Kurtosis = (sd4 / dn) / (s * s * s * s) - 3;
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::SkewKurtSample(int LowElem, int HighElem, double& Skewness,
                                               double& Kurtosis) const {
    double S = 0;
    double K = 0;
    SkewKurt(LowElem, HighElem, S, K);
    Skewness = 0;
    Kurtosis = 0;
    MakeValidElemRange(LowElem, HighElem);
    const double n = HighElem - LowElem + 1;
    if (n < 4) return;
    Skewness = S * n * n / ((n - 1) * (n - 2));
    Kurtosis = (K + 3) * n * n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) -
               3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3));
}

template <typename TCell, typename TSelf>
double TVectorCore<TCell, TSelf>::PearsonCorrCoeff(const TSelf* OtherVec) const {
    if (OtherVec == nullptr || OtherVec->NrOfElem() != FNElem || FNElem < 2) return 0;
    const size_t n = FVec.size();
    const TCell* x = FVec.data();
    const TCell* y = OtherVec->Cells().data();
    const vecimpl::TCentralSums<TCell> cx(x, n);
    const vecimpl::TCentralSums<TCell> cy(y, n);
    // A constant operand has no spread, whatever rounding left in its deviations.
    const auto constant = [n](const TCell* v) {
        for (size_t i = 1; i < n; ++i)
            if (!(v[i] == v[0])) return false;
        return true;
    };
    if (constant(x) || constant(y)) return 0;
    const double sxx = cx.SpreadSquares();
    const double syy = cy.SpreadSquares();
    if (sxx == 0 || syy == 0) return 0;
    double sxy = 0;
    for (size_t i = 0; i < n; ++i)
        sxy += (static_cast<double>(x[i]) - cx.mean) * (static_cast<double>(y[i]) - cy.mean);
    sxy -= cx.sd1 * cy.sd1 / static_cast<double>(n);
    const double r = sxy / std::sqrt(std::fabs(sxx * syy));
    // Rounding may carry a perfect correlation a hair beyond 1.
    return std::isnan(r) ? r : std::clamp(r, -1.0, 1.0);
}

template <typename TCell, typename TSelf>
bool TVectorCore<TCell, TSelf>::IsDichotomous(TCell& v1, TCell& v2) const {
    if (FNElem < 2) {
        v1 = 0;
        v2 = 0;
        return false;
    }
    v1 = FVec[0];
    v2 = v1;
    for (const TCell x : FVec)
        if (!(x == v1)) {
            v2 = x;
            break;
        }
    for (const TCell x : FVec)
        if (!(x == v1) && !(x == v2)) return false;
    return true;
}

}  // namespace ozm
