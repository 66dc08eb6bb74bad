// TWavelet1D against PyWavelets, the closed-form filters and the identities of orthogonal and
// transposed filter banks.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "ozm/wavelet.hpp"
#include "test_support.hpp"

namespace {

#include "../data/transforms/wavelet_refs.inc"

using ozm::TWavelet1D;
using ozm::TWLSigExtMode;
using ozm::testing::kEps;

constexpr TWLSigExtMode kModes[] = {TWLSigExtMode::wseWrap, TWLSigExtMode::wseZeroPad,
                                    TWLSigExtMode::wseSymmetric};

const double* LevelsRef(int order, int mode) {
    static const double* const refs[3][3] = {
        {wavelet_refs::kLevels_1_wrap, wavelet_refs::kLevels_1_zero, wavelet_refs::kLevels_1_symmetric},
        {wavelet_refs::kLevels_2_wrap, wavelet_refs::kLevels_2_zero, wavelet_refs::kLevels_2_symmetric},
        {wavelet_refs::kLevels_3_wrap, wavelet_refs::kLevels_3_zero, wavelet_refs::kLevels_3_symmetric}};
    return refs[order - 1][mode];
}

std::vector<double> RandomSignal(int n, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> d;
    std::vector<double> x(static_cast<size_t>(n));
    for (auto& v : x) v = d(gen);
    return x;
}

void Load(TWavelet1D& w, const std::vector<double>& x) {
    w.SetNumData(static_cast<int>(x.size()));
    for (size_t i = 0; i < x.size(); ++i) w.SetDataVal(static_cast<int>(i + 1), x[i]);
}

std::vector<double> Values(const TWavelet1D& w) {
    std::vector<double> x(static_cast<size_t>(w.Size()));
    for (size_t i = 0; i < x.size(); ++i) x[i] = w.GetDataVal(static_cast<int>(i + 1));
    return x;
}

double MaxDiff(const std::vector<double>& a, const std::vector<double>& b) {
    double m = 0;
    for (size_t i = 0; i < a.size(); ++i) m = std::max(m, std::fabs(a[i] - b[i]));
    return m;
}

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
    long double s = 0;
    for (size_t i = 0; i < a.size(); ++i) s += static_cast<long double>(a[i]) * b[i];
    return static_cast<double>(s);
}

}  // namespace

TEST(Wavelet, FiltersAreTheOrthonormalDaubechiesFilters) {
    TWavelet1D w;
    const double* pywt_filters[] = {wavelet_refs::kLowPass1, wavelet_refs::kLowPass2, wavelet_refs::kLowPass3};
    // the published decimals of the scaling filters
    const double published[3][6] = {
        {0.7071067811865476, 0.7071067811865476},
        {0.48296291314453416, 0.8365163037378079, 0.2241438680420134, -0.12940952255126037},
        {0.33267055295008263, 0.8068915093110925, 0.45987750211849154, -0.13501102001025458,
         -0.08544127388202666, 0.03522629188570953}};
    const long double ext_eps = 1e-18L;  // a few units of the extended precision
    for (int k = 1; k <= 3; ++k) {
        w.SetOrder(k);
        EXPECT_EQ(w.Order(), k);
        long double sum = 0;
        for (int j = 0; j < 2 * k; ++j) {
            EXPECT_NEAR(static_cast<double>(w.LowPass(j)), pywt_filters[k - 1][j], 2 * kEps) << k << " " << j;
            EXPECT_NEAR(static_cast<double>(w.LowPass(j)), published[k - 1][j], 2 * kEps) << k << " " << j;
            EXPECT_EQ(w.HighPass(j), (j % 2 ? -1 : 1) * w.LowPass(2 * k - 1 - j));
            sum += w.LowPass(j);
        }
        EXPECT_NEAR(static_cast<double>(sum - std::sqrt(2.0L)), 0.0, ext_eps);
        // orthonormal to each other's even shifts, and the high pass to the low pass
        for (int s = 0; s < 2 * k; s += 2) {
            long double hh = 0, hg = 0;
            for (int j = 0; j + s < 2 * k; ++j) {
                hh += w.LowPass(j) * w.LowPass(j + s);
                hg += w.LowPass(j) * w.HighPass(j + s);
            }
            EXPECT_NEAR(static_cast<double>(hh - (s == 0 ? 1 : 0)), 0.0, ext_eps) << k << " shift " << s;
            EXPECT_NEAR(static_cast<double>(hg), 0.0, ext_eps) << k << " shift " << s;
        }
        EXPECT_EQ(w.LowPass(-1), 0.0L);
        EXPECT_EQ(w.LowPass(2 * k), 0.0L);
    }
}

TEST(Wavelet, EveryLevelMatchesPyWavelets) {
    const int n = wavelet_refs::kN;
    const std::vector<double> x(wavelet_refs::kSignal, wavelet_refs::kSignal + n);
    for (int order = 1; order <= 3; ++order) {
        for (int mode = 0; mode < 3; ++mode) {
            for (int level = 1; level <= wavelet_refs::kLevels; ++level) {
                TWavelet1D w;
                w.SetOrder(order);
                w.SetSigExtMode(kModes[mode]);
                Load(w, x);
                w.Transform(level);
                const double* ref = LevelsRef(order, mode) + (level - 1) * n;
                const std::vector<double> want(ref, ref + n);
                EXPECT_LE(MaxDiff(Values(w), want), 16 * kEps * level)
                    << "order " << order << " mode " << mode << " level " << level;
            }
        }
    }
}

// The extension of order 3 on a block of two values: six taps reach four positions back. The
// mirror continues periodically, so only the block is read (values beyond it are left alone), and
// the inverse step writes only into the block.
TEST(Wavelet, Order3SymmetricStaysInsideTwoValueBlock) {
    TWavelet1D w;
    w.SetOrder(3);
    w.SetSigExtMode(TWLSigExtMode::wseSymmetric);
    w.SetNumData(4);
    w.SetDataVal(1, wavelet_refs::kTwo[0]);
    w.SetDataVal(2, wavelet_refs::kTwo[1]);
    w.SetDataVal(3, 1e6);
    w.SetDataVal(4, -1e6);
    w.PartialWLT(2, 0, false);
    EXPECT_NEAR(w.GetDataVal(1), wavelet_refs::kTwoOrder3Symmetric[0], 4 * kEps);
    EXPECT_NEAR(w.GetDataVal(2), wavelet_refs::kTwoOrder3Symmetric[1], 4 * kEps);
    EXPECT_EQ(w.GetDataVal(3), 1e6);
    w.PartialWLT(2, 0, true);
    EXPECT_EQ(w.GetDataVal(3), 1e6);
    EXPECT_EQ(w.GetDataVal(4), -1e6);
    // a full inverse reaches the two-value block
    w.SetNumData(64);
    Load(w, RandomSignal(64, 3));
    w.Transform(6);
    w.InverseTransform(6);
    for (int i = 1; i <= 64; ++i) EXPECT_TRUE(std::isfinite(w.GetDataVal(i)));
}

TEST(Wavelet, WrapRoundTripsAreExactAndOrthogonal) {
    for (int order = 1; order <= 3; ++order) {
        for (int lg = 1; lg <= 10; ++lg) {
            const int n = 1 << lg;
            SCOPED_TRACE("order " + std::to_string(order) + " N " + std::to_string(n));
            const std::vector<double> x = RandomSignal(n, 11 * lg + order);
            TWavelet1D w;
            w.SetOrder(order);
            Load(w, x);
            w.Transform(lg + 3);  // more levels than there are: stops at the two-value block
            const std::vector<double> c = Values(w);
            EXPECT_NEAR(Dot(c, c), Dot(x, x), 8 * kEps * Dot(x, x));  // energy kept at every level
            w.InverseTransform(lg);
            EXPECT_LE(MaxDiff(Values(w), x), 8 * kEps);
            w.SingleStep(false);
            w.SingleStep(true);
            EXPECT_LE(MaxDiff(Values(w), x), 8 * kEps);
        }
    }
    // Fewer levels than log2 N: the inverse starts at the two-value block and does not undo them.
    TWavelet1D w;
    const std::vector<double> x = RandomSignal(8, 1);
    Load(w, x);
    w.Transform(3);
    w.InverseTransform(3);
    EXPECT_LE(MaxDiff(Values(w), x), 8 * kEps);
    w.Transform(1);
    w.InverseTransform(1);
    EXPECT_GT(MaxDiff(Values(w), x), 1e-3);
}

TEST(Wavelet, HaarRoundTripsInEveryMode) {
    for (TWLSigExtMode mode : kModes) {
        TWavelet1D w;
        w.SetOrder(1);
        w.SetSigExtMode(mode);
        w.SetNumData(2);
        w.SetDataVal(1, 1);
        w.SetDataVal(2, 1);
        w.SingleStep(false);
        EXPECT_NEAR(w.GetDataVal(1), std::sqrt(2.0), kEps);
        EXPECT_NEAR(w.GetDataVal(2), 0.0, kEps);
        w.SingleStep(true);
        EXPECT_NEAR(w.GetDataVal(1), 1.0, kEps);
        EXPECT_NEAR(w.GetDataVal(2), 1.0, kEps);
        const std::vector<double> x = RandomSignal(128, 9);
        Load(w, x);
        w.Transform(7);
        w.InverseTransform(7);
        EXPECT_LE(MaxDiff(Values(w), x), 8 * kEps);
    }
}

// In every mode the inverse step is the transpose of the forward step: <F x, y> = <x, F^T y>.
// Zero padding restores all but the last 2K-2 values of a single step.
TEST(Wavelet, InverseStepIsTheTransposeInEveryMode) {
    for (int order = 1; order <= 3; ++order) {
        for (int mode = 0; mode < 3; ++mode) {
            for (int n : {2, 4, 8, 16}) {
                SCOPED_TRACE("order " + std::to_string(order) + " mode " + std::to_string(mode) + " N " +
                             std::to_string(n));
                const std::vector<double> x = RandomSignal(n, 100 + n);
                const std::vector<double> y = RandomSignal(n, 200 + n);
                TWavelet1D w;
                w.SetOrder(order);
                w.SetSigExtMode(kModes[mode]);
                Load(w, x);
                w.SingleStep(false);
                const std::vector<double> fx = Values(w);
                Load(w, y);
                w.SingleStep(true);
                const std::vector<double> fty = Values(w);
                EXPECT_NEAR(Dot(fx, y), Dot(x, fty), 32 * kEps * n);
                if (kModes[mode] == TWLSigExtMode::wseZeroPad) {
                    Load(w, x);
                    w.SingleStep(false);
                    w.SingleStep(true);
                    const std::vector<double> back = Values(w);
                    for (int i = 0; i < n - 2 * order + 2; ++i) EXPECT_NEAR(back[i], x[i], 8 * kEps) << i;
                }
            }
        }
    }
}

TEST(Wavelet, SizesOrdersAndIndexRanges) {
    TWavelet1D w;
    w.SetName("WL");
    EXPECT_EQ(w.Size(), 256);
    EXPECT_EQ(w.Order(), 2);
    EXPECT_EQ(w.SignalExtMode(), TWLSigExtMode::wseWrap);
    EXPECT_EQ(w.WaveletFamily(), ozm::TWaveletFamily::wlfDaubechies);
    EXPECT_STREQ(w.ClassName(), "TWavelet1D");
    w.SetDataVal(5, 2.5);
    for (int bad : {4, 0, -1, INT_MIN}) {
        try {
            w.SetOrder(bad);
            ADD_FAILURE() << bad;
        } catch (const ozm::EOZMWaveletError& e) {
            EXPECT_EQ(e.message(), "Component \"WL\": invalid order of Daubechies wavelet family");
        }
    }
    for (int bad : {100, 0, -8, INT_MAX}) {
        try {
            w.SetNumData(bad);
            ADD_FAILURE() << bad;
        } catch (const ozm::EOZMWaveletError& e) {
            EXPECT_EQ(e.message(), "Component \"WL\": data length must be power of 2");
        }
    }
    EXPECT_EQ(w.Order(), 2);
    EXPECT_EQ(w.Size(), 256);
    EXPECT_EQ(w.GetDataVal(5), 2.5);
    w.SetOrder(3);  // keeps the signal
    EXPECT_EQ(w.GetDataVal(5), 2.5);
    for (int ix : {0, -1, 257, INT_MIN, INT_MAX}) {
        w.SetDataVal(ix, 9);
        EXPECT_EQ(w.GetDataVal(ix), 0.0);
    }
    // blocks that are not powers of two or do not lie inside the signal are left alone
    const std::vector<double> before = Values(w);
    for (auto [n, off] : {std::pair{3, 0}, {2, 255}, {256, 1}, {0, 0}, {1, 0}, {-2, 0}, {2, -1}, {512, 0}}) {
        w.PartialWLT(n, off, false);
        w.PartialWLT(n, off, true);
    }
    EXPECT_EQ(Values(w), before);
    // a block inside the signal: only it changes
    w.PartialWLT(4, 4, false);
    const std::vector<double> after = Values(w);
    EXPECT_NE(after[4], before[4]);
    for (int i : {0, 1, 2, 3, 8, 100}) EXPECT_EQ(after[i], before[i]) << i;
    w.Clear();
    EXPECT_EQ(w.GetDataVal(5), 0.0);
    w.SetNumData(1);  // nothing to transform
    w.SetDataVal(1, 3);
    w.Transform(5);
    w.InverseTransform(5);
    EXPECT_EQ(w.GetDataVal(1), 3.0);
}

TEST(Wavelet, LevelZeroCountsAsOne) {
    const std::vector<double> x = RandomSignal(16, 4);
    TWavelet1D a, b;
    Load(a, x);
    Load(b, x);
    a.Transform(0);
    b.Transform(1);
    EXPECT_EQ(Values(a), Values(b));
    a.InverseTransform(-3);
    b.InverseTransform(1);
    EXPECT_EQ(Values(a), Values(b));
}

TEST(Wavelet, NaNStaysLocalToItsFilterSupport) {
    TWavelet1D w;
    std::vector<double> x = RandomSignal(64, 2);
    x[40] = std::nan("");
    Load(w, x);
    w.SingleStep(false);
    // order 2: output l reads positions 2l-2..2l+1, so the value at 40 feeds outputs 20 and 21
    for (int l = 0; l < 32; ++l) {
        const bool hit = (l == 20 || l == 21);
        EXPECT_EQ(std::isnan(w.GetDataVal(l + 1)), hit) << l;
        EXPECT_EQ(std::isnan(w.GetDataVal(32 + l + 1)), hit) << l;
    }
}
