/// @file
/// Text helpers of the base module.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ozm/base/types.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm {

/// Fixed-point text of x, right-aligned in at least Width characters with Decimals decimals; a
/// negative Decimals gives exponential text (FormatFixed).
std::string strff(double x, int Width, int Decimals);

/// The next blank-separated word of the file, across line ends; "" at the end.
std::string ReadNextWordInTextFile(TTextReader& F);

/// The next tag "<...>" of an XML text: Tag receives the text between the angle brackets (name and
/// attributes, "/name" for a closing tag) and Content the text up to the next "<" (not trimmed).
/// Comments "<!-- -->" and declarations "<?...?>" are skipped. False when no further tag exists or
/// the last tag is not closed by ">".
bool ReadNextTagInTextFile(TTextReader& F, std::string& Tag, std::string& Content);
/// The same over a string from position Pos (0-based), which is advanced past the content.
bool ReadNextTagInString(std::string_view Text, size_t& Pos, std::string& Tag, std::string& Content);
/// The name of a tag text: its first word ("cell" for "cell ix=\"1\"", "/cell" for a closing tag),
/// as a view into Tag.
std::string_view XmlTagName(std::string_view Tag) noexcept;

/// Skips blanks from Pos (0-based) and reads a double-quoted name; Pos ends after the closing
/// quote. False (Pos unchanged) when no quoted name starts there or the closing quote is missing.
bool ParseQuotedName(std::string_view Text, size_t& Pos, std::string& Name);

/// Splits Text at any of the delimiter characters; empty tokens are dropped.
TStrArray Tokenize(std::string_view Text, std::string_view Delimiters = " \t");

/// Index of Str in List (exact match), -1 when absent.
int StringIx(std::string_view Str, const TStrArray& List);

/// True when Text contains Pattern. The patterns "//dig", "//alpha", "//alnum" and "//blank" test
/// for a decimal digit, an ASCII letter, either of them, or a blank or tab (whatever the locale).
/// An empty Pattern is contained in every text.
bool StringContains(std::string_view Text, std::string_view Pattern);

/// Text without its leading and trailing blanks and tabs.
std::string StripLTBlanks(std::string_view Text);
/// Text without trailing copies of Ch.
std::string StripTrailingChars(std::string_view Text, char Ch);
/// Text without control characters (codes 0..31 and 127).
std::string RemoveControlChars(std::string_view Text);
/// Text with every OldCh replaced by NewCh.
std::string ReplaceCharInString(std::string_view Text, char OldCh, char NewCh);

}  // namespace ozm
