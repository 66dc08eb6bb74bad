// Helpers of the fuzz targets: a scratch file per process for the readers that take file names,
// and the cell comparison of the round-trip checks.
#pragma once

#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ozm/matrix.hpp"

namespace ozm::fuzzing {

// A file in the temporary folder named after the target and the process, and its sibling with
// the suffix ".out" for written copies; both are removed at exit.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& Stem) {
        FPath = (std::filesystem::temp_directory_path() /
                 (Stem + "_" + std::to_string(::getpid()))).string();
    }
    ~ScratchFile() {
        std::remove(FPath.c_str());
        std::remove(Sibling(".out").c_str());
    }
    const std::string& Path() const { return FPath; }
    std::string Sibling(const std::string& Suffix) const { return FPath + Suffix; }
    void Write(const uint8_t* Data, size_t Size) const { Write(FPath, Data, Size); }
    static void Write(const std::string& Path, const uint8_t* Data, size_t Size) {
        std::FILE* f = std::fopen(Path.c_str(), "wb");
        if (f == nullptr) std::abort();
        if (Size > 0 && std::fwrite(Data, 1, Size, f) != Size) std::abort();
        std::fclose(f);
    }

private:
    std::string FPath;
};

// How a cell must come back from a round trip through a format that cannot hold all values.
enum class NaNRule { Exact, AnyNaN, NaNAsZero };

// Aborts (the fuzzer's crash) when B does not hold A's size and cells under the rule.
inline void RequireSameCells(const TMatrix& A, const TMatrix& B, NaNRule Rule) {
    if (A.NrOfColumns() != B.NrOfColumns() || A.NrOfRows() != B.NrOfRows()) std::abort();
    for (int c = 1; c <= A.NrOfColumns(); ++c) {
        for (int r = 1; r <= A.NrOfRows(); ++r) {
            const double a = A.GetVal(c, r);
            const double b = B.GetVal(c, r);
            if (std::isnan(a) && Rule == NaNRule::AnyNaN) {
                if (!std::isnan(b)) std::abort();
            } else if (std::isnan(a) && Rule == NaNRule::NaNAsZero) {
                if (b != 0.0) std::abort();
            } else if (std::bit_cast<uint64_t>(a) != std::bit_cast<uint64_t>(b)) {
                std::abort();
            }
        }
    }
}

}  // namespace ozm::fuzzing
