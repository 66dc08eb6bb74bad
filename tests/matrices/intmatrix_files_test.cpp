// Files and streams of TIntMatrix in both forms: round trips through every format, what the
// writers produce, and hostile inputs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "ozm/base/streamhelp.hpp"
#include "ozm/matrix.hpp"
#include "test_support.hpp"

namespace ozm {
namespace {

using ozm::testing::ReadWholeFile;
using ozm::testing::ScratchDir;
using ozm::testing::WriteWholeFile;

// A 7 x 5 matrix with about a third of its cells non-zero, extremes included.
void FillSample(TIntMatrix& m) {
    std::mt19937 gen(77);
    m.ResizeAndClear(7, 5);
    for (int c = 1; c <= 7; ++c)
        for (int r = 1; r <= 5; ++r)
            if (gen() % 3 == 0) m.SetVal(c, r, int32_t(gen()));
    m.SetVal(1, 1, INT32_MIN);
    m.SetVal(7, 5, INT32_MAX);
    m.SetVal(7, 4, 0);
    m.SetDataID("grid <&> \"7x5\"");
}

void ExpectSameCells(const TIntMatrix& a, const TIntMatrix& b) {
    ASSERT_EQ(a.NrOfColumns(), b.NrOfColumns());
    ASSERT_EQ(a.NrOfRows(), b.NrOfRows());
    for (int c = 1; c <= a.NrOfColumns(); ++c)
        for (int r = 1; r <= a.NrOfRows(); ++r)
            ASSERT_EQ(a.GetVal(c, r), b.GetVal(c, r)) << c << "," << r;
}

// The sparse copy of a dense matrix (entries for the non-zero cells).
void MakeSparse(TIntMatrix& m, int alloc_by) { m.ArrayToSparse(alloc_by); }

TEST(IntMatrixFiles, RoundTripsThroughEveryFormatInBothForms) {
    ScratchDir dir;
    for (const bool sparse : {false, true}) {
        SCOPED_TRACE(sparse ? "sparse" : "dense");
        TIntMatrix src;
        FillSample(src);
        if (sparse) {
            MakeSparse(src, 4);
            src.SetVal(7, 4, 0);  // an entry holding 0, which readers need not create
        }
        // Each reader target starts in the form of the source and differs in size and content.
        const auto fresh = [&] {
            auto m = std::make_unique<TIntMatrix>();
            m->Resize(2, 9);
            m->Fill(3);
            if (sparse) m->ArrayToSparse(4);
            return m;
        };
        const auto check = [&](const TIntMatrix& back, bool with_id) {
            EXPECT_EQ(back.IsSparse(), sparse);
            ExpectSameCells(src, back);
            if (with_id) {
                EXPECT_EQ(back.DataID(), src.DataID());
            }
            if (sparse) {
                EXPECT_EQ(back.SparseNumElem(), src.SparseNumElem() - 1);  // not the stored 0
            }
        };

        {  // XML through a stream and a file
            TMemoryStream s;
            src.WriteToXMLStream(s, true);
            s.SetPosition(0);
            auto back = fresh();
            ASSERT_TRUE(back->ReadFromXMLStream(s));
            EXPECT_EQ(back->IsSparse(), sparse);
            ExpectSameCells(src, *back);
            EXPECT_EQ(back->DataID(), src.DataID());
            ASSERT_TRUE(src.SaveAsXMLFile(dir.file("m.xml")));
            auto back2 = fresh();
            ASSERT_TRUE(back2->LoadFromXMLFile(dir.file("m.xml")));
            ExpectSameCells(src, *back2);
            // A sparse matrix writes its entries only (the stored 0 among them).
            const std::string text = ReadWholeFile(dir.file("m.xml"));
            size_t cells = 0;
            for (size_t at = text.find("<cell"); at != std::string::npos;
                 at = text.find("<cell", at + 1))
                ++cells;
            EXPECT_EQ(cells, sparse ? size_t(src.SparseNumElem()) : size_t(7 * 5));
            EXPECT_NE(text.find("<cell ix=\"7\" iy=\"5\">2147483647</cell>"), std::string::npos);
        }
        {  // ASC with column names
            TStrArray names = {"a", "b\"q", "", "d", "e", "f", "g"};
            ASSERT_EQ(src.ExportAsASC(dir.file("m.asc"), "", names), 0);
            EXPECT_EQ(
                ReadWholeFile(dir.file("m.asc")).rfind("Exported by OZM TIntMatrix component: ", 0),
                0u);
            auto back = fresh();
            std::string comment;
            TStrArray read_names;
            ASSERT_EQ(back->ImportASC(dir.file("m.asc"), comment, read_names), 0);
            check(*back, false);
            EXPECT_EQ(read_names[1], "b'q");
        }
        {  // list format of a sub-rectangle into a larger matrix
            ASSERT_TRUE(src.StoreOnFile(2, 6, 2, 5, dir.file("m.lst")));
            auto back = fresh();
            ASSERT_TRUE(back->LoadFromFile(dir.file("m.lst"), true));
            EXPECT_EQ(back->NrOfColumns(), 6);
            EXPECT_EQ(back->NrOfRows(), 5);
            for (int c = 2; c <= 6; ++c)
                for (int r = 2; r <= 5; ++r) EXPECT_EQ(back->GetVal(c, r), src.GetVal(c, r));
            EXPECT_EQ(back->GetVal(1, 1), 3);  // outside the rectangle: kept
        }
        {  // stream layout
            TMemoryStream s;
            src.SaveToStream(s, 0, 0, 0, 0);
            s.SetPosition(0);
            auto back = fresh();
            ASSERT_TRUE(back->LoadFromStream(s, true));
            auto back_sized = fresh();
            back_sized->Resize(7, 5);
            s.SetPosition(0);
            ASSERT_TRUE(back_sized->LoadFromStream(s, false));
            ExpectSameCells(src, *back_sized);
            EXPECT_EQ(back->IsSparse(), sparse);
            for (int c = 1; c <= 7; ++c)
                for (int r = 1; r <= 5; ++r) EXPECT_EQ(back->GetVal(c, r), src.GetVal(c, r));
        }
        {  // record file
            ASSERT_TRUE(src.SaveBinary(dir.file("m.bin")));
            int nc = 0, nr = 0, format = 0;
            std::string id;
            EXPECT_TRUE(src.ReadBinaryHeader(dir.file("m.bin"), nc, nr, id, format));
            EXPECT_EQ(nc, 7);
            EXPECT_EQ(id, src.DataID());
            auto back = fresh();
            ASSERT_EQ(back->LoadBinary(dir.file("m.bin")), matrix::kBinaryOk);
            check(*back, true);
            // The same file reads into TMatrix as doubles, and back.
            TMatrix real;
            ASSERT_EQ(real.LoadBinary(dir.file("m.bin")), matrix::kBinaryOk);
            EXPECT_EQ(real.GetVal(1, 1), double(INT32_MIN));
        }
        {  // entry list file
            ASSERT_TRUE(src.StoreSparseMat(dir.file("m.spm")));
            TIntMatrix back;  // a dense matrix becomes sparse
            ASSERT_TRUE(back.LoadSparseMat(dir.file("m.spm")));
            EXPECT_TRUE(back.IsSparse());
            ExpectSameCells(src, back);
            EXPECT_EQ(back.AllocBy(), sparse ? 4 : 1);
        }
    }
}

TEST(IntMatrixFiles, ValuesAnIntegerCannotHoldAreRefused) {
    ScratchDir dir;
    TIntMatrix m;
    m.Resize(2, 2);
    m.Fill(5);
    // ASC: a fraction is rounded ties to even, a value beyond the range is a value error.
    WriteWholeFile(dir.file("a.asc"), "c\n2\n1\nFALSE FALSE FALSE FALSE\n2.5 -3.5\n");
    std::string comment;
    ASSERT_EQ(m.ImportASC(dir.file("a.asc"), comment), 0);
    EXPECT_EQ(m.GetVal(1, 1), 2);
    EXPECT_EQ(m.GetVal(2, 1), -4);
    WriteWholeFile(dir.file("b.asc"), "c\n2\n1\nFALSE FALSE FALSE FALSE\n1 2147483648\n");
    EXPECT_EQ(m.ImportASC(dir.file("b.asc"), comment), matrix::kAscValueError);
    EXPECT_EQ(m.NrOfColumns(), 2);  // unchanged
    EXPECT_EQ(m.GetVal(1, 1), 2);
    // Record file of doubles that are no 32-bit integers.
    TMatrix real;
    real.Resize(2, 1);
    real.SetVal(1, 1, 1e10);
    ASSERT_TRUE(real.SaveBinary(dir.file("r.bin")));
    EXPECT_EQ(m.LoadBinary(dir.file("r.bin")), matrix::kBinaryNotInteger);
    EXPECT_EQ(m.GetVal(2, 1), -4);
    // Stream: a NaN keeps its cell and fails the load; the other cells are read.
    real.Resize(3, 1);
    real.SetVal(1, 1, 7);
    real.SetVal(2, 1, NAN);
    real.SetVal(3, 1, -8);
    TMemoryStream s;
    real.SaveToStream(s, 0, 0, 0, 0);
    s.SetPosition(0);
    m.Resize(3, 1);
    m.Fill(1);
    EXPECT_FALSE(m.LoadFromStream(s, false));
    EXPECT_EQ(m.GetVal(1, 1), 7);
    EXPECT_EQ(m.GetVal(2, 1), 1);
    EXPECT_EQ(m.GetVal(3, 1), -8);
}

TEST(IntMatrixFiles, HostileEntryListsAndSparseDocumentsChangeNothing) {
    ScratchDir dir;
    TIntMatrix m(nullptr, CreateSparse, 3);
    m.SetVal(2, 2, 9);
    const auto unchanged = [&] {
        EXPECT_TRUE(m.IsSparse());
        EXPECT_EQ(m.SparseNumElem(), 1);
        EXPECT_EQ(m.GetVal(2, 2), 9);
        EXPECT_EQ(m.NrOfColumns(), 2);
    };
    const char* lists[] = {
        "",                            // no header
        "3 3 1\n",                     // short header
        "3 3 -1 1\n",                  // negative count
        "-3 3 0 1\n",                  // negative size
        "3 3 2000000000 1\n1 1 1\n",   // more entries than the file holds
        "3 3 2 1\n1 1 1\n",            // ends early
        "3 3 1 1\n4 1 1\n",            // outside the announced size
        "3 3 1 1\n0 1 1\n",            // index below 1
        "3 3 2 1\n2 2 1\n2 2 5\n",     // the same cell twice
        "3 3 1 1\n1 1 x\n",            // no integer
        "3 3 1 1\n1 1 99999999999\n",  // beyond the 32-bit range
    };
    for (const char* text : lists) {
        SCOPED_TRACE(text);
        WriteWholeFile(dir.file("bad.spm"), text);
        EXPECT_FALSE(m.LoadSparseMat(dir.file("bad.spm")));
        unchanged();
    }
    EXPECT_FALSE(m.LoadSparseMat(dir.file("missing.spm")));
    // Unsorted entries are accepted and sorted.
    WriteWholeFile(dir.file("ok.spm"), "4 3 3 2\n4 1 -1\n1 3 5\n1 2 6\n");
    ASSERT_TRUE(m.LoadSparseMat(dir.file("ok.spm")));
    EXPECT_EQ(m.NrOfColumns(), 4);
    EXPECT_EQ(m.NrOfRows(), 3);
    EXPECT_EQ(m.NumAllocated(), 4);
    EXPECT_EQ(m.SparseEntries()[0].rowidx, 2);
    EXPECT_EQ(m.GetVal(4, 1), -1);

    // XML into the sparse form: a cell outside the announced size or below index 1 fails the
    // read; a huge announced size allocates nothing.
    TIntMatrix x(nullptr, CreateSparse, 2);
    x.SetVal(1, 1, 4);
    for (const char* doc :
         {"<matrix><numcols>2</numcols><numrows>2</numrows>"
          "<cell ix=\"3\" iy=\"1\">5</cell></matrix>",
          "<matrix><numcols>2</numcols><numrows>2</numrows>"
          "<cell ix=\"0\" iy=\"1\">5</cell></matrix>",
          "<matrix><numrows>2</numrows><cell ix=\"1\" iy=\"1\">5</cell></matrix>"}) {
        TMemoryStream s;
        s.WriteBuffer(doc, int64_t(std::strlen(doc)));
        s.SetPosition(0);
        EXPECT_FALSE(x.ReadFromXMLStream(s)) << doc;
        EXPECT_EQ(x.GetVal(1, 1), 4);
        EXPECT_EQ(x.SparseNumElem(), 1);
    }
    const std::string huge =
        "<matrix><numcols>2000000000</numcols><numrows>2000000000</numrows>"
        "<cell ix=\"1999999999\" iy=\"3\">-6</cell><cell ix=\"5\" iy=\"5\">0</cell></matrix>";
    TMemoryStream s;
    s.WriteBuffer(huge.data(), int64_t(huge.size()));
    s.SetPosition(0);
    ASSERT_TRUE(x.ReadFromXMLStream(s));
    EXPECT_EQ(x.NrOfColumns(), 2000000000);
    EXPECT_EQ(x.SparseNumElem(), 1);
    EXPECT_EQ(x.GetVal(1999999999, 3), -6);
    // The dense form refuses the same document before allocating.
    TIntMatrix dense;
    s.SetPosition(0);
    EXPECT_FALSE(dense.ReadFromXMLStream(s));
    EXPECT_EQ(dense.NrOfColumns(), 1);
}

}  // namespace
}  // namespace ozm
