// The matrix XML vocabulary, its attribute helpers and the document reader shared by the matrix
// classes.
#include <algorithm>
#include <string>

#include "ozm/base/text.hpp"
#include "ozm/matrix/scan.hpp"
#include "ozm/matrix/xml.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm::matrix {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// "<cell ix="1" iy="1"/>": the element closes itself.
bool IsEmptyElement(std::string_view TagText) {
    size_t n = TagText.size();
    while (n > 0 && IsBlank(TagText[n - 1])) --n;
    return n > 0 && TagText[n - 1] == '/';
}

}  // namespace

TMatXmlTag MatXmlTagOf(std::string_view TagText) noexcept {
    std::string name;
    try {
        name = XmlTagName(TagText);
    } catch (...) {
        return TMatXmlTag::xmlInvalid;
    }
    for (size_t k = 0; k < MatXmlTags.size(); ++k) {
        const auto tag = static_cast<TMatXmlTag>(k);
        if (tag != TMatXmlTag::xmlInvalid && name == MatXmlTags[k]) return tag;
    }
    return TMatXmlTag::xmlInvalid;
}

int32_t XmlIndexAttribute(std::string_view TagText, std::string_view Name) noexcept {
    size_t at = 0;
    while ((at = TagText.find(Name, at)) != std::string_view::npos) {
        const size_t eq = at + Name.size();
        if (eq + 1 < TagText.size() && TagText[eq] == '=' && TagText[eq + 1] == '"') {
            size_t pos = eq + 2;
            return ScanInteger(TagText, pos);
        }
        ++at;
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

std::string XmlEscape(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (char c : Text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::string XmlUnescape(std::string_view Text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(Text.size());
    for (size_t i = 0; i < Text.size();) {
        bool replaced = false;
        if (Text[i] == '&') {
            for (const auto& [entity, ch] : kEntities) {
                if (Text.compare(i, entity.size(), entity) == 0) {
                    out.push_back(ch);
                    i += entity.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out.push_back(Text[i++]);
    }
    return out;
}

bool ReadMatrixXmlElement(const TXmlTagSource& Source, const TXmlTagHandler& Handle,
                          std::string& DataID) {
    DataID.clear();
    std::string tag;
    std::string content;
    if (!Source(tag, content)) return false;
    if (MatXmlTagOf(tag) != TMatXmlTag::xmlMatBegin || IsEmptyElement(tag)) return false;
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
        if (IsEmptyElement(tag)) {
            content.clear();
        } else {
            if (!Source(closing, after)) return false;
            const std::string name = XmlTagName(closing);
            const std::string_view opened = MatXmlTagText(kind);
            if (name.size() != opened.size() + 1 || name[0] != '/' ||
                std::string_view(name).substr(1) != opened)
                return false;  // element not closed
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
