// CRC-32 and the bit field.
#include <gtest/gtest.h>

#include <cstring>

#include "ozm/base/bitfld.hpp"
#include "ozm/base/crc32.hpp"
#include "ozm/platform/exceptions.hpp"

namespace {

using ozm::TBitCombination;
using ozm::TBitFld;

TEST(Crc32, StandardCheckValue) {
    // The catalogued check value of CRC-32 (zlib, PNG, Ethernet).
    EXPECT_EQ(ozm::CRC32OfBlock("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(ozm::CRC32OfBlock("", 0), 0u);
    const uint8_t zero = 0;
    EXPECT_EQ(ozm::CRC32OfBlock(&zero, 1), 0xD202EF8Du);
    // The single-byte step with the usual start and end gives the same checksum.
    uint32_t crc = 0xFFFFFFFFu;
    for (const char* p = "123456789"; *p; ++p) crc = ozm::CalcNextCRC32(static_cast<uint8_t>(*p), crc);
    EXPECT_EQ(~crc, 0xCBF43926u);
    // The step itself has no pre- or post-conditioning: a zero byte into a zero register stays 0.
    EXPECT_EQ(ozm::CalcNextCRC32(0, 0), 0u);
}

// Sets bits 0..Size through SetBit and checks the count and the edges.
void CheckFullField(int size) {
    TBitFld f(size);
    EXPECT_EQ(f.Size(), size);
    for (int i = 0; i <= size; ++i) EXPECT_FALSE(f.GetBit(i));
    for (int i = 0; i <= size; ++i) f.SetBit(i, true);
    EXPECT_EQ(f.CountTrueBits(), size + 1) << size;  // bits 0..Size inclusive
    // Beyond the field: reads false, writes ignored.
    f.SetBit(size + 1, true);
    f.SetBit(-1, true);
    EXPECT_FALSE(f.GetBit(size + 1));
    EXPECT_FALSE(f.GetBit(-1));
    EXPECT_EQ(f.CountTrueBits(), size + 1);
    f.SetBit(size, false);
    EXPECT_FALSE(f.GetBit(size));
    EXPECT_EQ(f.CountTrueBits(), size);
    f.Clear();
    EXPECT_EQ(f.CountTrueBits(), 0);
    EXPECT_EQ(f.FirstTrueBit(), -1);
}

TEST(BitFld, SizesCoverBitsZeroToSize) {
    for (int size : {0, 1, 7, 62, 63, 64, 65, 127, 128, 129, 1000}) CheckFullField(size);
    TBitFld negative(-5);
    EXPECT_EQ(negative.Size(), 0);
    TBitFld dflt;
    EXPECT_EQ(dflt.Size(), 0);
}

TEST(BitFld, FirstTrueBitAndResizing) {
    TBitFld f(200);
    EXPECT_EQ(f.FirstTrueBit(), -1);
    f.SetBit(150, true);
    EXPECT_EQ(f.FirstTrueBit(), 150);
    f.SetBit(64, true);
    EXPECT_EQ(f.FirstTrueBit(), 64);
    f.SetBit(63, true);
    EXPECT_EQ(f.FirstTrueBit(), 63);
    f.SetBit(0, true);
    EXPECT_EQ(f.FirstTrueBit(), 0);

    // Shrinking drops the bits beyond; growing again does not bring them back.
    f.SetSize(100);
    EXPECT_EQ(f.CountTrueBits(), 3);
    f.SetSize(64);
    EXPECT_TRUE(f.GetBit(64));
    f.SetSize(63);
    EXPECT_FALSE(f.GetBit(64));
    EXPECT_TRUE(f.GetBit(63));
    f.SetSize(300);
    EXPECT_FALSE(f.GetBit(64));
    EXPECT_FALSE(f.GetBit(150));
    EXPECT_EQ(f.CountTrueBits(), 2);
}

TEST(BitFld, InvertStaysInsideTheField) {
    for (int size : {0, 62, 63, 64, 65, 130}) {
        TBitFld f(size);
        f.SetBit(0, true);
        f.Invert();
        EXPECT_EQ(f.CountTrueBits(), size) << size;
        EXPECT_EQ(f.FirstTrueBit(), size == 0 ? -1 : 1);
        // Bits beyond Size must not have been set by the inversion: growing shows them.
        f.SetSize(size + 70);
        EXPECT_EQ(f.CountTrueBits(), size) << size;
        f.Invert();
        EXPECT_EQ(f.CountTrueBits(), 71) << size;  // bit 0 and the 70 new bits
    }
}

TEST(BitFld, CombineWithFieldsOfOtherSizes) {
    auto make = [](int size, std::initializer_list<int> bits) {
        TBitFld f(size);
        for (int b : bits) f.SetBit(b, true);
        return f;
    };
    auto bits_of = [](const TBitFld& f) {
        std::vector<int> v;
        for (int i = 0; i <= f.Size(); ++i)
            if (f.GetBit(i)) v.push_back(i);
        return v;
    };
    const TBitFld big = make(100, {1, 64, 70, 99});
    const TBitFld small = make(65, {1, 2, 65});

    TBitFld f = big;
    f.CombineWith(small, TBitCombination::bcAnd);
    EXPECT_EQ(bits_of(f), (std::vector<int>{1}));
    f = big;
    f.CombineWith(small, TBitCombination::bcOr);
    EXPECT_EQ(bits_of(f), (std::vector<int>{1, 2, 64, 65, 70, 99}));
    f = big;
    f.CombineWith(small, TBitCombination::bcXor);
    EXPECT_EQ(bits_of(f), (std::vector<int>{2, 64, 65, 70, 99}));
    f = big;
    f.CombineWith(small, TBitCombination::bcAndNot);
    EXPECT_EQ(bits_of(f), (std::vector<int>{64, 70, 99}));

    // The smaller field keeps its size; the other's bits beyond it are not taken over.
    TBitFld s = small;
    s.CombineWith(big, TBitCombination::bcOr);
    EXPECT_EQ(s.Size(), 65);
    EXPECT_EQ(bits_of(s), (std::vector<int>{1, 2, 64, 65}));
    s.SetSize(100);
    EXPECT_EQ(s.CountTrueBits(), 4);
    s.CombineWith(s, TBitCombination::bcXor);  // with itself
    EXPECT_EQ(s.CountTrueBits(), 0);
}

TEST(BitFld, CloneAndAssign) {
    TBitFld source(70);
    source.SetBit(69, true);
    TBitFld copy(3);
    copy.SetBit(2, true);
    copy.Clone(source);
    EXPECT_EQ(copy.Size(), 70);
    EXPECT_TRUE(copy.GetBit(69));
    EXPECT_FALSE(copy.GetBit(2));
    // Independent storage.
    copy.SetBit(0, true);
    EXPECT_FALSE(source.GetBit(0));

    TBitFld assigned;
    assigned.Assign(&source);
    EXPECT_EQ(assigned.Size(), 70);
    EXPECT_EQ(assigned.CountTrueBits(), 1);
    ozm::TComponent other;
    try {
        assigned.Assign(&other);
        FAIL() << "no exception";
    } catch (const ozm::EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TComponent to a TBitFld");
    }
    try {
        assigned.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const ozm::EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a nil to a TBitFld");
    }
    EXPECT_EQ(assigned.Size(), 70);
}

}  // namespace
