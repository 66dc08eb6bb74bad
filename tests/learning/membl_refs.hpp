// Reading the references of scripts/gen_membl_refs.py (tests/data/membl: records "key: v1 v2 ..."
// grouped into cases that start at "case: <name>") and building learners from them.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ozm/membl.hpp"

namespace ozm::testing {

using TRefCase = std::map<std::string, std::vector<double>>;

inline std::map<std::string, TRefCase> LoadMemblRefs(const std::string& file) {
    const std::filesystem::path path = std::filesystem::path(OZM_TEST_DATA_DIR).parent_path() /
                                       "tests" / "data" / "membl" / file;
    std::ifstream in(path);
    std::map<std::string, TRefCase> cases;
    TRefCase* current = &cases[""];
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon);
        std::istringstream rest(line.substr(colon + 1));
        if (key == "case") {
            std::string name;
            rest >> name;
            current = &cases[name];
            continue;
        }
        std::vector<double> v;
        for (std::string w; rest >> w;) v.push_back(std::strtod(w.c_str(), nullptr));
        (*current)[key] = std::move(v);
    }
    return cases;
}

// The 300-object model of knn_refs.txt: columns 1, 3, 5, 7 independent, 2 ignored, 4 and 6
// (nominal classes 1..3) targets.
inline void FillRefModel(TMemBasedLearner& L, const TRefCase& model) {
    TDataTable& t = *L.ModelData();
    const int rows = static_cast<int>(model.at("col1").size());
    t.Resize(7, rows);
    for (int c = 1; c <= 7; ++c) {
        const std::vector<double>& v = model.at("col" + std::to_string(c));
        for (int r = 1; r <= rows; ++r) t.SetElem(c, r, v[static_cast<size_t>(r - 1)]);
    }
    t.SetMScaleType(6, TMScaleType::stNominal);
    const TMBLVarType roles[7] = {TMBLVarType::mblVarIndep,  TMBLVarType::mblVarIgnore,
                                  TMBLVarType::mblVarIndep,  TMBLVarType::mblVarTarget,
                                  TMBLVarType::mblVarIndep,  TMBLVarType::mblVarTarget,
                                  TMBLVarType::mblVarIndep};
    for (int c = 1; c <= 7; ++c) L.SetVarType(c, roles[c - 1]);
}

// Query q (0-based) of knn_refs.txt as a sensor of the 7-column model.
inline TDoubleArray RefQuery(const TRefCase& model, int q) {
    const std::vector<double>& Q = model.at("queries");
    TDoubleArray s(7, 0.0);
    const int indep[4] = {1, 3, 5, 7};
    for (int j = 0; j < 4; ++j) s[static_cast<size_t>(indep[j] - 1)] = Q[static_cast<size_t>(4 * q + j)];
    return s;
}

}  // namespace ozm::testing
