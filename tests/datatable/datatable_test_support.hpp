// Helpers of the data-table tests: an event log, the iris table and the reference values that
// scripts/gen_datatable_refs.py computed with numpy.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ozm/datatable.hpp"

namespace ozm::testing {

// Records every event of a table as a short word, in the order they fire.
struct EventLog {
    std::vector<std::string> Events;
    explicit EventLog(TDataTable& T) {
        T.OnChange = [this](TObject*) { Events.push_back("data"); };
        T.OnChangeSetup = [this](TObject*) { Events.push_back("setup"); };
        T.OnChangeNames = [this](TObject*) { Events.push_back("names"); };
        T.OnChangeCellState = [this](TObject*) { Events.push_back("states"); };
        T.OnChangeAttrib = [this](TObject*) { Events.push_back("attrib"); };
        T.OnResize = [this](TObject*, int oc, int orows, int nc, int nr) {
            Events.push_back("resize " + std::to_string(oc) + "x" + std::to_string(orows) + "->" +
                             std::to_string(nc) + "x" + std::to_string(nr));
        };
    }
    std::vector<std::string> Take() { return std::exchange(Events, {}); }
};

inline std::string DataDir() { return OZM_TEST_DATA_DIR; }
inline std::string TestDataDir() { return std::string(OZM_TEST_DATA_DIR) + "/../tests/data/datatable"; }

// The reference values: key -> value.
inline const std::map<std::string, double>& IrisRefs() {
    static const std::map<std::string, double> refs = [] {
        std::map<std::string, double> m;
        std::ifstream in(TestDataDir() + "/iris_refs.txt");
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream s(line);
            std::string key, value;
            s >> key >> value;
            m[key] = std::stod(value);
        }
        return m;
    }();
    return refs;
}
inline double Ref(const std::string& key) {
    const auto& refs = IrisRefs();
    auto it = refs.find(key);
    if (it == refs.end()) {
        ADD_FAILURE() << "no reference value " << key;
        return 0;
    }
    return it->second;
}

// data/iris.csv as shipped: four measurement columns named from the species line, the species
// (0, 1, 2) turned into a nominal column 5 with the identifiers setosa, versicolor, virginica.
inline void LoadIris(TDataTable& T) {
    ASSERT_EQ(T.ImportFromCSV(DataDir() + "/iris.csv"), 0);
    ASSERT_EQ(T.NrOfColumns(), 5);
    ASSERT_EQ(T.NrOfRows(), 150);
    const std::string species[3] = {T.GetColName(3), T.GetColName(4), T.GetColName(5)};
    const char* names[4] = {"sepal length", "sepal width", "petal length", "petal width"};
    for (int c = 1; c <= 4; ++c) T.SetColName(c, names[c - 1]);
    T.SetColName(5, "species");
    T.SetMScaleType(5, TMScaleType::stNominal);
    for (int k = 1; k <= 3; ++k) T.SetNominalID(5, k, species[k - 1]);
    for (int r = 1; r <= 150; ++r) T.SetElem(5, r, T.GetElem(5, r) + 1);
}

}  // namespace ozm::testing
