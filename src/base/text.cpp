#include "ozm/base/text.hpp"

#include <algorithm>

#include "ozm/platform/numtext.hpp"

namespace ozm {

std::string strff(double x, int Width, int Decimals) { return FormatFixed(x, Width, Decimals); }

std::string ReadNextWordInTextFile(TTextReader& F) { return F.ReadWord(); }

namespace {

// A source of spans over a file or a string, so that both tag readers share one parser.
// Until(d) returns the text up to the next d (or to the end) and leaves d unread.
struct FileSource {
    TTextReader& f;
    std::string_view Until(char Delim) { return f.NextUntil(Delim); }
    void SkipUntil(char Delim) { f.SkipUntil(Delim); }
    int Get() { return f.Get(); }
};

struct StringSource {
    std::string_view s;
    size_t& pos;
    std::string_view Until(char Delim) {
        const size_t start = std::min(pos, s.size());
        pos = std::min(s.find(Delim, start), s.size());
        return s.substr(start, pos - start);
    }
    void SkipUntil(char Delim) { Until(Delim); }
    int Get() { return pos < s.size() ? static_cast<unsigned char>(s[pos++]) : -1; }
};

template <typename Source>
bool ReadNextTag(Source src, std::string& Tag, std::string& Content) {
    for (;;) {
        Tag.clear();
        Content.clear();
        src.SkipUntil('<');
        if (src.Get() < 0) return false;
        Tag.assign(src.Until('>'));
        if (src.Get() < 0) return false;
        if (Tag.rfind("!--", 0) == 0) {
            // A comment may hold ">" characters: read on to its "-->".
            while (!(Tag.size() >= 5 && Tag.compare(Tag.size() - 2, 2, "--") == 0)) {
                Tag.push_back('>');
                Tag.append(src.Until('>'));
                if (src.Get() < 0) return false;
            }
            continue;
        }
        if (!Tag.empty() && Tag[0] == '?') continue;
        Content.assign(src.Until('<'));
        return true;
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool ReadNextTagInTextFile(TTextReader& F, std::string& Tag, std::string& Content) {
    return ReadNextTag(FileSource{F}, Tag, Content);
}

bool ReadNextTagInString(std::string_view Text, size_t& Pos, std::string& Tag, std::string& Content) {
    return ReadNextTag(StringSource{Text, Pos}, Tag, Content);
}

std::string_view XmlTagName(std::string_view Tag) noexcept {
    // Plain loops: the find_first_of family searches its character set once per character.
    const auto white = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t start = 0;
    while (start < Tag.size() && white(Tag[start])) ++start;
    if (start == Tag.size()) return {};
    size_t end = start + 1;
    while (end < Tag.size() && !white(Tag[end]) && Tag[end] != '/') ++end;
    return Tag.substr(start, end - start);
}

bool ParseQuotedName(std::string_view Text, size_t& Pos, std::string& Name) {
    size_t i = Pos;
    while (i < Text.size() && IsBlank(Text[i])) ++i;
    if (i >= Text.size() || Text[i] != '"') return false;
    const size_t close = Text.find('"', i + 1);
    if (close == std::string_view::npos) return false;
    Name.assign(Text.substr(i + 1, close - i - 1));
    Pos = close + 1;
    return true;
}

TStrArray Tokenize(std::string_view Text, std::string_view Delimiters) {
    TStrArray tokens;
    size_t i = 0;
    while (i < Text.size()) {
        i = Text.find_first_not_of(Delimiters, i);
        if (i == std::string_view::npos) break;
        size_t end = Text.find_first_of(Delimiters, i);
        if (end == std::string_view::npos) end = Text.size();
        tokens.emplace_back(Text.substr(i, end - i));
        i = end;
    }
    return tokens;
}

int StringIx(std::string_view Str, const TStrArray& List) {
    for (size_t i = 0; i < List.size(); ++i)
        if (List[i] == Str) return static_cast<int>(i);
    return -1;
}

bool StringContains(std::string_view Text, std::string_view Pattern) {
    auto any = [&](auto pred) {
        return std::any_of(Text.begin(), Text.end(), [&](char c) { return pred(static_cast<unsigned char>(c)); });
    };
    // ASCII classes: std::isalpha would count bytes above 127 as letters in some locales.
    auto digit = [](unsigned char c) { return c >= '0' && c <= '9'; };
    auto letter = [](unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (Pattern == "//dig") return any(digit);
    if (Pattern == "//alpha") return any(letter);
    if (Pattern == "//alnum") return any([&](unsigned char c) { return digit(c) || letter(c); });
    if (Pattern == "//blank") return any([](unsigned char c) { return c == ' ' || c == '\t'; });
    return Text.find(Pattern) != std::string_view::npos;
}

std::string StripLTBlanks(std::string_view Text) {
    const size_t first = Text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::string();
    const size_t last = Text.find_last_not_of(" \t");
    return std::string(Text.substr(first, last - first + 1));
}

std::string StripTrailingChars(std::string_view Text, char Ch) {
    size_t n = Text.size();
    while (n > 0 && Text[n - 1] == Ch) --n;
    return std::string(Text.substr(0, n));
}

std::string RemoveControlChars(std::string_view Text) {
    std::string result;
    result.reserve(Text.size());
    for (char c : Text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 32 && u != 127) result.push_back(c);
    }
    return result;
}

std::string ReplaceCharInString(std::string_view Text, char OldCh, char NewCh) {
    std::string result(Text);
    std::replace(result.begin(), result.end(), OldCh, NewCh);
    return result;
}

}  // namespace ozm
