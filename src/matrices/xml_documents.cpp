// Whole XML documents through streams and files, and the escaping of free texts.
#include "matrices/xml_documents.hpp"

#include <filesystem>
#include <memory>
#include <utility>

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm::matrix::detail {

void XmlLinesToStream(TStream& OutStream, const std::function<void(const TLineSink&)>& Lines) {
    // Lines are collected into blocks, so the stream sees few large writes.
    constexpr size_t kBlock = 65536;
    std::string block;
    Lines([&](const std::string& Line) {
        block += Line;
        block += "\r\n";
        if (block.size() >= kBlock) {
            OutStream.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
            block.clear();
        }
    });
    OutStream.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
}

bool XmlLinesToFile(const std::string& FName, const std::function<void(const TLineSink&)>& Lines) {
    try {
        TTextWriter writer(FName);
        Lines([&](const std::string& Line) { writer.WriteLn(Line); });
        writer.Close();
    } catch (const EInOutError&) {
        return false;
    }
    return true;
}

bool XmlElementFromStream(TStream& InStream, const TXmlElementReader& Read) {
    int64_t backing = -1;
    try {
        backing = InStream.Size() - InStream.Position();
    } catch (const EInOutError&) {
        // Not measurable: the reader decides whether it can do without the bound.
    }
    TXmlStreamTagReader reader(InStream);
    const bool ok = Read(reader.Source(), backing);
    try {
        reader.RestorePosition();
    } catch (const EInOutError&) {
        // The stream cannot seek back: the data read stands, only the position is off.
    }
    return ok;
}

bool XmlElementFromFile(const std::string& FName, const TXmlElementReader& Read) {
    std::unique_ptr<TTextReader> reader;
    try {
        reader = std::make_unique<TTextReader>(FName);
    } catch (const EInOutError&) {
        return false;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(FName, ec);
    return Read(XmlTagsOfTextFile(*reader), ec ? int64_t{-1} : static_cast<int64_t>(size));
}

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

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

}  // namespace

std::string XmlEscapeText(std::string_view Text) {
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
                if (c < 0x20 || c == 0x7F) {
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

std::string XmlUnescapeText(std::string_view Text) {
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
        if (!done && ReadCharacterReference(Text, i, cp)) {
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

}  // namespace ozm::matrix::detail
