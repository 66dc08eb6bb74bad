// Fuzz target of the stack record files: the header readers, TMat4D::LoadBinary (with and without
// the format check), TMat3D::LoadBinary, the streaming reader ReadBinary and the layer readers
// ReadLayer, Read4DLayer and Read4DLayerAndAccumulate. Inputs whose first byte is even are taken
// as a compact header (the four extents, a format code and the identifier length in their first
// 21 bytes), expanded to a full header record and followed by the rest as cells, so that short
// inputs reach every header; odd inputs are the file itself. Whatever loads must save and load
// back bit for bit, and every reader must agree with the loaded cells.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.hpp"

using namespace ozm;

namespace {

std::vector<uint8_t> FileOf(const uint8_t* Data, size_t Size) {
    if (Size == 0 || (Data[0] & 1) != 0) return {Data, Data + Size};
    std::vector<uint8_t> file(4096, 0);
    const size_t header = Size < 22 ? Size : 22;
    std::memcpy(file.data(), Data + 1, header > 1 ? header - 1 : 0);   // extents at 0..15, ...
    std::memmove(file.data() + 272, file.data() + 16, 4);              // ... the format code ...
    std::memset(file.data() + 16, 0, 4);
    file[16] = header == 22 ? Data[21] : 0;                            // ... the identifier length
    file.insert(file.end(), Data + header, Data + Size);
    return file;
}

bool SameBits(const double* a, const double* b, size_t n) {
    return std::memcmp(a, b, n * sizeof(double)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const ozm::fuzzing::MemoryFile scratch;
    static const ozm::fuzzing::MemoryFile written_file;
    const std::string& copy = written_file.Path();
    const std::vector<uint8_t> file = FileOf(Data, Size);
    scratch.Write(file.data(), file.size());
    const std::string& path = scratch.Path();

    TMat4D stack;
    int nx = 0, ny = 0, nz = 0, nt = 0, format = 0;
    std::string id;
    const bool readable = stack.ReadBinaryHeader(path, nx, ny, nz, nt, id, format);
    TMat3D cube;
    int cx, cy, cz, ct, cf;
    std::string cid;
    if (cube.ReadBinaryHeader(path, cx, cy, cz, ct, cid, cf) != readable) std::abort();

    const int code = stack.LoadBinary(path);
    const int loose = TMat4D().LoadBinaryNoFmtCheck(path);
    if (code == matrix::kBinaryOk) {
        if (!readable || loose != matrix::kBinaryOk || nx != stack.NrOfColumns() ||
            ny != stack.NrOfRows() || nz != stack.NrOfLayers() || nt != stack.NrOfTimeSlots() ||
            id != stack.DataID())
            std::abort();
        if (!stack.SaveBinary(copy)) std::abort();
        TMat4D back;
        if (back.LoadBinary(copy) != matrix::kBinaryOk || back.DataID() != stack.DataID()) std::abort();
        const size_t cells = size_t(nx) * ny * nz * nt;
        if (!SameBits(back.Data(), stack.Data(), cells)) std::abort();
        // TMat3D takes exactly the files of one time slot.
        const int cube_code = cube.LoadBinary(path);
        if ((cube_code == matrix::kBinaryOk) != (nt == 1)) std::abort();
        if (nt == 1 && !SameBits(cube.Data(), stack.Data(), cells)) std::abort();
    }

    // Streaming: on a loaded stack every cell arrives in order; otherwise whatever arrives must
    // lie inside the header's extents.
    size_t streamed = 0;
    bool in_order = true;
    bool compare = code == matrix::kBinaryOk;
    TMat4D reader;
    reader.OnReadElement = [&](TObject*, int ix, int iy, int il, int it, double v) {
        if (ix < 1 || iy < 1 || il < 1 || it < 1 || ix > nx || iy > ny || il > nz || it > nt)
            std::abort();
        if (compare)
            in_order = in_order && std::bit_cast<uint64_t>(v) ==
                                       std::bit_cast<uint64_t>(stack.Data()[streamed]);
        ++streamed;
    };
    try {
        const int r = reader.ReadBinary(path, 0, 0);
        if (code == matrix::kBinaryOk && (r != 0 || streamed != size_t(nx) * ny * nz * nt))
            std::abort();
    } catch (const EInOutError&) {
        if (code == matrix::kBinaryOk) std::abort();
    }
    if (!in_order) std::abort();
    compare = false;
    try {
        reader.ReadBinary(path, 2, 3);
    } catch (const EInOutError&) {
    }

    // Layer readers at the first and the last layer and slot.
    for (const auto& [layer, slot] : {std::pair{1, 1}, std::pair{nz, nt}}) {
        TDouble2DArray d;
        const int r = matrix::Read4DLayer(path, layer, slot, d);
        if (code != matrix::kBinaryOk) {
            if (r == 0 && d.size() != size_t(nx)) std::abort();
            continue;
        }
        if (r != 0) std::abort();
        for (int x = 1; x <= nx; ++x)
            for (int y = 1; y <= ny; ++y)
                if (std::bit_cast<uint64_t>(d[x - 1][y - 1]) !=
                    std::bit_cast<uint64_t>(stack.GetVal(x, y, layer, slot)))
                    std::abort();
        TMat4D target;
        target.Resize(nx, ny, nz, nt);
        if (target.ReadLayer(path, layer, slot) != 0) std::abort();
        if (matrix::Read4DLayerAndAccumulate(path, layer, slot, d) != 0) std::abort();
    }
    return 0;
}
