#include "ozm/base/asc.hpp"

#include <cctype>
#include <charconv>
#include <memory>

#include "ozm/base/text.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm {

namespace {

// The count at the start of a header line; the rest of the line (";nr. of ...") is ignored.
bool LeadingCount(const std::string& line, int& count) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos) return false;
    size_t end = i;
    while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    if (end == i) return false;
    if (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != ';') return false;
    int value = 0;
    auto res = std::from_chars(line.data() + i, line.data() + end, value);
    if (res.ec != std::errc()) return false;
    count = value;
    return true;
}

bool FlagWord(const std::string& word, bool& flag) {
    std::string upper;
    for (char c : word) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (upper == "TRUE") flag = true;
    else if (upper == "FALSE") flag = false;
    else return false;
    return true;
}

}  // namespace

int ReadHeaderOfASC(const std::string& FileName, TAscHeader& Header) {
    std::unique_ptr<TTextReader> reader;
    try {
        reader = std::make_unique<TTextReader>(FileName);
    } catch (const EInOutError&) {
        return kAscCannotOpen;
    }
    return ReadHeaderOfASC(*reader, Header);
}

int ReadHeaderOfASC(TTextReader& Reader, TAscHeader& Header) {
    std::string lines[4];
    for (auto& line : lines)
        if (!Reader.ReadLine(line)) return kAscHeaderTruncated;

    TAscHeader h;
    h.Comment = lines[0];
    if (!LeadingCount(lines[1], h.NrColumns)) return kAscBadColumnCount;
    if (!LeadingCount(lines[2], h.NrRows)) return kAscBadRowCount;

    const std::string flags_part = lines[3].substr(0, lines[3].find(';'));
    const TStrArray words = Tokenize(flags_part, " \t");
    bool* flags[4] = {&h.RowAttributes, &h.ColumnNames, &h.RowNames, &h.NominalVariables};
    if (words.size() < 3 || words.size() > 4) return kAscBadFlags;
    for (size_t k = 0; k < words.size(); ++k)
        if (!FlagWord(words[k], *flags[k])) return kAscBadFlags;
    Header = h;
    return kAscHeaderOk;
}

}  // namespace ozm
