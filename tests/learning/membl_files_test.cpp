// TMemBasedLearner model files: XML and binary round trips, their layouts, and inputs that are
// truncated, lie about sizes or break the vocabulary (refused, with the learner unchanged).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "ozm/frame.hpp"
#include "ozm/membl.hpp"
#include "test_support.hpp"

using namespace ozm;
using ozm::testing::ReadWholeFile;
using ozm::testing::ScratchDir;
using ozm::testing::WriteWholeFile;

namespace {

// A small model with everything a table holds: a nominal column with identifiers, names,
// attributes of both kinds, cell states, a comment, a value that needs all 17 digits.
void FillSample(TMemBasedLearner& L) {
    TDataTable& t = *L.ModelData();
    t.Resize(4, 6);
    for (int r = 1; r <= 6; ++r) {
        t.SetElem(1, r, 0.1 * r + 1.0 / 3.0);
        t.SetElem(2, r, r * r - 7.25);
        t.SetElem(3, r, 1 + r % 3);
        t.SetElem(4, r, -r);
        t.SetRowName(r, "obj " + std::to_string(r));
        t.SetRowAttrib(r, 100 + r);
    }
    t.SetMScaleType(3, TMScaleType::stNominal);
    t.SetNominalID(3, 1, "red");
    t.SetNominalID(3, 2, "green");
    t.SetNominalID(3, 3, "blue <3>");
    t.SetColName(1, "length");
    t.SetColName(2, "width & height");
    t.SetColName(3, "colour");
    t.SetColName(4, "target");
    t.SetCellState(2, 5, datatable::csImputed);
    t.SetFComment("sample table");
    L.SetVarType(1, TMBLVarType::mblVarIndep);
    L.SetVarType(2, TMBLVarType::mblVarIndep);
    L.SetVarType(4, TMBLVarType::mblVarTarget);
    L.SetComment("a<b & \"c\"\r\nsecond line");
    L.SetModelName("sample model");
    L.SetNumNearestNb(4);
    L.SetDistMode(TMBLDistMode::mblDistManhattan);
    L.SetScalingMode(TMBLScalingMode::mblStandardized);
    L.SetLocalModel(TMBLLocalModel::mblLMMajority);
}

// Everything a load may change, as text.
std::string State(TMemBasedLearner& L) {
    const TDataTable& t = *L.ModelData();
    std::string s = L.Comment() + "|" + L.ModelName() + "|" + std::to_string(L.NumNearestNb()) +
                    "|" + std::to_string(static_cast<int>(L.DistMode())) +
                    std::to_string(static_cast<int>(L.ScalingMode())) +
                    std::to_string(static_cast<int>(L.LocalModel())) + "|" + t.Comment() + "|" +
                    std::to_string(t.NrOfColumns()) + "x" + std::to_string(t.NrOfRows()) + "|" +
                    t.CRCofNamesAndAttributes() + t.CRCofCellStates();
    const TMatrix& m = *t.NumericData();
    s += CRCFingerprint(std::span<const double>(
        m.Data(), static_cast<size_t>(m.NrOfColumns()) * static_cast<size_t>(m.NrOfRows())));
    for (int c = 1; c <= t.NrOfColumns(); ++c)
        for (int slot = 1; slot <= 3; ++slot) s += "|" + t.GetNominalID(c, slot);
    return s;
}

// Estimates of the target for a few objects: they show that the statistics behind the
// standardised distance are those of the loaded table.
std::vector<double> Estimates(TMemBasedLearner& L) {
    std::vector<double> out;
    for (double x : {0.2, 0.55, 1.1}) {
        TDoubleArray s{x, 3.0 * x, 0, 0};
        EXPECT_EQ(L.ApplyModel(s, 0, 0), 0);
        out.push_back(s[3]);
    }
    return out;
}

std::string Lines(const std::string& text, int first, int count) {
    size_t pos = 0;
    for (int i = 1; i < first; ++i) pos = text.find("\r\n", pos) + 2;
    size_t end = pos;
    for (int i = 0; i < count; ++i) end = text.find("\r\n", end) + 2;
    return text.substr(pos, end - pos);
}

}  // namespace

TEST(MemBasedLearnerFiles, XmlRoundTripAndLayout) {
    ScratchDir dir;
    TMemBasedLearner L;
    FillSample(L);
    const std::string id = "run \"7\" & more";
    L.StoreModelXML(dir.file("m.xml"), id);
    const std::string text = ReadWholeFile(dir.file("m.xml"));
    EXPECT_EQ(Lines(text, 1, 3),
              "<?xml version=\"1.0\"?>\r\n"
              "<membasedlearner sig=\"OZMNumLib\" vers=\"1.000\" id=\"run &quot;7&quot; &amp; "
              "more\">\r\n<!-- TMemBasedLearner / Kestrin -->\r\n");
    EXPECT_NE(text.find("<comment>a&lt;b &amp; &quot;c&quot;\r\nsecond line</comment>\r\n"
                        "<modelname>sample model</modelname>\r\n<numnnb>4</numnnb>\r\n"
                        "<distmode>manhattan</distmode>\r\n<scaling>standardized</scaling>\r\n"
                        "<locmodel>majority vote</locmodel>\r\n<modeldata>\r\n"
                        "<datatable id=\"MBLModel\">"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 34), "</modeldata>\r\n</membasedlearner>\r\n");

    TMemBasedLearner M;
    int changes = 0;
    M.ModelData()->OnChangeSetup = [&](TObject*) { ++changes; };
    std::string got = "stale";
    ASSERT_EQ(M.LoadModelXML(dir.file("m.xml"), got), membl::kXmlOk);
    EXPECT_EQ(got, id);
    EXPECT_EQ(State(M), State(L));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Estimates(M), Estimates(L));
    TMemBasedLearner N;
    ASSERT_EQ(N.LoadModelXMLFromString(text, got), membl::kXmlOk);
    EXPECT_EQ(State(N), State(L));

    // The names of the modes are found in any case; an unknown name leaves the mode.
    std::string edited = text;
    edited.replace(edited.find("manhattan"), 9, "EUCLIDEAN");
    edited.replace(edited.find("majority vote"), 13, "nearest");
    ASSERT_EQ(N.LoadModelXMLFromString(edited, got), membl::kXmlOk);
    EXPECT_EQ(N.DistMode(), TMBLDistMode::mblDistEuclid);
    EXPECT_EQ(N.LocalModel(), TMBLLocalModel::mblLMMajority);
    // k is taken as written, held only to what the search keeps.
    edited.replace(edited.find("<numnnb>4"), 9, "<numnnb>500");
    ASSERT_EQ(N.LoadModelXMLFromString(edited, got), membl::kXmlOk);
    EXPECT_EQ(N.NumNearestNb(), 100);
}

TEST(MemBasedLearnerFiles, BinaryRoundTripAndLayout) {
    ScratchDir dir;
    TMemBasedLearner L;
    FillSample(L);
    L.StoreModelBin(dir.file("m.bin"), "run 7");
    const std::string bytes = ReadWholeFile(dir.file("m.bin"));
    ASSERT_GT(bytes.size(), 40u);
    EXPECT_EQ(bytes.substr(0, 46), std::string("\x18\0\0\0TMemBasedLearner/Kestrin\r\n\x0a\0\0\0vers=1.000\r\n", 46));
    // One categorical column: 150 identifier lines, "blue <3>" in the third.
    EXPECT_NE(bytes.find("red\r\ngreen\r\nblue <3>\r\n\r\n\r\n"), std::string::npos);

    // The learner that loads it held another table: its standardised distances must come from
    // the loaded table's statistics.
    TMemBasedLearner M;
    M.ModelData()->Resize(4, 2);
    M.ModelData()->SetElem(1, 1, 1000.0);
    M.SetScalingMode(TMBLScalingMode::mblStandardized);
    ASSERT_EQ(M.MeanVarRange().GetVal(1, 1), 500.0);
    std::string got;
    ASSERT_EQ(M.LoadModelBin(dir.file("m.bin"), got), membl::kBinOk);
    EXPECT_EQ(got, "run 7");
    EXPECT_EQ(State(M), State(L));
    EXPECT_EQ(Estimates(M), Estimates(L));

    // The stream form reads the same bytes; "dataid=" is removed in any case.
    std::string renamed = bytes;
    renamed.replace(renamed.find("DataID="), 7, "dAtAiD=");
    TMemoryStream in;
    in.WriteBuffer(renamed.data(), static_cast<int64_t>(renamed.size()));
    in.SetPosition(0);
    TMemBasedLearner N;
    ASSERT_EQ(N.LoadModelBin(in, got), membl::kBinOk);
    EXPECT_EQ(got, "run 7");
    EXPECT_EQ(State(N), State(L));
}

TEST(MemBasedLearnerFiles, DamagedFilesChangeNothing) {
    ScratchDir dir;
    TMemBasedLearner L;
    FillSample(L);
    L.StoreModelBin(dir.file("m.bin"), "id");
    L.StoreModelXML(dir.file("m.xml"), "id");
    const std::string bin = ReadWholeFile(dir.file("m.bin"));
    const std::string xml = ReadWholeFile(dir.file("m.xml"));

    TMemBasedLearner M;
    M.SetComment("keep me");
    M.ModelData()->Resize(2, 2);
    const std::string before = State(M);
    std::string got;
    auto load_bin_into = [&](TMemBasedLearner& X, const std::string& b) {
        TMemoryStream in;
        in.WriteBuffer(b.data(), static_cast<int64_t>(b.size()));
        in.SetPosition(0);
        return X.LoadModelBin(in, got);
    };
    auto load_bin = [&](const std::string& b) { return load_bin_into(M, b); };
    // Every truncation of either file.
    for (size_t n = 0; n < bin.size(); ++n) {
        const int rc = load_bin(bin.substr(0, n));
        ASSERT_TRUE(rc == membl::kBinBadSignature || rc == membl::kBinReadError) << n;
        ASSERT_EQ(State(M), before) << n;
        ASSERT_EQ(got, "");
    }
    // (Cut after "</datatable>", the model data is complete and loads.)
    for (size_t n = 0; n < xml.size() - 36; ++n) {
        const int rc = M.LoadModelXMLFromString(std::string_view(xml).substr(0, n), got);
        ASSERT_NE(rc, membl::kXmlOk) << n;
        ASSERT_EQ(State(M), before) << n;
    }

    // Lies about sizes and ordinals in the binary file.
    const size_t ints_at = 4 + 24 + 2 + 4 + 10 + 2 + 4 + 9 + 2 + 4 + L.Comment().size() + 2 + 4 +
                           L.ModelName().size() + 2;
    const size_t size_at = ints_at + 16 + 4 + L.ModelData()->Comment().size() + 2;
    auto patched = [&](size_t at, int32_t v) {
        std::string b = bin;
        std::memcpy(b.data() + at, &v, 4);
        return b;
    };
    TMemBasedLearner probe;  // the offsets are right: the unpatched value loads
    ASSERT_EQ(load_bin_into(probe, patched(size_at, 4)), membl::kBinOk);
    for (const auto& [at, v] : std::vector<std::pair<size_t, int32_t>>{
             {size_at, 1 << 30},      // columns the file cannot hold
             {size_at + 4, 1 << 30},  // rows
             {size_at, -1},
             {size_at + 8, 151},      // identifier slots
             {size_at + 12, 9},       // scale type
             {ints_at + 4, 3},        // distance mode
             {ints_at + 8, 2},        // scaling
             {ints_at + 12, -1},      // local model
             {4 + 24 + 2, 1 << 30},   // text length
         }) {
        EXPECT_EQ(load_bin(patched(at, v)), membl::kBinReadError) << at;
        EXPECT_EQ(State(M), before);
    }
    std::string wrong = bin;
    wrong[8] = 'X';
    EXPECT_EQ(load_bin(wrong), membl::kBinBadSignature);
    EXPECT_EQ(M.LoadModelBin(dir.file("missing.bin"), got), membl::kBinReadError);

    // XML: the vocabulary broken in the settings or in the table.
    auto edited = [&](std::string_view from, std::string_view to) {
        std::string x = xml;
        x.replace(x.find(from), from.size(), to);
        return x;
    };
    for (const auto& [from, to, code] : std::vector<std::tuple<std::string, std::string, int>>{
             {"<numnnb>4", "<numnnb>four", membl::kXmlNoModelData},
             {"<scaling>", "<scale>", membl::kXmlNoModelData},
             {"<modeldata>", "<modeldat>", membl::kXmlNoModelData},
             {"<membasedlearner", "<learner", membl::kXmlNoModelData},
             {"<size cols=\"4\"", "<size cols=\"-4\"", membl::kXmlBadModelData},
             {"</datatable>", "</data>", membl::kXmlBadModelData},
         }) {
        EXPECT_EQ(M.LoadModelXMLFromString(edited(from, to), got), code) << to;
        EXPECT_EQ(State(M), before);
        EXPECT_EQ(got, "");
    }
    EXPECT_EQ(M.LoadModelXML(dir.file("missing.xml"), got), membl::kXmlNoModelData);
}
