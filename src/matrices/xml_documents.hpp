// Whole XML documents through streams and files, shared by every XML reader and writer of the
// library (matrices, stacks, data tables, maps):
// - writing a document that a writer produces line by line, to a stream (CR LF line ends,
//   collected into large blocks so the stream sees few writes) or to a text file;
// - reading one element from a stream or a file, with the number of bytes that back it (readers
//   bound what they allocate by it) and, for a stream, the position put back after the element;
// - the escaping of free texts (comments, names, identifiers) that must come back exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ozm/matrix/xml.hpp"
#include "ozm/platform/stream.hpp"

namespace ozm::matrix::detail {

using TLineSink = std::function<void(const std::string&)>;

// Lines(Sink) calls Sink once per line, without its line end.
void XmlLinesToStream(TStream& OutStream, const std::function<void(const TLineSink&)>& Lines);
// The same into the text file FName; false when it cannot be written.
bool XmlLinesToFile(const std::string& FName, const std::function<void(const TLineSink&)>& Lines);

// Reads one element: Source delivers its tags, Backing is the number of bytes of input left from
// where the element starts (-1 when the input cannot be measured, as a pipe).
using TXmlElementReader = std::function<bool(const TXmlTagSource& Source, int64_t Backing)>;

// Read from InStream's current position; afterwards the stream stands right after the last tag
// read (after the end tag when the element was complete), so the caller can go on reading what
// follows. A stream that cannot seek back keeps what was read and only loses its position.
bool XmlElementFromStream(TStream& InStream, const TXmlElementReader& Read);
// Read from the text file FName; false without calling Read when the file cannot be opened.
bool XmlElementFromFile(const std::string& FName, const TXmlElementReader& Read);

// "<cell ix="1" iy="1"/>": the tag text closes its element itself.
bool IsEmptyXmlElement(std::string_view TagText) noexcept;
// ClosingTag is the end tag "/Name" of the element Name.
bool ClosesXmlElement(std::string_view ClosingTag, std::string_view Name) noexcept;

// Free text for an element or attribute: & < > " as named entities and the control characters
// as character references, so texts holding line ends or tabs come back as they were (XML
// readers normalise raw line ends and blanks).
std::string XmlEscapeText(std::string_view Text);
// The reverse in one pass (so "&amp;#10;" stays the text "&#10;"): the five named entities and
// decimal or hexadecimal character references; references below 0x100 give that byte, as the
// writer produced them, higher code points their UTF-8 bytes. Anything else stays as it is.
std::string XmlUnescapeText(std::string_view Text);

}  // namespace ozm::matrix::detail
