// Number text into a caller's character buffer: the texts of FormatFixed and FormatShortest
// without a std::string per number, for the writers of text files that format many numbers.
#pragma once

#include <cstddef>

namespace ozm::detail {

// Room every text of these routines fits in: 309 integer digits, a sign, the point and 100
// decimals.
inline constexpr size_t kNumCharsSize = 512;

// The text of FormatFixed(x, 0, Decimals) for Decimals >= 0 at Out (kNumCharsSize characters of
// room); returns its end.
char* FixedChars(char* Out, double x, int Decimals) noexcept;
// The text of FormatShortest(x) at Out (kNumCharsSize characters of room); returns its end.
char* ShortestChars(char* Out, double x) noexcept;

}  // namespace ozm::detail
