// Runs tests and outlier tests.

#include <algorithm>
#include <cmath>
#include <vector>

#include "htest_internal.hpp"
#include "ozm/statis/critical.hpp"
#include "ozm/statis/tests.hpp"

namespace ozm::statis {

namespace {

[[noreturn]] void Raise(const char* Msg) { throw EOZMStatisError(Msg); }

}  // namespace

bool RunsTest(const TBitFld& Bits, double& p) {
    const int size = Bits.Size() + 1;
    int n1 = 0, runs = 1;
    for (int i = 0; i < size; ++i) {
        n1 += Bits.GetBit(i);
        if (i > 0 && Bits.GetBit(i) != Bits.GetBit(i - 1)) ++runs;
    }
    const int n0 = size - n1;
    if (n1 == 0 || n0 == 0) {
        p = 1.0;  // one kind only: the single possible arrangement is not evidence of anything
        return false;
    }
    double low, high;
    if (n1 <= 25 && n0 <= 25) {
        low = ExactRunsTest(n1, n0, runs);
        high = 1.0 - ExactRunsTest(n1, n0, runs - 1);
    } else {
        const double N = double(n1) + n0, m = 2.0 * n1 * n0;
        const double sigma = std::sqrt(m * (m - N) / (N * N * (N - 1)));
        const double z = (runs - m / N - 1) / sigma;
        low = NormalLowerTail(z);
        high = NormalUpperTail(z);
    }
    p = std::min(1.0, 2 * std::min(low, high));
    return p < 0.05;
}

bool RunsTestSerial(const TVector& Data, double& p) {
    p = -1.0;
    const int n = Data.NrOfElem();
    if (n < 1 || Data.IsEmpty()) return false;
    double q1, median, q3;
    if (!Data.Quartiles(1, n, q1, median, q3)) return false;
    TBitFld bits(n - 1);
    for (int i = 1; i <= n; ++i) bits.SetBit(i - 1, Data.GetVal(i) > median);
    return RunsTest(bits, p);
}

int DeanDixonTest(const TVector& Data, TSignifLevelEx level, double& Q) {
    Q = 0.0;
    const int n = Data.NrOfElem();
    if (n < 3) Raise("DeanDixonTest: number of data points is too low");
    if (n > 100) Raise("DeanDixonTest: number of data points is too high");
    std::vector<double> x(Data.Cells().begin(), Data.Cells().end());
    std::sort(x.begin(), x.end());
    auto X = [&x](int i) { return x[size_t(i - 1)]; };  // 1-based order statistics
    auto ratio = [](double num, double den) { return den == 0 ? 0.0 : num / den; };
    double low, high;
    if (n <= 7) {
        low = ratio(X(2) - X(1), X(n) - X(1));
        high = ratio(X(n) - X(n - 1), X(n) - X(1));
    } else if (n <= 10) {
        low = ratio(X(2) - X(1), X(n - 1) - X(1));
        high = ratio(X(n) - X(n - 1), X(n) - X(2));
    } else if (n <= 13) {
        low = ratio(X(3) - X(1), X(n - 1) - X(1));
        high = ratio(X(n) - X(n - 2), X(n) - X(2));
    } else {
        low = ratio(X(3) - X(1), X(n - 2) - X(1));
        high = ratio(X(n) - X(n - 2), X(n) - X(3));
    }
    const double candidate = low >= high ? X(1) : X(n);
    Q = std::max(low, high);
    if (!(Q > DeanDixonCriticalValues(n, level))) return 0;
    for (int i = 1; i <= n; ++i)
        if (Data.GetVal(i) == candidate) return i;
    return 0;
}

int GrubbsTest(const TVector& Data, double alpha, double& G) {
    G = 0.0;
    if (!(alpha > 0 && alpha < 1)) Raise("GrubbsTest: invalid level of significance");
    const int n = Data.NrOfElem();
    if (n <= 3) Raise("GrubbsTest: number of data points is too low");
    double mean, var;
    Data.MeanVar(1, n, mean, var);
    const double s = std::sqrt(var);
    if (!(s > 0)) return 0;
    int candidate = 1;
    for (int i = 1; i <= n; ++i) {
        const double g = std::fabs(Data.GetVal(i) - mean) / s;
        if (g > G) G = g, candidate = i;
    }
    return G > GrubbsCriticalValues(n, alpha, true) ? candidate : 0;
}

}  // namespace ozm::statis
