// Helpers shared by the test programs: a scratch folder that is removed again, and tolerances.
#pragma once

#include <clocale>
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

// Switches the process to a locale that writes a decimal comma (German or French) for the life of
// the object and back to "C" afterwards, to show that number text ignores the locale. active() is
// false when no such locale is installed; tests then skip.
class ScopedCommaLocale {
public:
    ScopedCommaLocale() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_ALL, name)) {
                active_ = true;
                break;
            }
        }
    }
    ~ScopedCommaLocale() { std::setlocale(LC_ALL, "C"); }
    ScopedCommaLocale(const ScopedCommaLocale&) = delete;
    ScopedCommaLocale& operator=(const ScopedCommaLocale&) = delete;
    bool active() const { return active_; }

private:
    bool active_ = false;
};

}  // namespace ozm::testing
