// The butterfly stages of the radix-2 decimation-in-time transform, written once over a small
// vector-operations policy and included by each kernel's translation unit, which compiles it for its
// own instruction set. Everything here has internal linkage, so the copies compiled for different
// instruction sets never merge at link time.
//
// A policy O provides: type V holding O::W complex numbers (interleaved re, im); Load, Store, Add,
// Sub; Mul(x, w) = x * w; Conj(w); MulI(x) = i * x; MulMinusI(x) = -i * x. O1 is the policy with
// one complex number per V, used where neighbouring butterflies do not share a twiddle pattern.
//
// Two consecutive radix-2 stages (spans m and 2m) are done in one pass over the data (radix 2^2):
// each butterfly takes its four values x(p), x(p+m), x(p+2m), x(p+3m), runs the two stages in
// registers and stores once. The arithmetic is that of the two radix-2 stages, only the memory
// traffic is halved; the factor of x(p+m+...) in the second stage, exp(i pi (j+m)/(2m)), is i times
// that of x(p), which is exact.

namespace {

// Blocks of this many complex samples (16 KiB, within the level-1 cache) are transformed through
// all their stages before the next block is touched; the larger spans then run depth-first, so
// each pass over a sub-block finds it in cache.
constexpr size_t kBlockSize = 1024;

template <class O, bool Inv>
inline typename O::V Twiddle(const double* w) {
    if constexpr (Inv) {
        return O::Conj(O::Load(w));
    } else {
        return O::Load(w);
    }
}

template <class O, bool Inv>
inline typename O::V RotateQuarter(typename O::V x) {
    if constexpr (Inv) {
        return O::MulMinusI(x);
    } else {
        return O::MulI(x);
    }
}

// Spans 1 and 2 on every group of four complex samples (twiddles 1 and +-i: no multiplication).
template <class O1, bool Inv>
void FirstPass(double* x, size_t n) {
    for (size_t b = 0; b < n; b += 4) {
        double* p = x + 2 * b;
        const auto a0 = O1::Load(p);
        const auto a1 = O1::Load(p + 2);
        const auto a2 = O1::Load(p + 4);
        const auto a3 = O1::Load(p + 6);
        const auto b0 = O1::Add(a0, a1);
        const auto b1 = O1::Sub(a0, a1);
        const auto b2 = O1::Add(a2, a3);
        const auto t = RotateQuarter<O1, Inv>(O1::Sub(a2, a3));
        O1::Store(p, O1::Add(b0, b2));
        O1::Store(p + 4, O1::Sub(b0, b2));
        O1::Store(p + 2, O1::Add(b1, t));
        O1::Store(p + 6, O1::Sub(b1, t));
    }
}

// One radix-2 stage of span m on the block x(0..2m-1); w points at the span's twiddles.
template <class O, bool Inv>
void Radix2Pass(double* x, size_t m, const double* w) {
    double* q = x + 2 * m;
    for (size_t j = 0; j < m; j += O::W) {
        const auto wj = Twiddle<O, Inv>(w + 2 * j);
        const auto a = O::Load(x + 2 * j);
        const auto t = O::Mul(O::Load(q + 2 * j), wj);
        O::Store(x + 2 * j, O::Add(a, t));
        O::Store(q + 2 * j, O::Sub(a, t));
    }
}

// Spans m and 2m on the block x(0..4m-1); w1, w2 point at the twiddles of spans m and 2m.
template <class O, bool Inv>
void Radix4Pass(double* x, size_t m, const double* w1, const double* w2) {
    double* x1 = x + 2 * m;
    double* x2 = x + 4 * m;
    double* x3 = x + 6 * m;
    for (size_t j = 0; j < m; j += O::W) {
        const size_t o = 2 * j;
        const auto v1 = Twiddle<O, Inv>(w1 + o);
        const auto v2 = Twiddle<O, Inv>(w2 + o);
        const auto a0 = O::Load(x + o);
        const auto a2 = O::Load(x2 + o);
        const auto t1 = O::Mul(O::Load(x1 + o), v1);
        const auto t3 = O::Mul(O::Load(x3 + o), v1);
        const auto b0 = O::Add(a0, t1);
        const auto b1 = O::Sub(a0, t1);
        const auto b2 = O::Add(a2, t3);
        const auto b3 = O::Sub(a2, t3);
        const auto u2 = O::Mul(b2, v2);
        const auto u3 = RotateQuarter<O, Inv>(O::Mul(b3, v2));
        O::Store(x + o, O::Add(b0, u2));
        O::Store(x2 + o, O::Sub(b0, u2));
        O::Store(x1 + o, O::Add(b1, u3));
        O::Store(x3 + o, O::Sub(b1, u3));
    }
}

// All stages of a block of n <= kBlockSize samples, n >= 4.
template <class O, class O1, bool Inv>
void Iterative(double* x, size_t n, const double* tw) {
    FirstPass<O1, Inv>(x, n);
    size_t m = 4;
    for (; 4 * m <= n; m *= 4) {
        for (size_t b = 0; b < n; b += 4 * m) Radix4Pass<O, Inv>(x + 2 * b, m, tw + 2 * m, tw + 4 * m);
    }
    if (2 * m == n) Radix2Pass<O, Inv>(x, m, tw + 2 * m);
}

// The same order of stages per element, run depth-first over blocks of n samples: the halves or
// quarters of the block first, then the stages that join them.
template <class O, class O1, bool Inv>
void Recursive(double* x, size_t n, const double* tw) {
    if (n <= kBlockSize) {
        Iterative<O, O1, Inv>(x, n, tw);
    } else if (n >= 4 * kBlockSize) {
        const size_t q = n / 4;
        for (size_t k = 0; k < 4; ++k) Recursive<O, O1, Inv>(x + 2 * k * q, q, tw);
        Radix4Pass<O, Inv>(x, q, tw + 2 * q, tw + 4 * q);
    } else {
        const size_t h = n / 2;
        Recursive<O, O1, Inv>(x, h, tw);
        Recursive<O, O1, Inv>(x + 2 * h, h, tw);
        Radix2Pass<O, Inv>(x, h, tw + 2 * h);
    }
}

template <class O, class O1>
void Stages(double* x, size_t n, const double* tw, bool inverse) {
    if (inverse) {
        Recursive<O, O1, true>(x, n, tw);
    } else {
        Recursive<O, O1, false>(x, n, tw);
    }
}

}  // namespace
