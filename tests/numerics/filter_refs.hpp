// Reads the reference tables of tests/data/filters (written by scripts/gen_filters_refs.py):
// one record per line, a key followed by numbers; lines starting with '#' are comments.
#pragma once

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace ozm::testing {

class FilterRefs {
public:
    explicit FilterRefs(const std::string& name) {
        const std::string path = std::string(OZM_TEST_DATA_DIR) + "/../tests/data/filters/" + name;
        std::ifstream in(path);
        if (!in) throw std::runtime_error("missing reference file " + path);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream s(line);
            std::string key, tok;
            s >> key;
            std::vector<double>& v = records_[key];
            while (s >> tok) {
                double d = 0;
                // from_chars: independent of the process locale (other tests switch it).
                const auto r = std::from_chars(tok.data(), tok.data() + tok.size(), d);
                if (r.ec != std::errc()) throw std::runtime_error("bad number in " + path);
                v.push_back(d);
            }
        }
    }
    const std::vector<double>& operator[](const std::string& key) const {
        auto it = records_.find(key);
        if (it == records_.end()) throw std::runtime_error("missing reference record " + key);
        return it->second;
    }
    bool has(const std::string& key) const { return records_.count(key) != 0; }
    const std::map<std::string, std::vector<double>>& all() const { return records_; }

private:
    std::map<std::string, std::vector<double>> records_;
};

// Largest |a - b| / (1 + |b|) over two sequences of equal length.
inline double MaxScaledDiff(const double* a, const std::vector<double>& b) {
    double m = 0;
    for (size_t i = 0; i < b.size(); ++i)
        m = std::max(m, std::fabs(a[i] - b[i]) / (1 + std::fabs(b[i])));
    return m;
}

}  // namespace ozm::testing
