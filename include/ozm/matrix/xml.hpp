/// @file
/// The XML vocabulary shared by the matrix classes (TMatrix, TIntMatrix, TMat3D, TMat4D) and the
/// document reader that feeds one parsed element after the other to a class's ProcessXmlTag.
///
/// A matrix document is one "matrix" element holding the size elements and one "cell" element per
/// stored cell, for example
/// @code{.xml}
///     <matrix id="run 12">
///     <numcols>3</numcols>
///     <numrows>2</numrows>
///     <cell ix="1" iy="1">0.5</cell>
///     ...
///     </matrix>
/// @endcode
/// Cells carry their 1-based indices as attributes: ix (column) and iy (row), plus iz (layer) for
/// three-dimensional and il (layer) and it (time slot) for four-dimensional matrices. The optional
/// attribute id of the matrix element holds the data identifier (DataID), with the characters
/// & < > " written as the entities &amp; &lt; &gt; &quot;.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ozm/platform/stream.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm {

/// The elements of the matrix XML vocabulary; ordinals index ozm::matrix::MatXmlTags.
enum class TMatXmlTag : uint8_t {
    xmlMatNumCols,
    xmlMatNumRows,
    xmlMatNumLayers,
    xmlMatNumTimeSlots,
    xmlMatCell,
    xmlMatBegin,
    xmlMatEnd,
    xmlInvalid
};

}  // namespace ozm

namespace ozm::matrix {

/// The tag text of each TMatXmlTag value, in the order of the enumeration.
inline constexpr std::array<std::string_view, 8> MatXmlTags = {
    "numcols", "numrows", "numplanes", "numtimeslots", "cell", "matrix", "/matrix", "invalidtag"};

/// The tag text of Tag.
inline constexpr std::string_view MatXmlTagText(TMatXmlTag Tag) noexcept {
    return MatXmlTags[static_cast<size_t>(Tag)];
}

/// The vocabulary entry of a tag text (name and attributes as between "<" and ">"): its first word
/// compared exactly with the table; anything else, "invalidtag" itself included, is xmlInvalid.
TMatXmlTag MatXmlTagOf(std::string_view TagText) noexcept;

/// The integer after the first occurrence of Name, "=" and a double quote in TagText (ix="3"
/// gives 3), read with ScanInteger; 0 when that text does not occur. The search is a plain
/// substring search, as every reader of these documents has done.
int32_t XmlIndexAttribute(std::string_view TagText, std::string_view Name) noexcept;

/// The value of attribute Name (Name="value", the name standing at a word start), entities
/// decoded; false when TagText has no such attribute or its closing quote is missing.
bool XmlTextAttribute(std::string_view TagText, std::string_view Name, std::string& Value);

/// Text with & < > " written as XML entities, and the reverse (unknown entities stay as they are).
///@{
std::string XmlEscape(std::string_view Text);
std::string XmlUnescape(std::string_view Text);
///@}

/// The largest number of cells a matrix XML document may announce: 2^24 (16,777,216). Such a
/// document is already more than 400 MB of text; larger matrices belong in the binary format.
/// Readers refuse larger (and negative) announced sizes before allocating anything, so a hostile
/// document cannot make them reserve memory that its text does not back.
inline constexpr int64_t kMaxXmlCells = int64_t{1} << 24;

/// Source of XML tags: fills Tag (text between "<" and ">") and Content (text up to the next
/// "<"); false at the end of the input. Comments and "<?...?>" declarations are skipped.
using TXmlTagSource = std::function<bool(std::string& Tag, std::string& Content)>;
/// The class's ProcessXmlTag: 0 continue, 1 the matrix element is complete, negative to stop.
using TXmlTagHandler =
    std::function<int(TMatXmlTag Tag, const std::string& TagText, const std::string& Content)>;

/// Reads one matrix element from Source and hands every element of it to Handle:
/// 1. The first tag must open the matrix element; DataID receives its id attribute ("" without).
/// 2. Each size or cell element must be closed by its own closing tag ("</cell>") right after its
///    content, or be written as an empty element ("<cell ix="1" iy="1"/>").
/// 3. "</matrix>" ends the element: the result is true when Handle returns 1 for it.
/// The result is false at the first deviation: another first tag, a tag outside the vocabulary,
/// a nested matrix element, an element that is not closed, the end of the input before
/// "</matrix>", or a negative result of Handle. Nothing after "</matrix>" is read beyond the
/// content that follows it up to the next "<".
bool ReadMatrixXmlElement(const TXmlTagSource& Source, const TXmlTagHandler& Handle,
                          std::string& DataID);

/// Tag source over an open text file (ReadNextTagInTextFile).
TXmlTagSource XmlTagsOfTextFile(TTextReader& InFile);

/// Tag source over a byte stream from its current position. The stream is read in growing chunks,
/// so memory follows the longest single tag or content, not the stream's size. After the reader
/// is done, RestorePosition() puts the stream right after the last tag delivered (after "</matrix>"
/// when the element was complete), so that callers can go on reading what follows.
class TXmlStreamTagReader {
public:
    /// Reads from InStream's current position.
    explicit TXmlStreamTagReader(TStream& InStream);
    /// The next tag and its content, as a TXmlTagSource delivers them; false at the end of the
    /// stream.
    bool Next(std::string& Tag, std::string& Content);
    /// Puts the stream right after the last tag delivered.
    void RestorePosition();
    /// This reader as a TXmlTagSource (the reader must outlive it).
    TXmlTagSource Source() {
        return [this](std::string& Tag, std::string& Content) { return Next(Tag, Content); };
    }

private:
    bool ReadMore();

    TStream& FStream;
    int64_t FBufferStart;  // stream position of FBuffer[0]
    int64_t FTagEnd;       // stream position just after the last delivered tag's ">"
    std::string FBuffer;   // bytes read and not yet dropped
    size_t FPos = 0;       // parse position in FBuffer
    bool FAtEnd = false;   // the stream has nothing more
};

}  // namespace ozm::matrix
