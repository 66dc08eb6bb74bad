// Helpers of the fuzz targets: the input as text, a file in memory for the readers that only take
// file names, and the checks of the round trips.
//
// Every target is fed from memory. Readers with a stream or text reader entry take the input
// bytes directly (TMemoryStream, TTextReader over a string_view, the image decoders); the few
// that open files by name read a memfd (a file that lives in memory), rewritten for each input,
// so no input touches a disk.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "ozm/base/streamhelp.hpp"
#include "ozm/matrix.hpp"

namespace ozm::fuzzing {

// Aborts (the fuzzer's crash) with a reason on stderr.
[[noreturn]] inline void Fail(const char* Why) {
    std::fprintf(stderr, "fuzz check failed: %s\n", Why);
    std::abort();
}

inline void Require(bool Condition, const char* Why) {
    if (!Condition) Fail(Why);
}

inline std::string_view AsText(const uint8_t* Data, size_t Size) {
    return {reinterpret_cast<const char*>(Data), Size};
}

// A file in memory named by a path that every open() accepts (/proc/self/fd/N). Write replaces
// its content; each open sees the file from its start.
class MemoryFile {
public:
    MemoryFile() {
        FFd = ::memfd_create("ozm-fuzz", 0);
        if (FFd < 0) Fail("memfd_create");
        FPath = "/proc/self/fd/" + std::to_string(FFd);
    }
    ~MemoryFile() { ::close(FFd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& Path() const { return FPath; }
    void Write(const uint8_t* Data, size_t Size) const {
        if (::ftruncate(FFd, 0) != 0) Fail("ftruncate");
        size_t done = 0;
        while (done < Size) {
            const ssize_t n = ::pwrite(FFd, Data + done, Size - done, static_cast<off_t>(done));
            if (n <= 0) Fail("pwrite");
            done += static_cast<size_t>(n);
        }
    }
    void Write(std::string_view Text) const {
        Write(reinterpret_cast<const uint8_t*>(Text.data()), Text.size());
    }

private:
    int FFd = -1;
    std::string FPath;
};

// How a cell must come back from a round trip through a format that cannot hold all values.
enum class NaNRule { Exact, AnyNaN, NaNAsZero };

inline bool SameValue(double a, double b, NaNRule Rule) {
    if (std::isnan(a) && Rule == NaNRule::AnyNaN) return std::isnan(b);
    if (std::isnan(a) && Rule == NaNRule::NaNAsZero) return b == 0.0;
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// Round trips stop at this many cells. A few bytes may announce a million cells, which the
// readers grant (max(2^20, backed) for the list and stream layouts, 2^24 for XML); writing and
// reading them back exercises the same code as a small matrix, only slower, and would cut a
// fuzzer to a few hundred inputs a second. The readers' bounds are checked at every size.
inline constexpr int64_t kRoundTripCells = int64_t{1} << 16;

inline bool RoundTripWorthwhile(int64_t Cells) { return Cells <= kRoundTripCells; }

// The cells of a matrix (TMatrix or TIntMatrix), and the cells its storage holds (a dimension
// of 0 still holds one).
template <class Matrix>
int64_t CellsOf(const Matrix& M) {
    return int64_t{M.NrOfColumns()} * M.NrOfRows();
}
template <class Matrix>
int64_t StorageCellsOf(const Matrix& M) {
    return int64_t{std::max(M.NrOfColumns(), 1)} * std::max(M.NrOfRows(), 1);
}

// Aborts when B does not hold A's size and cells under the rule (compared in storage order, as
// cell-by-cell access would spend the fuzzer's time in its own index checks).
inline void RequireSameCells(const TMatrix& A, const TMatrix& B, NaNRule Rule) {
    Require(A.NrOfColumns() == B.NrOfColumns() && A.NrOfRows() == B.NrOfRows(),
            "round trip changed the matrix size");
    const size_t cells = static_cast<size_t>(A.NrOfColumns()) * static_cast<size_t>(A.NrOfRows());
    if (cells == 0) return;
    const double* a = A.Data();
    const double* b = B.Data();
    if (Rule == NaNRule::Exact) {
        Require(std::memcmp(a, b, cells * sizeof(double)) == 0, "round trip changed a matrix cell");
        return;
    }
    for (size_t i = 0; i < cells; ++i)
        Require(SameValue(a[i], b[i], Rule), "round trip changed a matrix cell");
}

// Storage a reader may hold for an input of Bytes bytes that backs Bytes / BytesPerValue values:
// the bound every reader keeps (ozm/base/streamhelp.hpp).
inline bool WithinAnnouncedBound(int64_t Elements, int64_t Bytes, int64_t BytesPerValue) {
    return AnnouncedCountIsBacked(Elements, Bytes / BytesPerValue);
}

}  // namespace ozm::fuzzing
