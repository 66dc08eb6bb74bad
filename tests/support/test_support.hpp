// Helpers shared by the test programs: a scratch folder that is removed again, and tolerances.
#pragma once

#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>

namespace ozm::testing {

// A fresh folder below the system temporary folder, removed with everything in it on destruction.
class ScratchDir {
public:
    ScratchDir() {
        std::random_device rd;
        for (;;) {
            path_ = std::filesystem::temp_directory_path() /
                    ("ozm_test_" + std::to_string(rd()) + std::to_string(rd()));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ReadWholeFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteWholeFile(const std::string& name, const std::string& text) {
    std::ofstream out(name, std::ios::binary);
    out << text;
}

constexpr double kEps = std::numeric_limits<double>::epsilon();

}  // namespace ozm::testing
