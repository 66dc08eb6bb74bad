/// @file
/// The number scanners of the matrix XML readers. They read the integers of cell attributes and
/// size elements and the reals of cell contents for every matrix class of the unit (TMatrix,
/// TIntMatrix, TMat3D, TMat4D), so a document reads the same way whichever class loads it.
///
/// Both scanners take a text and a 0-based position into it, which they advance; neither raises,
/// allocates beyond the text's length or reads outside the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ozm::matrix {

/// Integer at Pos: blanks (space, tab, CR, LF) are skipped, then an optional "-" or "+" and the
/// decimal digits up to the first other character, on which Pos is left. No digits give 0 (Pos
/// then stands after the sign); an empty text or a Pos at or beyond its end gives 0 with Pos
/// unchanged. A value beyond the 32-bit range saturates at INT32_MAX or INT32_MIN instead of
/// wrapping, so an absurd attribute can never alias a valid index.
int32_t ScanInteger(std::string_view Text, size_t& Pos) noexcept;

/// Real at Pos, by this state machine (letters compared in upper case, "." the decimal point):
/// @verbatim
///   start:           blank -> start, sign -> after sign, digit -> integer, "." -> after point
///   after sign:      digit -> integer, "." -> after point
///   integer:         digit -> integer, "." -> after point, "E" -> after E, other -> end
///   after point:     digit -> fraction, "E" -> after E, other -> end
///   fraction:        digit -> fraction, "E" -> after E, other -> end
///   after E:         sign -> exponent sign, digit -> exponent
///   exponent sign:   digit -> exponent
///   exponent:        digit -> exponent, other -> end
/// @endverbatim
/// A character without an entry in its state (also the end of the text in the states that have
/// no "other" entry) is an error and gives 0. In the end state the collected characters are
/// converted (a trailing point counts as ".0") and the result is held to +-uc_MaxDouble; a value
/// below the smallest double reads as 0. Exponent digits that would make the exponent exceed 4200
/// in magnitude are consumed but not collected, so overlong exponents are cut short. Pos is left
/// on the first character not consumed ("1.5E2xyz" gives 150 with Pos on "x").
///
/// Unlike the plain state machine, the words NAN, INF, +INF and -INF (any case, after blanks,
/// ended by the text's end or a character that is not a letter or digit) read as NaN and the
/// infinities: the matrix writers produce them for non-finite cells, and reading them as 0 would
/// silently lose those cells.
double ScanReal(std::string_view Text, size_t& Pos) noexcept;

}  // namespace ozm::matrix
