#include "ozm/base/bitfld.hpp"

#include <algorithm>
#include <bit>

namespace ozm {

void TBitFld::SetSize(int Size) {
    Size = std::max(Size, 0);
    FWords.resize(static_cast<size_t>(Size) / 64 + 1, 0);
    FSize = Size;
    ClearUnusedBits();
}

void TBitFld::ClearUnusedBits() noexcept {
    // Bits beyond FSize stay zero, so counting and inverting work on whole words.
    const int used = FSize % 64 + 1;
    if (used < 64) FWords.back() &= (uint64_t{1} << used) - 1;
}

void TBitFld::Clear() noexcept { std::fill(FWords.begin(), FWords.end(), 0); }

bool TBitFld::GetBit(int Ix) const noexcept {
    if (Ix < 0 || Ix > FSize) return false;
    return (FWords[size_t(Ix) / 64] >> (Ix % 64)) & 1;
}

void TBitFld::SetBit(int Ix, bool Value) noexcept {
    if (Ix < 0 || Ix > FSize) return;
    const uint64_t mask = uint64_t{1} << (Ix % 64);
    if (Value)
        FWords[size_t(Ix) / 64] |= mask;
    else
        FWords[size_t(Ix) / 64] &= ~mask;
}

int TBitFld::CountTrueBits() const noexcept {
    int count = 0;
    for (uint64_t w : FWords) count += std::popcount(w);
    return count;
}

int TBitFld::FirstTrueBit() const noexcept {
    for (size_t i = 0; i < FWords.size(); ++i)
        if (FWords[i]) return static_cast<int>(i * 64) + std::countr_zero(FWords[i]);
    return -1;
}

void TBitFld::Invert() noexcept {
    for (uint64_t& w : FWords) w = ~w;
    ClearUnusedBits();
}

void TBitFld::Clone(const TBitFld& Source) {
    FWords = Source.FWords;
    FSize = Source.FSize;
}

void TBitFld::CombineWith(const TBitFld& Other, TBitCombination How) noexcept {
    for (size_t i = 0; i < FWords.size(); ++i) {
        const uint64_t o = i < Other.FWords.size() ? Other.FWords[i] : 0;
        switch (How) {
            case TBitCombination::bcAnd: FWords[i] &= o; break;
            case TBitCombination::bcOr: FWords[i] |= o; break;
            case TBitCombination::bcXor: FWords[i] ^= o; break;
            case TBitCombination::bcAndNot: FWords[i] &= ~o; break;
        }
    }
    ClearUnusedBits();
}

void TBitFld::Assign(const TPersistent* Source) {
    if (const auto* other = dynamic_cast<const TBitFld*>(Source)) {
        Clone(*other);
        return;
    }
    TPersistent::Assign(Source);
}

}  // namespace ozm
