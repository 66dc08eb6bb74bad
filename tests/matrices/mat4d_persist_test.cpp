// Record files and XML of TMat4D and TMat3D: layouts written by hand, the worked examples of the
// readers, damaged files, round trips.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ozm/matrix.hpp"
#include "test_support.hpp"

namespace ozm {
namespace {

using ozm::testing::ReadWholeFile;
using ozm::testing::ScratchDir;
using ozm::testing::WriteWholeFile;

void PutInt32(std::string& b, size_t at, int32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = char(uint32_t(v) >> (8 * k));
}

// A record file written byte by byte: header, then the cells (value = f(k) for cell k), padded
// to whole records unless Pad is false.
std::string HandFile(int32_t x, int32_t y, int32_t z, int32_t t, int32_t format, int64_t cells,
                     double (*f)(int64_t), bool Pad = true, const std::string& id = "hand") {
    std::string b(4096, '\0');
    PutInt32(b, 0, x);
    PutInt32(b, 4, y);
    PutInt32(b, 8, z);
    PutInt32(b, 12, t);
    b[16] = char(id.size());
    std::memcpy(&b[17], id.data(), id.size());
    PutInt32(b, 272, format);
    for (int64_t k = 0; k < cells; ++k) {
        const uint64_t u = std::bit_cast<uint64_t>(f(k));
        for (int j = 0; j < 8; ++j) b.push_back(char(u >> (8 * j)));
    }
    while (Pad && b.size() % 4096 != 0) b.push_back('\0');
    return b;
}

double CellK(int64_t k) { return 0.5 + double(k); }

struct Streamed {
    int ix, iy, il, it;
    double v;
};

TEST(Mat4DFiles, ReadBinaryStreamsTheWorkedExample) {
    ScratchDir dir;
    const std::string f = dir.file("a.bin");
    WriteWholeFile(f, HandFile(2, 3, 1, 4, 1, 24, CellK));
    TMat4D m;
    std::vector<Streamed> got;
    m.OnReadElement = [&](TObject* s, int ix, int iy, int il, int it, double v) {
        EXPECT_EQ(s, &m);
        got.push_back({ix, iy, il, it, v});
    };
    EXPECT_EQ(m.ReadBinary(f, 3, 10), 0);
    ASSERT_EQ(got.size(), 12u);
    EXPECT_EQ(got[0].v, CellK(12));  // cell position 12: record 1, slot 12
    EXPECT_EQ(got[0].it, 1);
    EXPECT_EQ(got[6].it, 2);
    EXPECT_EQ(got[7].ix * 10 + got[7].iy, 21);  // cell 19: column 2, row 1 of slot 4
    EXPECT_EQ(got[11].v, CellK(23));
    got.clear();
    int percents = 0;
    m.OnPercentDone = [&](TObject*, int p) { percents = p; };
    EXPECT_EQ(m.ReadBinary(f, 0, 0), 0);
    EXPECT_EQ(got.size(), 24u);
    EXPECT_EQ(percents, 100);
    got.clear();
    EXPECT_EQ(m.ReadBinary(f, 5, 6), -1);
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(m.NrOfColumns(), 1);  // the matrix itself is untouched

    // Cell position 512 is slot 0 of record 2: a stack of 520 cells per slot, second slot.
    const std::string g = dir.file("b.bin");
    WriteWholeFile(g, HandFile(520, 1, 1, 2, 1, 1040, CellK));
    EXPECT_EQ(m.ReadBinary(g, 2, 2), 0);
    EXPECT_EQ(got.front().v, CellK(520));
    EXPECT_EQ(got.back().v, CellK(1039));

    // A file that ends inside the range: the cells before the end arrive, then the read error.
    const std::string h = dir.file("short.bin");
    WriteWholeFile(h, HandFile(2, 3, 1, 4, 1, 20, CellK, false));
    got.clear();
    EXPECT_THROW(m.ReadBinary(h, 0, 0), EInOutError);
    EXPECT_EQ(got.size(), 20u);
    EXPECT_THROW(m.ReadBinary(dir.file("none.bin"), 0, 0), EInOutError);
    WriteWholeFile(h, std::string(100, '\0'));
    EXPECT_THROW(m.ReadBinary(h, 0, 0), EInOutError);
    // Absurd extents: the range runs beyond any file; nothing is allocated for it.
    WriteWholeFile(h, HandFile(2000000000, 2000000000, 2000000000, 2000000000, 1, 0, CellK));
    got.clear();
    EXPECT_THROW(m.ReadBinary(h, 2, 3), EInOutError);
    // A start far inside the 64-bit range whose byte offset would not be: refused, not wrapped.
    WriteWholeFile(h, HandFile(1 << 30, 1 << 30, 2, 2, 1, 0, CellK));
    EXPECT_THROW(m.ReadBinary(h, 2, 2), EInOutError);
    EXPECT_TRUE(got.empty());
    WriteWholeFile(h, HandFile(-5, 3, 1, 4, 1, 0, CellK));
    EXPECT_EQ(m.ReadBinary(h, 0, 0), 0);
    EXPECT_TRUE(got.empty());
}

TEST(Mat4DFiles, LayerReadersAndTheirCodes) {
    ScratchDir dir;
    const std::string f = dir.file("l.bin");
    // 4 x 2 cells per layer, 3 layers, 2 slots.
    WriteWholeFile(f, HandFile(4, 2, 3, 2, 1, 48, CellK));
    TMat4D m;
    m.Resize(4, 2, 3, 2);
    int changes = 0;
    m.OnChange = [&](TObject*) { ++changes; };
    ASSERT_EQ(m.ReadLayer(f, 2, 2), 0);
    // Layer 2 of slot 2 starts at cell (2 - 1) * 3 * 8 + 8 = 32.
    EXPECT_EQ(m.GetVal(1, 1, 2, 2), CellK(32));
    EXPECT_EQ(m.GetVal(4, 2, 2, 2), CellK(39));
    EXPECT_EQ(m.GetVal(1, 1, 1, 2), 0.0);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(m.ReadLayer(f, 4, 3), -2);  // both out of range: the last check decides
    EXPECT_EQ(m.ReadLayer(f, 1, 3), -1);
    EXPECT_EQ(m.ReadLayer(dir.file("none"), 1, 1), -4);
    TMat4D narrow;
    narrow.Resize(3, 2, 3, 2);
    narrow.Fill(7);
    EXPECT_EQ(narrow.ReadLayer(f, 1, 1), -3);
    EXPECT_EQ(narrow.GetVal(1, 1, 1, 1), 7.0);  // unchanged
    TMat4D shallow;
    shallow.Resize(4, 2, 1, 2);
    EXPECT_EQ(shallow.ReadLayer(f, 2, 1), -2);  // beyond the matrix's layers

    TDouble2DArray d;
    EXPECT_EQ(matrix::Read4DLayer(f, 4, 3, d), -2);
    EXPECT_EQ(matrix::Read4DLayer(f, 1, 3, d), -1);
    ASSERT_EQ(matrix::Read4DLayer(f, 3, 1, d), 0);
    ASSERT_EQ(d.size(), 4u);
    ASSERT_EQ(d[0].size(), 2u);
    EXPECT_EQ(d[3][1], CellK(16 + 7));
    EXPECT_EQ(d[1][0], CellK(16 + 1));
    EXPECT_EQ(matrix::Read4DLayer(dir.file("none"), 1, 1, d), -3);
    EXPECT_EQ(matrix::Read4DLayerAndAccumulate(f, 4, 3, d), -2);  // opposite meaning of -2
    EXPECT_EQ(matrix::Read4DLayerAndAccumulate(f, 4, 1, d), -1);
    ASSERT_EQ(matrix::Read4DLayerAndAccumulate(f, 1, 1, d), 0);
    EXPECT_EQ(d[3][1], CellK(23) + CellK(7));
    d[2].pop_back();
    EXPECT_EQ(matrix::Read4DLayerAndAccumulate(f, 1, 1, d), -3);
    EXPECT_EQ(matrix::Read4DLayerAndAccumulate(dir.file("none"), 1, 1, d), -4);

    // A file that ends inside the layer: the codes of an input/output failure, and Read4DLayer
    // leaves the array as it was.
    const std::string s = dir.file("s.bin");
    WriteWholeFile(s, HandFile(4, 2, 3, 2, 1, 44, CellK, false));
    EXPECT_EQ(m.ReadLayer(s, 3, 2), -4);
    d.assign(1, TDoubleArray(1, 9.0));
    EXPECT_EQ(matrix::Read4DLayer(s, 3, 2, d), -3);
    EXPECT_EQ(d.size(), 1u);
    // A header announcing a huge layer inside a small file allocates nothing.
    WriteWholeFile(s, HandFile(1 << 30, 1 << 30, 2, 2, 1, 10, CellK));
    EXPECT_EQ(matrix::Read4DLayer(s, 2, 2, d), -3);
    EXPECT_EQ(d.size(), 1u);
    WriteWholeFile(s, HandFile(1 << 30, 0, 2, 2, 1, 10, CellK));
    EXPECT_EQ(matrix::Read4DLayer(s, 1, 1, d), -3);
}

TEST(Mat4DFiles, SaveLoadAppendRoundTrips) {
    ScratchDir dir;
    const std::string f = dir.file("r.bin");
    TMat4D m;
    m.Resize(5, 3, 2, 2);
    for (size_t i = 0; i < 60; ++i) m.Data()[i] = std::ldexp(double(i) - 17.25, int(i % 7) - 3);
    m.Data()[7] = -0.0;
    m.Data()[8] = NAN;
    m.SetDataID(std::string(300, 'q'));  // cut to 255 bytes
    ASSERT_TRUE(m.SaveBinary(f));
    const std::string bytes = ReadWholeFile(f);
    ASSERT_EQ(bytes.size(), 2u * 4096);
    EXPECT_EQ(std::memcmp(bytes.data() + 4096, m.Data(), 60 * 8), 0);  // storage = file order
    EXPECT_EQ(uint8_t(bytes[16]), 255);
    EXPECT_EQ(bytes.find_first_not_of('\0', 4096 + 60 * 8), std::string::npos);  // zero padding

    int nx, ny, nz, nt, fmt;
    std::string id;
    EXPECT_TRUE(m.ReadBinaryHeader(f, nx, ny, nz, nt, id, fmt));
    EXPECT_EQ(nx * 1000 + ny * 100 + nz * 10 + nt, 5322);
    EXPECT_EQ(id, std::string(255, 'q'));

    TMat4D r;
    int changes = 0;
    r.OnChange = [&](TObject*) { ++changes; };
    ASSERT_EQ(r.LoadBinary(f), matrix::kBinaryOk);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(std::memcmp(r.Data(), m.Data(), 60 * 8), 0);  // bit for bit
    EXPECT_EQ(r.DataID(), std::string(255, 'q'));

    // Append: the slots follow, the header counts them, the identifier stays.
    TMat4D more;
    more.Resize(5, 3, 2, 1);
    more.Fill(4.0);
    more.SetDataID("other");
    ASSERT_EQ(more.AppendToBinaryFile(f), matrix::kBinaryOk);
    ASSERT_EQ(r.LoadBinary(f), matrix::kBinaryOk);
    EXPECT_EQ(r.NrOfTimeSlots(), 3);
    EXPECT_EQ(r.GetVal(5, 3, 2, 3), 4.0);
    EXPECT_EQ(r.GetVal(5, 3, 2, 2), m.GetVal(5, 3, 2, 2));
    EXPECT_EQ(r.DataID().size(), 255u);
    EXPECT_EQ(ReadWholeFile(f).size(), 2u * 4096);  // 90 cells: still one data record
    TMat4D wrong;
    wrong.Resize(5, 3, 3, 1);
    EXPECT_EQ(wrong.AppendToBinaryFile(f), matrix::kBinaryShapeMismatch);
    const std::string g = dir.file("new.bin");
    ASSERT_EQ(more.AppendToBinaryFile(g), matrix::kBinaryOk);  // a missing file is created
    EXPECT_EQ(r.LoadBinary(g), matrix::kBinaryOk);
    EXPECT_EQ(r.DataID(), "other");

    // Damaged files leave the matrix unchanged.
    WriteWholeFile(g, HandFile(5, 3, 2, 2, 1, 30, CellK));  // 60 announced, 30 stored + padding
    EXPECT_EQ(r.LoadBinary(g), matrix::kBinaryOk);           // padding backs 512 cells...
    WriteWholeFile(g, HandFile(50, 30, 2, 2, 1, 30, CellK));
    EXPECT_EQ(r.LoadBinary(g), matrix::kBinaryTruncated);  // ...but not 6000
    WriteWholeFile(g, HandFile(5, 3, 2, 2, 2, 60, CellK));
    EXPECT_EQ(r.LoadBinary(g), matrix::kBinaryWrongKind);
    EXPECT_FALSE(r.ReadBinaryHeader(g, nx, ny, nz, nt, id, fmt));
    EXPECT_EQ(fmt, 2);
    EXPECT_EQ(r.AppendToBinaryFile(g), matrix::kBinaryWrongKind);
    EXPECT_EQ(r.LoadBinaryNoFmtCheck(g), matrix::kBinaryOk);  // the layout of format 1
    EXPECT_EQ(r.GetVal(2, 1, 1, 1), CellK(1));
    WriteWholeFile(g, HandFile(5, -3, 2, 2, 1, 60, CellK));
    EXPECT_EQ(r.LoadBinary(g), matrix::kBinaryWrongKind);
    WriteWholeFile(g, HandFile(5, 3, 0, 0, 1, 15, CellK));  // a TMatrix file
    EXPECT_EQ(r.LoadBinary(g), matrix::kBinaryWrongKind);
    WriteWholeFile(g, HandFile(2000000000, 2000000000, 2000000000, 2, 1, 10, CellK));
    EXPECT_EQ(r.LoadBinary(g), matrix::kBinaryTruncated);
    WriteWholeFile(g, std::string(4095, '\1'));
    EXPECT_EQ(r.LoadBinary(g), matrix::kBinaryWrongKind);
    EXPECT_FALSE(r.ReadBinaryHeader(g, nx, ny, nz, nt, id, fmt));
    EXPECT_EQ(nx + ny + nz + nt + fmt, 0);
    EXPECT_EQ(r.LoadBinary(dir.file("none")), matrix::kBinaryCannotOpen);
    EXPECT_THROW(r.ReadBinaryHeader(dir.file("none"), nx, ny, nz, nt, id, fmt), EInOutError);
    EXPECT_EQ(r.NrOfTimeSlots(), 2);
    EXPECT_EQ(r.GetVal(2, 1, 1, 1), CellK(1));

    // TMat3D files are TMat4D files with one time slot.
    TMat3D cube;
    m.CopyTimeSlotToMat3D(&cube, 0, 0, 0, 0, 0, 0, 2);
    cube.SetDataID("cube");
    const std::string c = dir.file("c.bin");
    ASSERT_TRUE(cube.SaveBinary(c));
    ASSERT_EQ(r.LoadBinary(c), matrix::kBinaryOk);
    EXPECT_EQ(r.NrOfTimeSlots(), 1);
    EXPECT_EQ(std::memcmp(r.Data(), m.Data() + 30, 30 * 8), 0);
    TMat3D back;
    ASSERT_EQ(back.LoadBinary(c), matrix::kBinaryOk);
    EXPECT_EQ(back.CRCofData(), cube.CRCofData());
    EXPECT_EQ(back.DataID(), "cube");
    EXPECT_TRUE(back.ReadBinaryHeader(c, nx, ny, nz, nt, id, fmt));
    EXPECT_EQ(back.LoadBinary(f), matrix::kBinaryWrongKind);  // three slots
    EXPECT_EQ(back.CRCofData(), cube.CRCofData());
}

TEST(Mat4DFiles, XmlRoundTripsAndHostileDocuments) {
    TMat4D m;
    m.Resize(3, 2, 2, 2);
    for (size_t i = 0; i < 24; ++i) m.Data()[i] = 1.0 / (double(i) + 0.7) - 0.3;
    m.Data()[5] = INFINITY;
    m.SetDataID("a<b & \"c\"");
    TMemoryStream s;
    m.WriteToXMLStream(s, true);
    const std::string text(reinterpret_cast<const char*>(s.Memory()), size_t(s.Size()));
    EXPECT_NE(text.find("<numtimeslots>2</numtimeslots>"), std::string::npos);
    EXPECT_NE(text.find("<cell ix=\"3\" iy=\"1\" il=\"2\" it=\"1\">"), std::string::npos);
    s.SetPosition(0);
    TMat4D r;
    ASSERT_TRUE(r.ReadFromXMLStream(s));
    EXPECT_EQ(r.CRCofData(), m.CRCofData());
    EXPECT_EQ(r.DataID(), m.DataID());

    ScratchDir dir;
    ASSERT_TRUE(m.SaveAsXMLFile(dir.file("m.xml")));
    TMat4D f;
    ASSERT_TRUE(f.LoadFromXMLFile(dir.file("m.xml")));
    EXPECT_EQ(f.CRCofData(), m.CRCofData());
    EXPECT_FALSE(f.LoadFromXMLFile(dir.file("none.xml")));

    auto read = [](TMat4D& into, const std::string& doc) {
        TMemoryStream in;
        in.WriteBuffer(doc.data(), int64_t(doc.size()));
        in.SetPosition(0);
        return into.ReadFromXMLStream(in);
    };
    const std::string crc = r.CRCofData();
    // Extents that storage could not hold, a missing extent, absurd and negative extents: all
    // refused before anything is allocated, and the matrix stays as it was.
    EXPECT_FALSE(read(r, "<matrix><numcols>100000</numcols><numrows>100000</numrows><numplanes>1"
                         "</numplanes><numtimeslots>1</numtimeslots><cell ix=\"1\" iy=\"1\" il=\"1\" "
                         "it=\"1\">5</cell></matrix>"));
    EXPECT_FALSE(read(r, "<matrix><numcols>2</numcols><numrows>2</numrows><numplanes>1</numplanes>"
                         "<cell ix=\"1\" iy=\"1\" il=\"1\" it=\"1\">5</cell></matrix>"));
    EXPECT_FALSE(read(r, "<matrix><numcols>-2</numcols><numrows>2</numrows><numplanes>1</numplanes>"
                         "<numtimeslots>1</numtimeslots></matrix>"));
    EXPECT_FALSE(read(r, "<matrix><numcols>2</numcols><bogus>2</bogus></matrix>"));
    EXPECT_EQ(r.CRCofData(), crc);
    // Cells outside the announced extents are ignored; extents alone make a zero stack.
    ASSERT_TRUE(read(r, "<matrix><numcols>2</numcols><numrows>1</numrows><numplanes>3</numplanes>"
                        "<numtimeslots>1</numtimeslots><cell ix=\"2\" iy=\"1\" il=\"3\" it=\"1\">"
                        "1.5E2</cell><cell ix=\"3\" iy=\"1\" il=\"1\" it=\"1\">9</cell></matrix>"));
    EXPECT_EQ(r.NrOfLayers(), 3);
    EXPECT_EQ(r.GetVal(2, 1, 3, 1), 150.0);
    EXPECT_EQ(r.Sum(0, 0, 0, 0, 0, 0, 0, 0), 150.0);

    // TMat3D: iz for the layer, numtimeslots ignored.
    TMat3D cube;
    cube.Resize(2, 3, 2);
    for (int i = 0; i < 12; ++i) cube.Data()[i] = i * 0.1;
    TMemoryStream cs;
    cube.WriteToXMLStream(cs, false);
    const std::string ctext(reinterpret_cast<const char*>(cs.Memory()), size_t(cs.Size()));
    EXPECT_NE(ctext.find("<cell ix=\"2\" iy=\"3\" iz=\"2\">"), std::string::npos);
    EXPECT_EQ(ctext.find("numtimeslots"), std::string::npos);
    cs.SetPosition(0);
    TMat3D cback;
    ASSERT_TRUE(cback.ReadFromXMLStream(cs));
    EXPECT_EQ(cback.CRCofData(), cube.CRCofData());
    ASSERT_TRUE(cube.SaveAsXMLFile(dir.file("c.xml")));
    ASSERT_TRUE(cback.LoadFromXMLFile(dir.file("c.xml")));
    EXPECT_EQ(cback.CRCofData(), cube.CRCofData());
}

}  // namespace
}  // namespace ozm
