// Binary array files (SaveBinaryArray, LoadBinaryArray, ReadBinaryArrayHeader); the layout is
// described in docs/array-files.md. Everything is little-endian whatever the host is.
#include <bit>
#include <cstring>
#include <memory>
#include <string>

#include "openarrays/array_files.hpp"
#include "ozm/base/crc32.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/stream.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

constexpr uint8_t kSignature[8] = {'O', 'Z', 'M', 'A', 'B', 'I', 'N', 0x1A};
constexpr uint16_t kVersion = 1;
constexpr size_t kFixedHeader = 12;  // signature, version, kind, rank
constexpr size_t kMaxRank = 4;

void PutLE(uint8_t* p, uint64_t v, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t GetLE(const uint8_t* p, size_t bytes) {
    uint64_t v = 0;
    for (size_t i = 0; i < bytes; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
    return v;
}

uint32_t UpdateCRC(uint32_t crc, const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) crc = CalcNextCRC32(p[i], crc);
    return crc;
}

// Cells to little-endian bytes and back (a plain copy on little-endian hosts).
template <class T>
void EncodeCells(const T* cells, size_t n, uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, cells, n * sizeof(T));
    } else {
        using U = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
        for (size_t i = 0; i < n; ++i)
            PutLE(bytes + i * sizeof(T), std::bit_cast<U>(cells[i]), sizeof(T));
    }
}
template <class T>
void DecodeCells(const uint8_t* bytes, size_t n, T* cells) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(cells, bytes, n * sizeof(T));
    } else {
        using U = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
        for (size_t i = 0; i < n; ++i)
            cells[i] = std::bit_cast<T>(static_cast<U>(GetLE(bytes + i * sizeof(T), sizeof(T))));
    }
}

struct Header {
    TArrayFileKind kind = TArrayFileKind::afDouble;
    size_t rank = 0;
    std::array<int64_t, kMaxRank> extents{};
    uint64_t cells = 0;
};

// Reads and checks the header against the size of the file: 0, -2 (no array file) or -3.
int ReadHeader(TStream& in, Header& h) {
    const int64_t fileSize = in.Size();
    uint8_t fixed[kFixedHeader];
    if (in.Read(fixed, kFixedHeader) != static_cast<int64_t>(kFixedHeader)) return -2;
    if (std::memcmp(fixed, kSignature, sizeof kSignature) != 0) return -2;
    if (GetLE(fixed + 8, 2) != kVersion) return -2;
    const uint8_t kind = fixed[10];
    if (kind != static_cast<uint8_t>(TArrayFileKind::afDouble) &&
        kind != static_cast<uint8_t>(TArrayFileKind::afInteger))
        return -3;
    h.kind = static_cast<TArrayFileKind>(kind);
    h.rank = fixed[11];
    if (h.rank < 1 || h.rank > kMaxRank) return -3;
    uint8_t ext[4 * kMaxRank];
    if (in.Read(ext, static_cast<int64_t>(4 * h.rank)) != static_cast<int64_t>(4 * h.rank))
        return -3;
    std::array<int64_t, kMaxRank> stated{1, 1, 1, 1};
    for (size_t d = 0; d < h.rank; ++d)
        stated[d] = static_cast<int32_t>(static_cast<uint32_t>(GetLE(ext + 4 * d, 4)));
    // The file must hold exactly the cells its header states, plus the checksum: checked before
    // anything is allocated, so a lying header cannot make us reserve more than the file holds.
    const int64_t payload = fileSize - static_cast<int64_t>(kFixedHeader + 4 * h.rank + 4);
    if (payload <= 0) return -3;
    const size_t cellSize = CellSize(h.kind);
    h.cells = CheckedCellCount(stated, static_cast<uint64_t>(payload) / cellSize);
    if (h.cells == 0 || h.cells * cellSize != static_cast<uint64_t>(payload)) return -3;
    h.extents = stated;
    return 0;
}

template <class A>
int Save(const std::string& fileName, const A& a) {
    using T = CellOf<A>;
    constexpr size_t R = kRank<A>;
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (!HasExtents(a, e.data())) return -2;
    for (size_t x : e)
        if (x > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return -2;
    try {
        TFileStream out(fileName, TFileMode::fmCreate);
        uint8_t header[kFixedHeader + 4 * R];
        std::memcpy(header, kSignature, sizeof kSignature);
        PutLE(header + 8, kVersion, 2);
        header[10] = static_cast<uint8_t>(KindOf<T>());
        header[11] = static_cast<uint8_t>(R);
        for (size_t d = 0; d < R; ++d) PutLE(header + kFixedHeader + 4 * d, e[d], 4);
        out.WriteBuffer(header, sizeof header);
        uint32_t crc = 0xFFFFFFFFu;
        std::vector<uint8_t> bytes;
        ForEachRow(a, [&](const auto& row) {
            bytes.resize(row.size() * sizeof(T));
            EncodeCells(row.data(), row.size(), bytes.data());
            crc = UpdateCRC(crc, bytes.data(), bytes.size());
            out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        });
        uint8_t tail[4];
        PutLE(tail, ~crc, 4);
        out.WriteBuffer(tail, 4);
        out.Flush();
    } catch (const EInOutError&) {
        return -3;
    }
    return 0;
}

template <class A>
int Load(const std::string& fileName, A& a) {
    using T = CellOf<A>;
    constexpr size_t R = kRank<A>;
    std::unique_ptr<TFileStream> in;
    try {
        in = std::make_unique<TFileStream>(fileName, TFileMode::fmOpenRead);
    } catch (const EInOutError&) {
        return -1;
    }
    try {
        Header h;
        if (const int rc = ReadHeader(*in, h)) return rc;
        if (h.kind != KindOf<T>() || h.rank != R) return -2;
        std::array<int64_t, R> extents{};
        for (size_t d = 0; d < R; ++d) extents[d] = h.extents[d];
        A result = ArrayOfExtents<A>(extents);
        uint32_t crc = 0xFFFFFFFFu;
        std::vector<uint8_t> bytes;
        bool complete = true;
        ForEachRow(result, [&](auto& row) {
            if (!complete) return;
            bytes.resize(row.size() * sizeof(T));
            if (in->Read(bytes.data(), static_cast<int64_t>(bytes.size())) !=
                static_cast<int64_t>(bytes.size())) {
                complete = false;
                return;
            }
            crc = UpdateCRC(crc, bytes.data(), bytes.size());
            DecodeCells(bytes.data(), row.size(), row.data());
        });
        uint8_t tail[4];
        if (!complete || in->Read(tail, 4) != 4) return -3;
        if (static_cast<uint32_t>(GetLE(tail, 4)) != ~crc) return -3;
        a = std::move(result);
        return 0;
    } catch (const EInOutError&) {
        return -3;
    }
}

}  // namespace

#define OZM_OA_BINARY(ArrayT)                                                                  \
    int SaveBinaryArray(const std::string& FName, const ArrayT& A) { return Save(FName, A); }  \
    int LoadBinaryArray(const std::string& FName, ArrayT& A) { return Load(FName, A); }
OZM_OA_BINARY(TDoubleArray)
OZM_OA_BINARY(TDouble2DArray)
OZM_OA_BINARY(TDouble3DArray)
OZM_OA_BINARY(TDouble4DArray)
OZM_OA_BINARY(TIntArray)
OZM_OA_BINARY(TInt2DArray)
OZM_OA_BINARY(TInt3DArray)
OZM_OA_BINARY(TInt4DArray)
#undef OZM_OA_BINARY

int ReadBinaryArrayHeader(const std::string& FName, TArrayFileKind& Kind, int& Rank,
                          TIntArray& Extents) {
    std::unique_ptr<TFileStream> in;
    try {
        in = std::make_unique<TFileStream>(FName, TFileMode::fmOpenRead);
    } catch (const EInOutError&) {
        return -1;
    }
    try {
        Header h;
        if (const int rc = ReadHeader(*in, h)) return rc;
        Kind = h.kind;
        Rank = static_cast<int>(h.rank);
        Extents.assign(h.extents.begin(), h.extents.begin() + static_cast<std::ptrdiff_t>(h.rank));
        return 0;
    } catch (const EInOutError&) {
        return -3;
    }
}

}  // namespace ozm::openarrays
