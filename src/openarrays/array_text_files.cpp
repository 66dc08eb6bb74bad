// Text array files (StoreArray, LoadArray); the layout is described in docs/array-files.md.
#include <charconv>
#include <filesystem>
#include <string>

#include "openarrays/array_files.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/numtext.hpp"
#include "ozm/platform/textfile.hpp"
#include "platform/numtext_chars.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

constexpr int kMaxDecimals = 17;

void AppendCell(std::string& line, double v, int decimals) {
    char buf[ozm::detail::kNumCharsSize];
    line.append(buf, decimals < 0 ? ozm::detail::ShortestChars(buf, v)
                                  : ozm::detail::FixedChars(buf, v, decimals));
}

void AppendCell(std::string& line, int32_t v, int) {
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    line.append(buf, res.ptr);
}

template <class A>
int Store(const std::string& fileName, const A& a, int decimals) {
    using T = CellOf<A>;
    constexpr size_t R = kRank<A>;
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (!HasExtents(a, e.data()) || decimals > kMaxDecimals) return -2;
    try {
        TTextWriter out(fileName);
        std::string line(kTextSignature);
        line += ' ' + std::to_string(kTextVersion) + ' ';
        line += KindOf<T>() == TArrayFileKind::afDouble ? kKindNameDouble : kKindNameInteger;
        line += ' ' + std::to_string(R);
        out.WriteLn(line);
        line.clear();
        for (size_t d = 0; d < R; ++d) {
            if (d > 0) line += ' ';
            line += std::to_string(e[d]);
        }
        out.WriteLn(line);
        // One line per innermost sub-array; a rank-1 array one value per line.
        ForEachRow(a, [&](const auto& row) {
            if constexpr (R == 1) {
                for (const T v : row) {
                    line.clear();
                    AppendCell(line, v, decimals);
                    out.WriteLn(line);
                }
            } else {
                line.clear();
                for (size_t i = 0; i < row.size(); ++i) {
                    if (i > 0) line += ' ';
                    AppendCell(line, row[i], decimals);
                }
                out.WriteLn(line);
            }
        });
        out.Close();
    } catch (const EInOutError&) {
        return -3;
    }
    return 0;
}

bool ReadCell(TTextReader& in, double& v) { return in.ReadDouble(v); }
bool ReadCell(TTextReader& in, int32_t& v) { return in.ReadInt(v); }

template <class A>
int Load(const std::string& fileName, A& a) {
    using T = CellOf<A>;
    constexpr size_t R = kRank<A>;
    try {
        TTextReader in(fileName);
        std::error_code ec;
        const auto fileSize = std::filesystem::file_size(fileName, ec);
        if (ec) return -1;

        if (in.ReadWord() != kTextSignature) return -2;
        int32_t version = 0, rank = 0;
        if (!in.ReadInt(version) || version != kTextVersion) return -2;
        const std::string kind = in.ReadWord();
        const std::string_view wanted =
            KindOf<T>() == TArrayFileKind::afDouble ? kKindNameDouble : kKindNameInteger;
        if (kind != wanted) return -2;
        if (!in.ReadInt(rank) || rank != static_cast<int32_t>(R)) return -2;

        std::array<int64_t, R> extents{};
        for (size_t d = 0; d < R; ++d) {
            int32_t v = 0;
            if (!in.ReadInt(v)) return -3;
            extents[d] = v;
        }
        // Every cell takes at least one character and a separator (the last one may end the
        // file), so a file of S bytes holds at most (S + 1) / 2 cells.
        if (CheckedCellCount(extents, (static_cast<uint64_t>(fileSize) + 1) / 2) == 0) return -3;

        A result = ArrayOfExtents<A>(extents);
        bool complete = true;
        ForEachRow(result, [&](auto& row) {
            for (size_t i = 0; complete && i < row.size(); ++i) complete = ReadCell(in, row[i]);
        });
        if (!complete || !in.ReadWord().empty()) return -3;
        a = std::move(result);
        return 0;
    } catch (const EInOutError&) {
        return -1;
    }
}

}  // namespace

int StoreArray(const std::string& FName, const TDoubleArray& A, int Decimals) {
    return Store(FName, A, Decimals);
}
int StoreArray(const std::string& FName, const TDouble2DArray& A, int Decimals) {
    return Store(FName, A, Decimals);
}
int StoreArray(const std::string& FName, const TDouble3DArray& A, int Decimals) {
    return Store(FName, A, Decimals);
}
int StoreArray(const std::string& FName, const TDouble4DArray& A, int Decimals) {
    return Store(FName, A, Decimals);
}
int StoreArray(const std::string& FName, const TIntArray& A) { return Store(FName, A, 0); }
int StoreArray(const std::string& FName, const TInt2DArray& A) { return Store(FName, A, 0); }
int StoreArray(const std::string& FName, const TInt3DArray& A) { return Store(FName, A, 0); }
int StoreArray(const std::string& FName, const TInt4DArray& A) { return Store(FName, A, 0); }

int LoadArray(const std::string& FName, TDoubleArray& A) { return Load(FName, A); }
int LoadArray(const std::string& FName, TDouble2DArray& A) { return Load(FName, A); }
int LoadArray(const std::string& FName, TDouble3DArray& A) { return Load(FName, A); }
int LoadArray(const std::string& FName, TDouble4DArray& A) { return Load(FName, A); }
int LoadArray(const std::string& FName, TIntArray& A) { return Load(FName, A); }
int LoadArray(const std::string& FName, TInt2DArray& A) { return Load(FName, A); }
int LoadArray(const std::string& FName, TInt3DArray& A) { return Load(FName, A); }
int LoadArray(const std::string& FName, TInt4DArray& A) { return Load(FName, A); }

}  // namespace ozm::openarrays
