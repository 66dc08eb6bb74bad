// TIntMatrix: the entry list file of the sparse form.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "ozm/matrix.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm {

namespace {

// The shortest entry line, "1 1 0" and a line end, takes 6 bytes.
constexpr int64_t kMinBytesPerEntry = 6;

}  // namespace

bool TIntMatrix::StoreSparseMat(const std::string& FName) const {
    try {
        TTextWriter writer(FName);
        const auto entry_line = [&writer](int c, int r, int32_t v) {
            writer.WriteLn(std::to_string(c) + " " + std::to_string(r) + " " + std::to_string(v));
        };
        if (FIsSparse) {
            writer.WriteLn(std::to_string(FNCol) + " " + std::to_string(FNRow) + " " +
                           std::to_string(SpMat.size()) + " " + std::to_string(FAllocBy));
            for (const TSpMatElemInt& e : SpMat) entry_line(e.colidx, e.rowidx, e.value);
        } else {
            const size_t count = static_cast<size_t>(std::count_if(
                FData.begin(), FData.begin() + static_cast<std::ptrdiff_t>(CellCount()),
                [](int32_t v) { return v != 0; }));
            writer.WriteLn(std::to_string(FNCol) + " " + std::to_string(FNRow) + " " +
                           std::to_string(count) + " 1");
            for (int c = 1; c <= FNCol; ++c) {
                const int32_t* col = Column(c);
                for (int r = 1; r <= FNRow; ++r)
                    if (col[r - 1] != 0) entry_line(c, r, col[r - 1]);
            }
        }
        writer.Close();
    } catch (const EInOutError&) {
        return false;
    }
    return true;
}

bool TIntMatrix::LoadSparseMat(const std::string& FName) {
    std::error_code ec;
    const auto file_size = std::filesystem::file_size(FName, ec);
    if (ec) return false;
    std::vector<TSpMatElemInt> entries;
    int32_t header[4] = {};  // columns, rows, entries, growth step
    try {
        TTextReader reader(FName);
        for (int32_t& field : header)
            if (!reader.ReadInt(field)) return false;
        const int32_t cols = header[0];
        const int32_t rows = header[1];
        const int32_t count = header[2];
        if (cols < 0 || rows < 0 || count < 0) return false;
        // Refused before anything is reserved: the file cannot hold more entries than this.
        if (count > static_cast<int64_t>(file_size) / kMinBytesPerEntry) return false;
        entries = Guarded([&] {
            std::vector<TSpMatElemInt> out;
            out.reserve(static_cast<size_t>(count));
            return out;
        });
        for (int32_t k = 0; k < count; ++k) {
            TSpMatElemInt e{};
            if (!reader.ReadInt(e.colidx) || !reader.ReadInt(e.rowidx) || !reader.ReadInt(e.value))
                return false;
            if (e.colidx < 1 || e.colidx > cols || e.rowidx < 1 || e.rowidx > rows) return false;
            entries.push_back(e);
        }
    } catch (const EInOutError&) {
        return false;
    }
    const auto before = [](const TSpMatElemInt& a, const TSpMatElemInt& b) {
        return a.colidx < b.colidx || (a.colidx == b.colidx && a.rowidx < b.rowidx);
    };
    if (!std::is_sorted(entries.begin(), entries.end(), before))
        std::sort(entries.begin(), entries.end(), before);
    const auto same_cell = [](const TSpMatElemInt& a, const TSpMatElemInt& b) {
        return a.colidx == b.colidx && a.rowidx == b.rowidx;
    };
    if (std::adjacent_find(entries.begin(), entries.end(), same_cell) != entries.end())
        return false;

    std::vector<int32_t>().swap(FData);
    FIsSparse = true;
    FAllocBy = std::max(header[3], 1);
    SpMat = std::move(entries);
    FNumAllocated = CapacityFor(SpMat.size());
    EmptyBox();
    for (const TSpMatElemInt& e : SpMat) WidenBox(e.colidx, e.rowidx);
    FNCol = header[0];
    FNRow = header[1];
    Changed();
    return true;
}

}  // namespace ozm
