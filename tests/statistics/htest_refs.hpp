// Reads the reference files that scripts/gen_statis_tests_refs.py writes to
// tests/data/statis_tests: records "key: v1 v2 ...", grouped into cases that start at "case:".
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace ozm::testing {

struct RefCase {
    std::string name;
    std::map<std::string, std::vector<double>> values;
    std::vector<std::pair<std::string, std::vector<double>>> records;  // in file order
    const std::vector<double>& at(const std::string& key) const { return values.at(key); }
    double num(const std::string& key, size_t i = 0) const { return values.at(key).at(i); }
};

// Records before the first "case:" line form a case with an empty name.
inline std::vector<RefCase> LoadTestRefs(const std::string& file) {
    const std::filesystem::path path = std::filesystem::path(OZM_TEST_DATA_DIR).parent_path() /
                                       "tests" / "data" / "statis_tests" / file;
    std::ifstream in(path);
    std::vector<RefCase> cases(1);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon);
        std::istringstream rest(line.substr(colon + 1));
        if (key == "case") {
            cases.emplace_back();
            rest >> cases.back().name;
            continue;
        }
        std::vector<double> v;
        for (std::string w; rest >> w;) v.push_back(std::strtod(w.c_str(), nullptr));
        cases.back().records.emplace_back(key, v);
        cases.back().values[key] = std::move(v);
    }
    return cases;
}

}  // namespace ozm::testing
