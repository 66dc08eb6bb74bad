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
void Try(const ozm::fuzzing::MemoryFile& Input, const ozm::fuzzing::MemoryFile& Copy, size_t Size) {
    A text;
    if (LoadArray(Input.Path(), text) == 0) {
        Require(CellCount(text) <= (Size + 1) / 2, "text array beyond what the file backs");
        Require(StoreArray(Copy.Path(), text) == 0, "text array not stored");
        A back;
        Require(LoadArray(Copy.Path(), back) == 0, "stored text array does not load");
        Require(SameCells(text, back), "text round trip changed the array");
    }
    A binary;
    if (LoadBinaryArray(Input.Path(), binary) == 0) {
        Require(CellCount(binary) <= Size / 4, "binary array beyond what the file holds");
        Require(SaveBinaryArray(Copy.Path(), binary) == 0, "binary array not saved");
        A back;
        Require(LoadBinaryArray(Copy.Path(), back) == 0, "saved binary array does not load");
        Require(SameCells(binary, back), "binary round trip changed the array");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const ozm::fuzzing::MemoryFile input;
    static const ozm::fuzzing::MemoryFile copy;
    input.Write(Data, Size);

    TArrayFileKind kind{};
    int rank = 0;
    TIntArray extents;
    ReadBinaryArrayHeader(input.Path(), kind, rank, extents);

    Try<TDoubleArray>(input, copy, Size);
    Try<TDouble2DArray>(input, copy, Size);
    Try<TDouble3DArray>(input, copy, Size);
    Try<TDouble4DArray>(input, copy, Size);
    Try<TIntArray>(input, copy, Size);
    Try<TInt2DArray>(input, copy, Size);
    Try<TInt3DArray>(input, copy, Size);
    Try<TInt4DArray>(input, copy, Size);
    return 0;
}
