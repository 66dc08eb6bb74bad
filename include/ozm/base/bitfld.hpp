/// @file
/// A field of bits numbered 0..Size (Size + 1 bits). Bits outside the field read false and
/// ignore writes.
#pragma once

#include <cstdint>
#include <vector>

#include "ozm/platform/object.hpp"

namespace ozm {

/// How CombineWith merges another field into this one, bit by bit.
enum class TBitCombination : uint8_t { bcAnd, bcOr, bcXor, bcAndNot };

/// A field of bits numbered 0..Size; see the top of this header.
class TBitFld : public TPersistent {
public:
    /// The single bit 0, false.
    TBitFld() { SetSize(0); }
    /// Bits 0..Size, all false (see SetSize).
    explicit TBitFld(int Size) { SetSize(Size); }
    const char* ClassName() const override { return "TBitFld"; }

    /// Resizes to bits 0..Size (a negative Size gives the single bit 0); kept bits stay, new bits
    /// are false.
    void SetSize(int Size);
    /// The highest bit number.
    int Size() const noexcept { return FSize; }
    /// Sets every bit to false.
    void Clear() noexcept;
    /// The bit Ix; false outside the field.
    bool GetBit(int Ix) const noexcept;
    /// Sets bit Ix; ignored outside the field.
    void SetBit(int Ix, bool Value) noexcept;
    /// The number of set bits.
    int CountTrueBits() const noexcept;
    /// Index of the lowest set bit, -1 when none is set.
    int FirstTrueBit() const noexcept;
    /// Flips every bit of the field.
    void Invert() noexcept;
    /// Copies size and bits of Source.
    void Clone(const TBitFld& Source);
    /// Merges Other bit by bit over the bits both fields have; bits beyond Other's size are
    /// treated as false.
    void CombineWith(const TBitFld& Other, TBitCombination How) noexcept;

    void Assign(const TPersistent* Source) override;

private:
    void ClearUnusedBits() noexcept;

    int FSize = 0;
    std::vector<uint64_t> FWords;
};

}  // namespace ozm
