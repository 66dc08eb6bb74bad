// Reader of the reference tables in tests/data/lsq (written by scripts/gen_lsq_refs.py): blocks
// "@name rows cols" followed by rows x cols numbers, row by row; '#' lines are comments.
#pragma once

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace lsqtest {

struct Block {
    int rows = 0;
    int cols = 0;
    std::vector<double> v;  // row by row
    double at(int r, int c) const { return v[static_cast<size_t>(r) * cols + c]; }
};

class Refs {
public:
    explicit Refs(const std::string& file) {
        const std::string path = std::string(OZM_TEST_DATA_DIR) + "/../tests/data/lsq/" + file;
        std::ifstream in(path);
        if (!in) throw std::runtime_error("cannot open " + path);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            if (line[0] != '@') throw std::runtime_error("unexpected line in " + path);
            std::istringstream head(line.substr(1));
            std::string name;
            Block b;
            head >> name >> b.rows >> b.cols;
            b.v.resize(static_cast<size_t>(b.rows) * b.cols);
            for (double& x : b.v) {
                std::string tok;
                in >> tok;
                x = std::stod(tok);
            }
            std::getline(in, line);
            blocks_[name] = std::move(b);
        }
    }
    const Block& operator[](const std::string& name) const {
        auto it = blocks_.find(name);
        if (it == blocks_.end()) throw std::runtime_error("no block " + name);
        return it->second;
    }

private:
    std::map<std::string, Block> blocks_;
};

// A TMatrix holding the block (rows x cols as in the file).
inline void ToMatrix(const Block& b, ozm::TMatrix& m) {
    m.Resize(b.cols, b.rows);
    for (int r = 0; r < b.rows; ++r)
        for (int c = 0; c < b.cols; ++c) m.SetVal(c + 1, r + 1, b.at(r, c));
}

// A TVector of all values of the block.
inline void ToVector(const Block& b, ozm::TVector& v) {
    v.Resize(static_cast<int>(b.v.size()));
    for (size_t i = 0; i < b.v.size(); ++i) v.SetVal(static_cast<int>(i) + 1, b.v[i]);
}

// Number of correct significant digits of x against the reference (the log relative error of
// the NIST StRD reports), capped at 15.
inline double CorrectDigits(double x, double ref) {
    if (x == ref) return 15.0;
    const double err = ref == 0.0 ? std::fabs(x) : std::fabs(x - ref) / std::fabs(ref);
    const double lre = -std::log10(err);
    return lre > 15.0 ? 15.0 : lre;
}

}  // namespace lsqtest
