// The portable butterfly kernel: plain complex arithmetic on pairs of doubles.
#include "transforms/fft_kernels.hpp"

namespace ozm::fourier::detail {
namespace {

struct ScalarOps {
    struct V {
        double re;
        double im;
    };
    static constexpr size_t W = 1;
    static V Load(const double* p) { return {p[0], p[1]}; }
    static void Store(double* p, V v) {
        p[0] = v.re;
        p[1] = v.im;
    }
    static V Add(V a, V b) { return {a.re + b.re, a.im + b.im}; }
    static V Sub(V a, V b) { return {a.re - b.re, a.im - b.im}; }
    static V Mul(V x, V w) { return {x.re * w.re - x.im * w.im, x.re * w.im + x.im * w.re}; }
    static V Conj(V w) { return {w.re, -w.im}; }
    static V MulI(V x) { return {-x.im, x.re}; }
    static V MulMinusI(V x) { return {x.im, -x.re}; }
};

}  // namespace

#include "transforms/fft_stages.inl"

void FFTStagesScalar(double* Data, size_t N, const double* Twiddle, bool Inverse) noexcept {
    Stages<ScalarOps, ScalarOps>(Data, N, Twiddle, Inverse);
}

}  // namespace ozm::fourier::detail
