// Frequency filters: windowed-sinc kernels, the kernel runner and the Chebyshev recursive filter.
#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <vector>

#include "numerics/filter_internal.hpp"
#include "ozm/frame.hpp"
#include "ozm/math2/filters.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2 {

namespace {

using detail::RaiseMath2;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

void CheckKernelArgs(const char* Routine, int M, std::initializer_list<double> Cutoffs) {
    if (M < 1) RaiseMath2(Routine, "kernel length must be positive");
    for (double f : Cutoffs)
        if (std::isnan(f)) RaiseMath2(Routine, "cutoff frequency is not a number");
}

// Windowed-sinc low-pass kernel of M elements, normalised to sum 1 unless its sum is 0.
std::vector<double> LowPassKernel(int M, double Cutoff, int Window) {
    const double f = std::clamp(Cutoff, 0.0, 0.5);
    const int centre = M / 2 + 1;
    std::vector<double> k(static_cast<size_t>(M));
    for (int i = 1; i <= M; ++i) {
        const int d = i - centre;
        double v = d == 0 ? kTwoPi * f : std::sin(kTwoPi * f * d) / d;
        // The windows over phi = 2 pi i / (M + 1), written with the angle from the window's
        // centre, theta = phi - pi (cos phi = -cos theta, cos 2 phi = cos 2 theta): cos is even
        // in theta, so an odd-length kernel comes out exactly symmetric.
        const double theta = kTwoPi * (i - (M + 1) / 2.0) / (M + 1.0);
        if (Window == 1) {
            v *= 0.54 + 0.46 * std::cos(theta);
        } else if (Window == 2) {
            v *= 0.42 + 0.5 * std::cos(theta) + 0.08 * std::cos(2 * theta);
        }
        k[static_cast<size_t>(i - 1)] = v;
    }
    double sum = 0;
    for (double v : k) sum += v;
    if (sum != 0)
        for (double& v : k) v /= sum;
    return k;
}

// Spectral inversion: negate and add 1 at the centre element M div 2 + 1.
void InvertSpectrum(std::vector<double>& k) {
    for (double& v : k) v = -v;
    k[k.size() / 2] += 1.0;
}

std::vector<double> HighPassKernel(int M, double Cutoff, int Window) {
    std::vector<double> k = LowPassKernel(M, Cutoff, Window);
    InvertSpectrum(k);
    return k;
}

std::vector<double> BandStopKernel(int M, double Cutoff1, double Cutoff2, int Window) {
    const double lo = std::min(Cutoff1, Cutoff2), hi = std::max(Cutoff1, Cutoff2);
    std::vector<double> k = LowPassKernel(M, lo, Window);
    const std::vector<double> high = HighPassKernel(M, hi, Window);
    for (size_t i = 0; i < k.size(); ++i) k[i] += high[i];
    return k;
}

std::vector<double> BandPassKernel(int M, double Cutoff1, double Cutoff2, int Window) {
    std::vector<double> k = BandStopKernel(M, Cutoff1, Cutoff2, Window);
    InvertSpectrum(k);
    return k;
}

void StoreKernel(const std::vector<double>& k, TVector& Kernel) {
    Kernel.Resize(static_cast<int>(k.size()));
    std::copy(k.begin(), k.end(), Kernel.Cells().begin());
    Kernel.Changed();
}

}  // namespace

void CalcSincLPKernel(int M, double Cutoff, int Window, TVector& Kernel) {
    CheckKernelArgs("CalcSincLPKernel", M, {Cutoff});
    StoreKernel(LowPassKernel(M, Cutoff, Window), Kernel);
}
void CalcSincLPKernel(int M, double Cutoff, int Window, TDoubleArray& Kernel) {
    CheckKernelArgs("CalcSincLPKernel", M, {Cutoff});
    Kernel = LowPassKernel(M, Cutoff, Window);
}
void CalcSincHPKernel(int M, double Cutoff, int Window, TVector& Kernel) {
    CheckKernelArgs("CalcSincHPKernel", M, {Cutoff});
    StoreKernel(HighPassKernel(M, Cutoff, Window), Kernel);
}
void CalcSincHPKernel(int M, double Cutoff, int Window, TDoubleArray& Kernel) {
    CheckKernelArgs("CalcSincHPKernel", M, {Cutoff});
    Kernel = HighPassKernel(M, Cutoff, Window);
}
void CalcSincBSKernel(int M, double Cutoff1, double Cutoff2, int Window, TVector& Kernel) {
    CheckKernelArgs("CalcSincBSKernel", M, {Cutoff1, Cutoff2});
    StoreKernel(BandStopKernel(M, Cutoff1, Cutoff2, Window), Kernel);
}
void CalcSincBSKernel(int M, double Cutoff1, double Cutoff2, int Window, TDoubleArray& Kernel) {
    CheckKernelArgs("CalcSincBSKernel", M, {Cutoff1, Cutoff2});
    Kernel = BandStopKernel(M, Cutoff1, Cutoff2, Window);
}
void CalcSincBPKernel(int M, double Cutoff1, double Cutoff2, int Window, TVector& Kernel) {
    CheckKernelArgs("CalcSincBPKernel", M, {Cutoff1, Cutoff2});
    StoreKernel(BandPassKernel(M, Cutoff1, Cutoff2, Window), Kernel);
}
void CalcSincBPKernel(int M, double Cutoff1, double Cutoff2, int Window, TDoubleArray& Kernel) {
    CheckKernelArgs("CalcSincBPKernel", M, {Cutoff1, Cutoff2});
    Kernel = BandPassKernel(M, Cutoff1, Cutoff2, Window);
}

void MovingKernelFilter(const TVector* SourceVec, int First, int Last, TVector* DestVec,
                        const TVector* FilterKernel) {
    if (SourceVec == nullptr || DestVec == nullptr || FilterKernel == nullptr)
        RaiseMath2("MovingKernelfilter", "SourceVec, DestVec and/or FilterKernel is undefined");
    const int n = SourceVec->NrOfElem();
    MakeValidRange(First, Last, n);
    const int K = FilterKernel->NrOfElem();
    if (Last - First < K)
        RaiseMath2("MovingKernelfilter",
                   "specified range for smoothing is smaller than the length of the kernel");

    // Everything is read before DestVec is touched, so any of the vectors may be the same one.
    const std::span<const double> kern = FilterKernel->Cells();
    const std::span<const double> src = SourceVec->Cells();
    const std::ptrdiff_t len = static_cast<std::ptrdiff_t>(Last) - First + 1;
    // The range with its end values repeated: pad[u] = x(First - K div 2 + u) held to First..Last.
    std::vector<double> pad(static_cast<size_t>(len + K - 1));
    for (std::ptrdiff_t u = 0; u < static_cast<std::ptrdiff_t>(pad.size()); ++u) {
        const std::ptrdiff_t idx =
            std::clamp<std::ptrdiff_t>(First - K / 2 + u, First, Last);  // 1-based
        pad[static_cast<size_t>(u)] = src[static_cast<size_t>(idx - 1)];
    }
    std::vector<double> out(static_cast<size_t>(len), 0.0);
    for (int k = 0; k < K; ++k) {
        const double c = kern[static_cast<size_t>(k)];
        const double* p = pad.data() + k;
        for (std::ptrdiff_t t = 0; t < len; ++t) out[static_cast<size_t>(t)] += c * p[t];
    }
    DestVec->Resize(n);
    std::copy(out.begin(), out.end(), DestVec->Cells().begin());
    DestVec->Changed();
}

void CalcChebFilterCoeffs(int NPoles, bool HighPass, double Cutoff, double Ripple, double& a0,
                          TMatrix& Coeffs) {
    constexpr const char* routine = "CalcChebFilterCoeffs";
    if (NPoles % 2 != 0) RaiseMath2(routine, "NPoles must be even");
    if (!(Ripple >= 0 && Ripple <= 29)) RaiseMath2(routine, "invalid Ripple value");
    if (!(Cutoff >= 0 && Cutoff <= 0.5)) RaiseMath2(routine, "invalid cutoff frequency");
    // A low-pass at 0 or a high-pass at the Nyquist frequency passes nothing: its gain cannot be
    // normalised (0/0), so every coefficient would be NaN.
    if ((!HighPass && Cutoff == 0) || (HighPass && Cutoff == 0.5))
        RaiseMath2(routine, "invalid cutoff frequency");
    // The cascade polynomials have 23 terms: more than 20 poles would be cut off silently and
    // the coefficient matrix read past them.
    if (NPoles < 0 || NPoles > 20) RaiseMath2(routine, "NPoles must not exceed 20");

    constexpr int kTerms = 23;
    std::array<double, kTerms> A{}, B{};
    A[2] = 1;
    B[2] = 1;
    const double pi = std::numbers::pi;
    for (int p = 1; p <= NPoles / 2; ++p) {
        // Pole pair on the unit circle, warped onto an ellipse for the Chebyshev ripple.
        const double angle = pi / (2.0 * NPoles) + (p - 1) * pi / NPoles;
        double RP = -std::cos(angle);
        double IP = std::sin(angle);
        if (Ripple != 0) {
            const double ratio = 100.0 / (100.0 - Ripple);
            const double ES = std::sqrt(ratio * ratio - 1);
            const double VX = std::log(1 / ES + std::sqrt(1 / (ES * ES) + 1)) / NPoles;
            double KX = std::log(1 / ES + std::sqrt(1 / (ES * ES) - 1)) / NPoles;
            KX = std::cosh(KX);
            RP = RP * std::sinh(VX) / KX;
            IP = IP * std::cosh(VX) / KX;
        }
        // s-plane to z-plane (bilinear transform) at a prototype cutoff of 1 rad per sample.
        const double T = 2 * std::tan(0.5);
        const double M = RP * RP + IP * IP;
        double D = 4 - 4 * RP * T + M * T * T;
        const double X0 = T * T / D, X1 = 2 * T * T / D, X2 = T * T / D;
        const double Y1 = (8 - 2 * M * T * T) / D;
        const double Y2 = (-4 - 4 * RP * T - M * T * T) / D;
        // Low-pass to low-pass or high-pass transform to the requested cutoff.
        const double Wc = 2 * pi * Cutoff;
        const double K = HighPass ? -std::cos(Wc / 2 + 0.5) / std::cos(Wc / 2 - 0.5)
                                  : std::sin(0.5 - Wc / 2) / std::sin(0.5 + Wc / 2);
        D = 1 + Y1 * K - Y2 * K * K;
        const double pa0 = (X0 - X1 * K + X2 * K * K) / D;
        double pa1 = (-2 * X0 * K + X1 + X1 * K * K - 2 * X2 * K) / D;
        const double pa2 = (X0 * K * K - X1 * K + X2) / D;
        double pb1 = (2 * K + Y1 + Y1 * K * K - 2 * Y2 * K) / D;
        const double pb2 = (-K * K - Y1 * K + Y2) / D;
        if (HighPass) {
            pa1 = -pa1;
            pb1 = -pb1;
        }
        // Multiply the pole pair into the cascade.
        const std::array<double, kTerms> TA = A, TB = B;
        for (int i = 2; i < kTerms; ++i) {
            A[i] = pa0 * TA[i] + pa1 * TA[i - 1] + pa2 * TA[i - 2];
            B[i] = TB[i] - pb1 * TB[i - 1] - pb2 * TB[i - 2];
        }
    }
    B[2] = 0;
    for (int i = 0; i <= 20; ++i) {
        A[i] = A[i + 2];
        B[i] = -B[i + 2];
    }
    // Unity gain at 0 Hz (low-pass) or at the Nyquist frequency (high-pass).
    double SA = 0, SB = 0;
    for (int i = 0; i <= 20; ++i) {
        const double sign = (HighPass && i % 2 == 1) ? -1.0 : 1.0;
        SA += A[i] * sign;
        SB += B[i] * sign;
    }
    const double gain = SA / (1 - SB);
    for (int i = 0; i <= 20; ++i) A[i] /= gain;

    a0 = A[0];
    Coeffs.Resize(2, NPoles);
    double* cells = Coeffs.Data();
    const int rows = Coeffs.NrOfRows();
    for (int k = 1; k <= NPoles; ++k) {
        cells[k - 1] = A[k];
        cells[rows + k - 1] = B[k];
    }
    Coeffs.Changed();
}

void ChebychevFilter(const TVector& SourceVec, int First, int Last, TVector& DestVec, double a0,
                     const TMatrix& Coeffs) {
    const int np = Coeffs.NrOfRows();
    std::vector<double> a(static_cast<size_t>(np) + 1), b(static_cast<size_t>(np) + 1);
    for (int k = 1; k <= np; ++k) {
        a[static_cast<size_t>(k)] = Coeffs.GetVal(1, k);
        b[static_cast<size_t>(k)] = Coeffs.GetVal(2, k);
    }
    const int n = SourceVec.NrOfElem();
    MakeValidRange(First, Last, n);
    const std::span<const double> x = SourceVec.Cells();

    // Work index j = 1..L with X(j) = x(j - np - 1): np + 1 zeros lead in, np + 1 trail after
    // Last. Samples after Last count as 0, so the result for a range does not depend on the
    // samples that follow it. Buffers carry np zeros before index 1 and after index L so the
    // recursions need no bounds tests.
    const std::ptrdiff_t L = static_cast<std::ptrdiff_t>(Last) + 2 * (np + 1);
    const std::ptrdiff_t off = np;  // buffer position of index 0
    std::vector<double> X(static_cast<size_t>(L + 2 * np + 1), 0.0);
    std::vector<double> y(X.size(), 0.0), z(X.size(), 0.0);
    for (int m = 1; m <= Last; ++m)
        X[static_cast<size_t>(off + m + np + 1)] = x[static_cast<size_t>(m - 1)];

    for (std::ptrdiff_t j = 1; j <= L; ++j) {
        const size_t jj = static_cast<size_t>(off + j);
        double v = a0 * X[jj];
        for (int k = 1; k <= np; ++k)
            v += a[static_cast<size_t>(k)] * X[jj - k] + b[static_cast<size_t>(k)] * y[jj - k];
        y[jj] = v;
    }
    for (std::ptrdiff_t j = L; j >= 1; --j) {
        const size_t jj = static_cast<size_t>(off + j);
        double v = a0 * y[jj];
        for (int k = 1; k <= np; ++k)
            v += a[static_cast<size_t>(k)] * y[jj + k] + b[static_cast<size_t>(k)] * z[jj + k];
        z[jj] = v;
    }
    // Stored at the source index; stores beyond DestVec are dropped.
    const std::span<double> dest = DestVec.Cells();
    for (int e = First; e <= Last && e <= static_cast<int>(dest.size()); ++e)
        dest[static_cast<size_t>(e - 1)] = z[static_cast<size_t>(off + e + np + 1)];
    DestVec.Changed();
}

}  // namespace ozm::math2
