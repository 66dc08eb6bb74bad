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

class TBitFld : public TPersistent {
public:
    TBitFld() { SetSize(0); }
    explicit TBitFld(int Size) { SetSize(Size); }
    const char* ClassName() const override { return "TBitFld"; }

    /// Resizes to bits 0..Size (a negative Size gives the single bit 0); kept bits stay, new bits
    /// are false.
    void SetSize(int Size);
    int Size() const noexcept { return FSize; }
    void Clear() noexcept;
    bool GetBit(int Ix) const noexcept;
    void SetBit(int Ix, bool Value) noexcept;
    int CountTrueBits() const noexcept;
    /// Index of the lowest set bit, -1 when none is set.
    int FirstTrueBit() const noexcept;
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
