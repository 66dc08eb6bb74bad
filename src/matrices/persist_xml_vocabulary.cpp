// The matrix XML vocabulary, its attribute helpers and the document reader shared by the matrix
// classes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "matrices/xml_documents.hpp"
#include "ozm/base/text.hpp"
#include "ozm/matrix/scan.hpp"
#include "ozm/matrix/xml.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm::matrix {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

namespace detail {

bool IsEmptyXmlElement(std::string_view TagText) noexcept {
    size_t n = TagText.size();
    while (n > 0 && IsBlank(TagText[n - 1])) --n;
    return n > 0 && TagText[n - 1] == '/';
}

bool ClosesXmlElement(std::string_view ClosingTag, std::string_view Name) noexcept {
    const std::string_view closing = XmlTagName(ClosingTag);
    return closing.size() == Name.size() + 1 && closing[0] == '/' && closing.substr(1) == Name;
}

}  // namespace detail

using detail::IsEmptyXmlElement;

TMatXmlTag MatXmlTagOf(std::string_view TagText) noexcept {
    const std::string_view name = XmlTagName(TagText);
    for (size_t k = 0; k < MatXmlTags.size(); ++k) {
        const auto tag = static_cast<TMatXmlTag>(k);
        if (tag != TMatXmlTag::xmlInvalid && name == MatXmlTags[k]) return tag;
    }
    return TMatXmlTag::xmlInvalid;
}

int32_t XmlIndexAttribute(std::string_view TagText, std::string_view Name) noexcept {
    // A plain scan: the names are two or three characters, too short for the memchr and memcmp
    // calls of find to pay on every cell of a document.
    const size_t n = Name.size();
    for (size_t at = 0; at + n + 1 < TagText.size(); ++at) {
        size_t k = 0;
        while (k < n && TagText[at + k] == Name[k]) ++k;
        if (k == n && TagText[at + n] == '=' && TagText[at + n + 1] == '"') {
            size_t pos = at + n + 2;
            return ScanInteger(TagText, pos);
        }
    }
    return 0;
}

bool XmlTextAttribute(std::string_view TagText, std::string_view Name, std::string& Value) {
    size_t at = 0;
    while ((at = TagText.find(Name, at)) != std::string_view::npos) {
        const size_t eq = at + Name.size();
        const bool word_start = at == 0 || IsBlank(TagText[at - 1]);
        if (word_start && eq + 1 < TagText.size() && TagText[eq] == '=' && TagText[eq + 1] == '"') {
            const size_t close = TagText.find('"', eq + 2);
            if (close == std::string_view::npos) return false;
            Value = XmlUnescape(TagText.substr(eq + 2, close - eq - 2));
            return true;
        }
        ++at;
    }
    return false;
}

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

// & < > " as named entities; with ControlReferences also the control characters as character
// references.
std::string Escape(std::string_view Text, bool ControlReferences) {
    std::string out;
    out.reserve(Text.size());
    for (char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                if (ControlReferences && (c < 0x20 || c == 0x7F)) {
                    out += "&#x";
                    out.push_back(kHexDigits[c >> 4]);
                    out.push_back(kHexDigits[c & 0xF]);
                    out.push_back(';');
                } else {
                    out.push_back(ch);
                }
        }
    }
    return out;
}

void AppendUtf8(std::string& Out, uint32_t Cp) {
    if (Cp < 0x80) {
        Out.push_back(static_cast<char>(Cp));
    } else if (Cp < 0x800) {
        Out.push_back(static_cast<char>(0xC0 | (Cp >> 6)));
        Out.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    } else if (Cp < 0x10000) {
        Out.push_back(static_cast<char>(0xE0 | (Cp >> 12)));
        Out.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    } else {
        Out.push_back(static_cast<char>(0xF0 | (Cp >> 18)));
        Out.push_back(static_cast<char>(0x80 | ((Cp >> 12) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    }
}

// The character reference starting at Text[At] ("&#...;"): its code point, and At moved past
// it; false, At unchanged, when no complete reference of at most 8 digits up to 0x10FFFF stands
// there.
bool ReadCharacterReference(std::string_view Text, size_t& At, uint32_t& Cp) {
    if (At + 2 >= Text.size() || Text[At + 1] != '#') return false;
    const bool hex = Text[At + 2] == 'x' || Text[At + 2] == 'X';
    size_t j = At + (hex ? 3 : 2);
    uint32_t code = 0;
    size_t digits = 0;
    for (; j < Text.size() && digits < 8; ++j, ++digits) {
        const char c = Text[j];
        uint32_t d;
        if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
        else break;
        code = code * (hex ? 16 : 10) + d;
    }
    if (digits == 0 || j >= Text.size() || Text[j] != ';' || code > 0x10FFFF) return false;
    Cp = code;
    At = j + 1;
    return true;
}

// The five named entities in one pass; with References also decimal and hexadecimal character
// references (below 0x100 that byte, above it UTF-8). Anything else stays as it is.
std::string Unescape(std::string_view Text, bool References) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(Text.size());
    for (size_t i = 0; i < Text.size();) {
        if (Text[i] != '&') {
            out.push_back(Text[i++]);
            continue;
        }
        bool done = false;
        for (const auto& [entity, ch] : kEntities) {
            if (Text.compare(i, entity.size(), entity) == 0) {
                out.push_back(ch);
                i += entity.size();
                done = true;
                break;
            }
        }
        uint32_t cp = 0;
        if (!done && References && ReadCharacterReference(Text, i, cp)) {
            if (cp < 0x100)
                out.push_back(static_cast<char>(cp));
            else
                AppendUtf8(out, cp);
            done = true;
        }
        if (!done) out.push_back(Text[i++]);
    }
    return out;
}

}  // namespace

std::string XmlEscape(std::string_view Text) { return Escape(Text, false); }
std::string XmlUnescape(std::string_view Text) { return Unescape(Text, false); }

namespace detail {

std::string XmlEscapeText(std::string_view Text) { return Escape(Text, true); }
std::string XmlUnescapeText(std::string_view Text) { return Unescape(Text, true); }

}  // namespace detail

bool ReadMatrixXmlElement(const TXmlTagSource& Source, const TXmlTagHandler& Handle,
                          std::string& DataID) {
    DataID.clear();
    std::string tag;
    std::string content;
    if (!Source(tag, content)) return false;
    if (MatXmlTagOf(tag) != TMatXmlTag::xmlMatBegin || IsEmptyXmlElement(tag)) return false;
    std::string id;
    if (XmlTextAttribute(tag, "id", id)) DataID = id;
    if (Handle(TMatXmlTag::xmlMatBegin, tag, content) < 0) return false;

    std::string closing;
    std::string after;
    for (;;) {
        if (!Source(tag, content)) return false;  // the matrix element is never closed
        const TMatXmlTag kind = MatXmlTagOf(tag);
        switch (kind) {
            case TMatXmlTag::xmlMatEnd:
                return Handle(kind, tag, content) == 1;
            case TMatXmlTag::xmlMatBegin:
                return false;  // matrices do not nest
            case TMatXmlTag::xmlInvalid:
                Handle(kind, tag, content);
                return false;
            default:
                break;
        }
        if (IsEmptyXmlElement(tag)) {
            content.clear();
        } else {
            if (!Source(closing, after)) return false;
            if (!detail::ClosesXmlElement(closing, MatXmlTagText(kind))) return false;
        }
        if (Handle(kind, tag, content) < 0) return false;
    }
}

TXmlTagSource XmlTagsOfTextFile(TTextReader& InFile) {
    return [&InFile](std::string& Tag, std::string& Content) {
        return ReadNextTagInTextFile(InFile, Tag, Content);
    };
}

// --- TXmlStreamTagReader ---------------------------------------------------------------------

namespace {
constexpr size_t kFirstChunk = 65536;
}

TXmlStreamTagReader::TXmlStreamTagReader(TStream& InStream)
    : FStream(InStream), FBufferStart(InStream.Position()), FTagEnd(FBufferStart) {}

bool TXmlStreamTagReader::ReadMore() {
    // Growing chunks keep re-parsing a long tag or content linear in its length overall.
    const size_t chunk = std::max(kFirstChunk, FBuffer.size());
    const size_t old_size = FBuffer.size();
    FBuffer.resize(old_size + chunk);
    int64_t got = 0;
    try {
        got = FStream.Read(FBuffer.data() + old_size, static_cast<int64_t>(chunk));
    } catch (const EInOutError&) {
        got = 0;
    }
    FBuffer.resize(old_size + static_cast<size_t>(std::max<int64_t>(got, 0)));
    return got > 0;
}

bool TXmlStreamTagReader::Next(std::string& Tag, std::string& Content) {
    for (;;) {
        // Text before the next "<" is skipped by every tag read, so it need not be kept.
        if (FBuffer.find('<', FPos) == std::string::npos) FPos = FBuffer.size();
        // Drop the parsed part once it is a sizeable share of the buffer.
        if (FPos > kFirstChunk && FPos * 2 > FBuffer.size()) {
            FBuffer.erase(0, FPos);
            FBufferStart += static_cast<int64_t>(FPos);
            FPos = 0;
        }
        size_t pos = FPos;
        const bool ok = ReadNextTagInString(FBuffer, pos, Tag, Content);
        // A tag is complete when the "<" after its content lies in the buffer, or nothing more
        // can come; otherwise its tag text or content may go on in the next chunk.
        if (ok && (pos < FBuffer.size() || FAtEnd)) {
            FPos = pos;
            FTagEnd = FBufferStart + static_cast<int64_t>(pos - Content.size());
            return true;
        }
        if (FAtEnd) return false;
        if (!ReadMore()) FAtEnd = true;
    }
}

void TXmlStreamTagReader::RestorePosition() {
    FStream.Seek(FTagEnd, TSeekOrigin::soBeginning);
}

}  // namespace ozm::matrix
