// Reads the reference tables that scripts/gen_statis_refs.py writes to tests/data/statis.
#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ozm::testing {

// One whitespace-separated row; numbers parse as long double so 20-digit references keep their
// digits until the comparison.
struct RefRow {
    std::vector<std::string> text;
    long double num(size_t i) const { return std::strtold(text.at(i).c_str(), nullptr); }
    double dbl(size_t i) const { return std::strtod(text.at(i).c_str(), nullptr); }
    int integer(size_t i) const { return std::atoi(text.at(i).c_str()); }
};

inline std::vector<RefRow> LoadStatisRefs(const std::string& name) {
    // OZM_TEST_DATA_DIR is the project's data folder; the references sit beside the tests.
    const std::filesystem::path path =
        std::filesystem::path(OZM_TEST_DATA_DIR).parent_path() / "tests" / "data" / "statis" / name;
    std::ifstream in(path);
    std::vector<RefRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        RefRow r;
        for (std::string w; s >> w;) r.text.push_back(w);
        rows.push_back(std::move(r));
    }
    return rows;
}

// |got - want| / |want| (absolute where want is 0). A reference below the normal double range
// cannot be told from 0 by a double result: both count as equal there.
inline long double RelErr(long double got, long double want) {
    constexpr long double kDoubleMin = 2.2250738585072014e-308L;
    if (std::fabs(want) < kDoubleMin && std::fabs(got) < kDoubleMin) return 0;
    if (want == 0) return std::fabs(got);
    return std::fabs(got - want) / std::fabs(want);
}

}  // namespace ozm::testing
