// ExtractVarNames: the variable-name lists that label regression and component tables.
#include <string>
#include <unordered_set>

#include "numerics/lsq_internal.hpp"
#include "ozm/math2/regression.hpp"

namespace ozm::math2 {

namespace {

bool IsSeparator(char c) noexcept {
    return c == ',' || c == ';' || c == '\t' || c == '\n' || c == '\r';
}
bool IsBlank(char c) noexcept { return c == ' '; }

}  // namespace

int ExtractVarNames(std::string_view List, int NumVars, TStrArray& Names) {
    return detail::GuardMemory("ExtractVarNames", [&]() -> int {
        // Entries: the text between separators, blanks around it dropped.
        TStrArray entries;
        size_t i = 0;
        const size_t n = List.size();
        bool more = n > 0;
        while (more) {
            while (i < n && IsBlank(List[i])) ++i;
            std::string name;
            if (i < n && List[i] == '"') {
                ++i;
                bool closed = false;
                while (i < n) {
                    if (List[i] == '"') {
                        if (i + 1 < n && List[i + 1] == '"') {
                            name.push_back('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    name.push_back(List[i++]);
                }
                if (!closed) return -1;
                while (i < n && IsBlank(List[i])) ++i;
                if (i < n && !IsSeparator(List[i])) return -1;
            } else {
                const size_t start = i;
                while (i < n && !IsSeparator(List[i])) {
                    if (List[i] == '"') return -1;
                    ++i;
                }
                size_t end = i;
                while (end > start && IsBlank(List[end - 1])) --end;
                name.assign(List.substr(start, end - start));
            }
            entries.push_back(std::move(name));
            if (i < n) {
                // A CR LF pair is one line end.
                if (List[i] == '\r' && i + 1 < n && List[i + 1] == '\n') ++i;
                ++i;
                more = true;
            } else {
                more = false;
            }
        }
        // Empty entries at the end (a closing line end or separator) name nothing.
        while (!entries.empty() && entries.back().empty()) entries.pop_back();
        const int count = static_cast<int>(entries.size());
        if (count > (NumVars < 0 ? 0 : NumVars)) return -2;
        TStrArray names(static_cast<size_t>(NumVars < 0 ? 0 : NumVars));
        int given = 0;
        for (int k = 0; k < static_cast<int>(names.size()); ++k) {
            if (k < count && !entries[static_cast<size_t>(k)].empty()) {
                names[static_cast<size_t>(k)] = entries[static_cast<size_t>(k)];
                ++given;
            } else {
                names[static_cast<size_t>(k)] = "V" + std::to_string(k + 1);
            }
        }
        std::unordered_set<std::string> seen;
        for (const std::string& s : names)
            if (!seen.insert(s).second) return -3;
        Names = std::move(names);
        return given;
    });
}

}  // namespace ozm::math2
