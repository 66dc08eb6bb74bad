// One complex number per 128-bit register with VEX encoding (SSE3, AVX and FMA instructions), for
// the first pass of the AVX2 and AVX-512 kernels. Included inside their anonymous namespace, after
// their target options are in force.

// One complex number per register, VEX-encoded, for the first pass.
struct Avx128Ops {
    using V = __m128d;
    static constexpr size_t W = 1;
    static V Load(const double* p) { return _mm_loadu_pd(p); }
    static void Store(double* p, V v) { _mm_storeu_pd(p, v); }
    static V Add(V a, V b) { return _mm_add_pd(a, b); }
    static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
    static V Mul(V x, V w) {
        const V xr = _mm_movedup_pd(x);
        const V xi = _mm_permute_pd(x, 0x3);
        const V ws = _mm_permute_pd(w, 0x1);
        return _mm_fmaddsub_pd(w, xr, _mm_mul_pd(ws, xi));
    }
    static V Conj(V w) { return _mm_xor_pd(w, _mm_set_pd(-0.0, 0.0)); }
    static V MulI(V x) { return _mm_xor_pd(_mm_permute_pd(x, 0x1), _mm_set_pd(0.0, -0.0)); }
    static V MulMinusI(V x) { return _mm_xor_pd(_mm_permute_pd(x, 0x1), _mm_set_pd(-0.0, 0.0)); }
};
