// Sizing, element access, events, copying and arithmetic of TVector and TIntVector.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

std::vector<double> Values(const TVector& v) {
    return std::vector<double>(v.Cells().begin(), v.Cells().end());
}

TVector& Set(TVector& v, std::vector<double> values) {
    v.Resize(static_cast<int>(values.size()));
    std::copy(values.begin(), values.end(), v.Cells().begin());
    return v;
}

// Counts OnChange calls of a container.
struct ChangeCounter {
    int count = 0;
    template <typename V>
    explicit ChangeCounter(V& v) {
        v.OnChange = [this](TObject*) { ++count; };
    }
};

TEST(VectorCore, CreationAndResize) {
    TVector v;
    EXPECT_EQ(v.NrOfElem(), 1);
    EXPECT_EQ(v.GetVal(1), 0.0);
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_STREQ(v.ClassName(), "TVector");

    ChangeCounter changes(v);
    EXPECT_FALSE(v.Resize(0));
    EXPECT_FALSE(v.Resize(-5));
    EXPECT_EQ(v.NrOfElem(), 1);
    EXPECT_TRUE(v.Resize(1));  // present size: no event
    EXPECT_EQ(changes.count, 0);

    v.Resize(2);
    v.SetVal(1, 1);
    v.SetVal(2, 2);
    changes.count = 0;
    v.Resize(4);
    EXPECT_EQ(Values(v), (std::vector<double>{1, 2, 0, 0}));
    v.Resize(2);
    EXPECT_EQ(Values(v), (std::vector<double>{1, 2}));
    EXPECT_EQ(changes.count, 2);

    v.SetVecSize(0);
    v.SetVecSize(2);
    EXPECT_EQ(changes.count, 2);
    v.SetVecSize(3);
    EXPECT_EQ(v.NrOfElem(), 3);
    EXPECT_EQ(changes.count, 3);
}

#if !defined(__SANITIZE_ADDRESS__)
// Exits 0 when a resize beyond a 1 GiB address space raises the resize message and leaves the
// vector as it was.
[[noreturn]] void ResizeUnderAddressSpaceLimit() {
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = rlim_t(1) << 30;
    setrlimit(RLIMIT_AS, &limit);
    TVector v;
    v.SetName("big");
    v.Resize(3);
    v.SetVal(3, 7);
    try {
        v.Resize(400'000'000);  // 3.2 GB
    } catch (const EOZMVectorError& e) {
        const bool ok = e.message() == "Component \"big\": not enough memory" &&
                        v.NrOfElem() == 3 && v.Cells().size() == 3 && v.GetVal(3) == 7;
        std::exit(ok ? 0 : 2);
    }
    std::exit(1);
}

// The failed allocation is provoked in a child process (the sanitizer runtime reserves more
// address space than the limit allows, so this runs in the plain build only).
TEST(VectorCoreDeathTest, FailedResizeRaisesAndKeepsSize) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ResizeUnderAddressSpaceLimit(), ::testing::ExitedWithCode(0), "");
}
#endif

TEST(VectorCore, ElementAccessOutsideIsIgnored) {
    TVector v;
    Set(v, {1, 2, 3});
    ChangeCounter changes(v);
    EXPECT_EQ(v.GetVal(0), 0.0);
    EXPECT_EQ(v.GetVal(4), 0.0);
    v.SetVal(0, 9);
    v.SetVal(4, 9);
    EXPECT_EQ(changes.count, 0);
    EXPECT_TRUE(v.IsEmpty());
    v.SetVal(2, 7);
    EXPECT_EQ(changes.count, 1);
    EXPECT_FALSE(v.IsEmpty());
    EXPECT_EQ(v.GetVal(2), 7.0);
}

TEST(VectorCore, RangeNormalisation) {
    TVector v;
    v.Resize(10);
    const int cases[][4] = {{0, 0, 1, 10}, {0, 5, 1, 5},     {-3, 20, 1, 10},
                            {8, 2, 2, 8},  {12, 15, 10, 10}, {7, 0, 1, 7}};
    for (const auto& c : cases) {
        int lo = c[0];
        int hi = c[1];
        v.MakeValidElemRange(lo, hi);
        EXPECT_EQ(lo, c[2]) << c[0] << "," << c[1];
        EXPECT_EQ(hi, c[3]) << c[0] << "," << c[1];
    }
}

TEST(VectorCore, FillsClearAndEmptyFlag) {
    TVector v;
    v.Resize(4);
    ChangeCounter changes(v);
    v.Fill(2.5);
    EXPECT_EQ(Values(v), (std::vector<double>(4, 2.5)));
    EXPECT_FALSE(v.IsEmpty());
    v.Clear();
    EXPECT_EQ(Values(v), (std::vector<double>(4, 0)));
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_EQ(changes.count, 2);

    SetRandSeed(42);
    v.Resize(20000);
    v.FillRandomUniform(-2, 3);
    double lo = 0, hi = 0;
    v.MinMax(0, 0, lo, hi);
    EXPECT_GE(lo, -2);
    EXPECT_LT(hi, 3);
    double mean = 0, var = 0;
    v.MeanVar(0, 0, mean, var);
    EXPECT_NEAR(mean, 0.5, 0.05);         // uniform: mean (a + b) / 2
    EXPECT_NEAR(var, 25.0 / 12.0, 0.08);  // variance (b - a)^2 / 12
    // The same seed gives the same draws, in index order.
    SetRandSeed(42);
    EXPECT_EQ(v.GetVal(1), -2 + Random() * 5);

    v.FillRandomGauss(10, 2);
    v.MeanVar(0, 0, mean, var);
    EXPECT_NEAR(mean, 10, 0.06);
    EXPECT_NEAR(std::sqrt(var), 2, 0.05);
    EXPECT_EQ(changes.count, 2 + 1 + 2);
}

TEST(VectorCore, CrcFingerprint) {
    TVector a, b;
    const std::string zero = a.CRCofData();
    ASSERT_EQ(zero.size(), 64u);
    EXPECT_EQ(zero.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    Set(a, {1.5, -2, 3e10});
    Set(b, {1.5, -2, 3e10});
    EXPECT_EQ(a.CRCofData(), b.CRCofData());
    // Changing the lowest byte of one cell changes lane 0 only.
    uint64_t bits;
    double x = b.GetVal(2);
    std::memcpy(&bits, &x, 8);
    bits ^= 1;
    std::memcpy(&x, &bits, 8);
    b.SetVal(2, x);
    const std::string ca = a.CRCofData(), cb = b.CRCofData();
    EXPECT_NE(ca.substr(0, 8), cb.substr(0, 8));
    EXPECT_EQ(ca.substr(8), cb.substr(8));
    TIntVector iv;
    EXPECT_EQ(iv.CRCofData().size(), 32u);
}

TEST(VectorCore, AssignCopiesHandlersCloneDoesNot) {
    TVector src, dst;
    Set(src, {1, 2, 3});
    src.SetVal(1, 1);  // not empty
    int src_events = 0;
    src.OnChange = [&](TObject*) { ++src_events; };
    src_events = 0;
    dst.Assign(&src);
    EXPECT_EQ(Values(dst), Values(src));
    EXPECT_FALSE(dst.IsEmpty());
    EXPECT_EQ(src_events, 0);  // Assign does not notify
    ASSERT_TRUE(static_cast<bool>(dst.OnChange));
    dst.SetVal(1, 5);
    EXPECT_EQ(src_events, 1);  // the copied handler fires

    TVector clone;
    int clone_events = 0;
    clone.OnChange = [&](TObject*) { ++clone_events; };
    TVector other;
    Set(other, {4, 5, 6, 7});
    other.OnChange = [&](TObject*) { FAIL() << "source handler must not be copied"; };
    clone.Clone(&other);
    EXPECT_EQ(Values(clone), (std::vector<double>{4, 5, 6, 7}));
    // Resize (size changed) + one per element + one at the end.
    EXPECT_EQ(clone_events, 1 + 4 + 1);
    clone.Clone(nullptr);
    EXPECT_EQ(clone_events, 6);

    // Unrelated classes are refused with the runtime's conversion error.
    TIntVector iv;
    try {
        iv.Assign(&src);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "Cannot assign a TVector to a TIntVector");
    }
    // AssignTo goes through the destination's Assign.
    TVector via;
    src.AssignTo(&via);
    EXPECT_EQ(Values(via), Values(src));
}

TEST(VectorCore, CopyFromAndArrays) {
    TVector src, dst;
    Set(src, {1, 2, 3, 4, 5});
    dst.Resize(10);
    ChangeCounter changes(dst);
    dst.CopyFrom(&src, 2, 4, 9);  // writes 9 and 10, drops the third
    EXPECT_EQ(dst.GetVal(9), 2.0);
    EXPECT_EQ(dst.GetVal(10), 3.0);
    EXPECT_EQ(dst.GetVal(8), 0.0);
    EXPECT_EQ(changes.count, 2 + 1);
    dst.CopyFrom(&src, 0, 0, 1);  // (0, 0) is (1, 1) here
    EXPECT_EQ(dst.GetVal(1), 1.0);
    EXPECT_EQ(dst.GetVal(2), 0.0);
    dst.CopyFrom(&src, 9, -4, -1);  // clamped to 1..5, written from -1: positions 1..3
    EXPECT_EQ(Values(dst), (std::vector<double>{3, 4, 5, 0, 0, 0, 0, 0, 2, 3}));

    // Copying a vector onto an overlapping part of itself takes the values before the copy.
    TVector self;
    Set(self, {1, 2, 3, 4});
    self.CopyFrom(&self, 1, 3, 2);
    EXPECT_EQ(Values(self), (std::vector<double>{1, 1, 2, 3}));
    int self_events = 0;
    Set(self, {1, 2, 3, 4});
    self.OnChange = [&](TObject*) { ++self_events; };
    self.CopyFrom(&self, 1, 3, 2);
    EXPECT_EQ(Values(self), (std::vector<double>{1, 1, 2, 3}));
    EXPECT_EQ(self_events, 4);

    std::vector<double> arr;
    src.CopyToArray(arr, 4, 2);
    EXPECT_EQ(arr, (std::vector<double>{2, 3, 4}));
    src.CopyToArray(arr, 0, 0);
    EXPECT_EQ(arr.size(), 5u);

    TVector target;
    target.Resize(3);
    ChangeCounter target_changes(target);
    const std::vector<double> in{7, 8, 9};
    target.CopyFromArray(in, 2);  // 7, 8 fit; 9 is dropped
    EXPECT_EQ(Values(target), (std::vector<double>{0, 7, 8}));
    EXPECT_EQ(target_changes.count, 2);  // per element, no final event
    target.CopyFromArray(in, -1);        // position -1 and 0 dropped, 9 goes to 1
    EXPECT_EQ(target.GetVal(1), 9.0);
}

TEST(VectorCore, ArithmeticAndErrors) {
    TVector a, b;
    a.SetName("A");
    Set(a, {1, 2, 3});
    Set(b, {4, 5, 6});
    ChangeCounter changes(a);
    a.Add(&b);
    EXPECT_EQ(Values(a), (std::vector<double>{5, 7, 9}));
    a.Subtract(&b);
    EXPECT_EQ(Values(a), (std::vector<double>{1, 2, 3}));
    a.SMult(-2);
    a.AbsVal();
    EXPECT_EQ(Values(a), (std::vector<double>{2, 4, 6}));
    EXPECT_EQ(changes.count, 4);
    a.Add(nullptr);
    EXPECT_EQ(changes.count, 4);
    EXPECT_EQ(a.DotProduct(&b), 2 * 4 + 4 * 5 + 6 * 6);
    EXPECT_EQ(a.DotProduct(nullptr), 0.0);

    TVector c;
    Set(c, {1, 2});
    for (auto op : {0, 1, 2}) {
        try {
            if (op == 0) a.Add(&c);
            if (op == 1) a.Subtract(&c);
            if (op == 2) a.DotProduct(&c);
            FAIL();
        } catch (const EOZMVectorError& e) {
            EXPECT_EQ(e.message(), "Component \"A\": vectors have different dimensions");
        }
    }
    try {
        a.EuclideanDistance(&c);
        FAIL();
    } catch (const EOZMVectorError& e) {
        EXPECT_EQ(e.message(), "EuclideanDistance: dimensions of vectors do not match");
    }
    TVector p, q;
    Set(p, {0, 0});
    Set(q, {3, 4});
    EXPECT_EQ(p.EuclideanDistance(&q), 5.0);
    EXPECT_EQ(q.CalcVecLeng(), 5.0);
    // Lengths do not overflow or underflow on the way.
    Set(p, {3e200, 4e200});
    EXPECT_DOUBLE_EQ(p.CalcVecLeng(), 5e200);
    Set(p, {3e-200, 4e-200});
    EXPECT_DOUBLE_EQ(p.CalcVecLeng(), 5e-200);

    ChangeCounter q_changes(q);
    q.SetVecLeng(2);
    EXPECT_DOUBLE_EQ(q.GetVal(1), 1.2);
    EXPECT_DOUBLE_EQ(q.GetVal(2), 1.6);
    Set(p, {0, 0});
    ChangeCounter p_changes(p);
    p.SetVecLeng(2);
    EXPECT_EQ(Values(p), (std::vector<double>{0, 0}));
    EXPECT_EQ(q_changes.count, 1);
    EXPECT_EQ(p_changes.count, 0);
}

TEST(VectorCore, NormalisationsDoNotNotify) {
    TVector v;
    Set(v, {2, 4, 6, 8});
    ChangeCounter changes(v);
    EXPECT_EQ(v.MeanCenter(), 5.0);
    EXPECT_EQ(Values(v), (std::vector<double>{-3, -1, 1, 3}));
    double mean = 0, sd = 0;
    Set(v, {1, 2, 3, 4, 5});
    changes.count = 0;
    v.Standardize(mean, sd);
    EXPECT_EQ(mean, 3.0);
    EXPECT_DOUBLE_EQ(sd, std::sqrt(2.5));
    EXPECT_DOUBLE_EQ(v.GetVal(5), 2 / std::sqrt(2.5));
    // Constant vector: left alone, stddev 0.
    Set(v, {7, 7, 7});
    v.Standardize(mean, sd);
    EXPECT_EQ(sd, 0.0);
    EXPECT_EQ(Values(v), (std::vector<double>{7, 7, 7}));
    // Two elements: the variance is taken as 1, so the elements become deviations.
    Set(v, {1, 3});
    v.Standardize(mean, sd);
    EXPECT_EQ(sd, 1.0);
    EXPECT_EQ(Values(v), (std::vector<double>{-1, 1}));

    Set(v, {1, 2, 3, 4, 5});
    changes.count = 0;
    double median = 0, diff = 0;
    v.QNormalize(25, median, diff);  // median 3, 25th percentile 2
    EXPECT_EQ(median, 3.0);
    EXPECT_EQ(diff, 1.0);
    EXPECT_EQ(Values(v), (std::vector<double>{-2, -1, 0, 1, 2}));
    EXPECT_EQ(changes.count, 0);
}

TEST(VectorCore, OwnerDestroysVector) {
    auto* owner = new TComponent(nullptr);
    auto* v = new TVector(owner);
    auto* iv = new TIntVector(owner);
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete iv;  // leaves the owner's list
    EXPECT_EQ(v->Owner(), owner);
    delete owner;  // deletes v; ASan reports a leak or double delete otherwise
}

}  // namespace
}  // namespace ozm
