// Fuzz target of the open-array files (text and binary, double and integer, rank 1 to 4), read
// from a file in memory as these readers take file names. A load must allocate no more cells
// than the file holds ((S + 1) / 2 for a text of S bytes, the exact count for a binary file),
// and what loads must store and load back to the same cells (bit for bit for doubles: the text
// writer's default is the shortest exact text).
#include <bit>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "fuzz_support.hpp"
#include "ozm/openarrays.hpp"

using namespace ozm;
using namespace ozm::openarrays;
using ozm::fuzzing::Require;

namespace {

template <typename A>
size_t CellCount(const A& Array) {
    if constexpr (std::is_arithmetic_v<typename A::value_type>) {
        return Array.size();
    } else {
        size_t n = 0;
        for (const auto& inner : Array) n += CellCount(inner);
        return n;
    }
}

template <typename A>
bool SameCells(const A& X, const A& Y) {
    if (X.size() != Y.size()) return false;
    for (size_t i = 0; i < X.size(); ++i) {
        if constexpr (std::is_same_v<typename A::value_type, double>) {
            if (std::bit_cast<uint64_t>(X[i]) != std::bit_cast<uint64_t>(Y[i]) &&
                !(std::isnan(X[i]) && std::isnan(Y[i])))
                return false;
        } else if constexpr (std::is_arithmetic_v<typename A::value_type>) {
            if (X[i] != Y[i]) return false;
        } else if (!SameCells(X[i], Y[i])) {
            return false;
        }
    }
    return true;
}

template <typename A>
void TryText(const ozm::fuzzing::MemoryFile& Input, const ozm::fuzzing::MemoryFile& Copy,
             size_t Size) {
    A text;
    if (LoadArray(Input.Path(), text) != 0) return;
    Require(CellCount(text) <= (Size + 1) / 2, "text array beyond what the file backs");
    Require(StoreArray(Copy.Path(), text) == 0, "text array not stored");
    A back;
    Require(LoadArray(Copy.Path(), back) == 0, "stored text array does not load");
    Require(SameCells(text, back), "text round trip changed the array");
}

template <typename A>
void TryBinary(const ozm::fuzzing::MemoryFile& Input, const ozm::fuzzing::MemoryFile& Copy,
               size_t Size) {
    A binary;
    if (LoadBinaryArray(Input.Path(), binary) != 0) return;
    Require(CellCount(binary) <= Size / 4, "binary array beyond what the file holds");
    Require(SaveBinaryArray(Copy.Path(), binary) == 0, "binary array not saved");
    A back;
    Require(LoadBinaryArray(Copy.Path(), back) == 0, "saved binary array does not load");
    Require(SameCells(binary, back), "binary round trip changed the array");
}

// The loaders for element kind Double (or integer) and Rank 1..4; other ranks none.
template <template <typename> class Loader>
void ForKindAndRank(bool Double, int Rank, const ozm::fuzzing::MemoryFile& Input,
                    const ozm::fuzzing::MemoryFile& Copy, size_t Size) {
    switch (Rank * 2 + (Double ? 1 : 0)) {
        case 3: Loader<TDoubleArray>::Run(Input, Copy, Size); break;
        case 5: Loader<TDouble2DArray>::Run(Input, Copy, Size); break;
        case 7: Loader<TDouble3DArray>::Run(Input, Copy, Size); break;
        case 9: Loader<TDouble4DArray>::Run(Input, Copy, Size); break;
        case 2: Loader<TIntArray>::Run(Input, Copy, Size); break;
        case 4: Loader<TInt2DArray>::Run(Input, Copy, Size); break;
        case 6: Loader<TInt3DArray>::Run(Input, Copy, Size); break;
        case 8: Loader<TInt4DArray>::Run(Input, Copy, Size); break;
        default: break;
    }
}

template <typename A>
struct TextLoader {
    static void Run(const ozm::fuzzing::MemoryFile& I, const ozm::fuzzing::MemoryFile& C,
                    size_t S) {
        TryText<A>(I, C, S);
    }
};

template <typename A>
struct BinaryLoader {
    static void Run(const ozm::fuzzing::MemoryFile& I, const ozm::fuzzing::MemoryFile& C,
                    size_t S) {
        TryBinary<A>(I, C, S);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const ozm::fuzzing::MemoryFile input;
    static const ozm::fuzzing::MemoryFile copy;
    input.Write(Data, Size);

    // Every loader refuses another kind or rank at the header; the loader of the kind and rank
    // the input names does the work. A text file names them on its first line, a binary one in
    // its header.
    const std::string_view text = ozm::fuzzing::AsText(Data, Size);
    for (const bool is_double : {true, false}) {
        const std::string_view kind = is_double ? "DOUBLE" : "INTEGER";
        const size_t at = text.substr(0, 64).find(kind);
        if (at == std::string_view::npos) continue;
        const size_t digit = text.find_first_of("1234", at + kind.size());
        if (digit != std::string_view::npos && digit < at + kind.size() + 4)
            ForKindAndRank<TextLoader>(is_double, text[digit] - '0', input, copy, Size);
    }
    TArrayFileKind kind{};
    int rank = 0;
    TIntArray extents;
    if (ReadBinaryArrayHeader(input.Path(), kind, rank, extents) == 0)
        ForKindAndRank<BinaryLoader>(kind == TArrayFileKind::afDouble, rank, input, copy, Size);
    // One loader of each layout always runs, so that refusals stay covered.
    TryText<TDouble2DArray>(input, copy, Size);
    TryBinary<TInt3DArray>(input, copy, Size);
    return 0;
}
