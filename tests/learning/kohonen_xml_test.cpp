// TKohonen XML files: bit-for-bit round trips through every writer and reader, and documents
// that must be refused without touching the map.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "ozm/kohonen.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

namespace {

using namespace ozm;

// Everything a document carries, as bits, so that a comparison sees -0 and NaN payloads.
std::vector<uint64_t> State(const TKohonen& m) {
    std::vector<uint64_t> s = {
        static_cast<uint64_t>(m.SizeX()),          static_cast<uint64_t>(m.SizeY()),
        static_cast<uint64_t>(m.NrOfInSens()),     static_cast<uint64_t>(m.InitialNeighbors()),
        static_cast<uint64_t>(m.NrOfTrnSteps()),   static_cast<uint64_t>(m.CurrentStep()),
        std::bit_cast<uint64_t>(m.InitialAlpha()), m.Cyclic() ? 1u : 0u};
    const TMat3D& w = m.WeightMatrix();
    for (int z = 1; z <= w.NrOfLayers(); ++z)
        for (int y = 1; y <= w.NrOfRows(); ++y)
            for (int x = 1; x <= w.NrOfColumns(); ++x)
                s.push_back(std::bit_cast<uint64_t>(w.GetVal(x, y, z)));
    for (int k = 1; k <= m.NrOfInSens(); ++k) {
        s.push_back(std::bit_cast<uint64_t>(m.MeanVec().GetVal(k)));
        s.push_back(std::bit_cast<uint64_t>(m.StdDevVec().GetVal(k)));
    }
    for (char c : m.Comment() + '\0' + m.DataID()) s.push_back(static_cast<unsigned char>(c));
    return s;
}

std::string ToXml(const TKohonen& m, bool Header = true) {
    TMemoryStream s;
    m.WriteToXMLStream(s, Header);
    return {reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size())};
}

bool FromXml(TKohonen& m, const std::string& Xml) {
    TMemoryStream s;
    s.WriteBuffer(Xml.data(), static_cast<int64_t>(Xml.size()));
    s.SetPosition(0);
    return m.ReadFromXMLStream(s);
}

// A trained 5 x 3 cyclic map with three inputs and unusual text.
void TrainedMap(TKohonen& m) {
    TMatrix data;
    SetRandSeed(31);
    data.Resize(3, 40);
    data.FillRandomUniform(-2.0, 5.0);
    m.SetDataMat(data);
    m.StandardizeData();
    m.SetSizeX(5);
    m.SetSizeY(3);
    m.SetCyclic(true);
    m.SetInitialNeighbors(4);
    m.SetNrOfTrnSteps(25);
    m.SetInitialAlpha(0.3);
    m.SetComment("a <b> & \"c\"\r\n\ttab\x01 end");
    m.SetDataID("run & <7>\t");
    m.Trainit();
}

TEST(KohonenXml, EveryWriterAndReaderRoundTripsBitForBit) {
    TKohonen src;
    TrainedMap(src);
    const std::string xml = ToXml(src);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\"?>\r\n<kohonen sig=\"OZMNumLib\" vers=\"1.000\" "
                        "id=\"run &amp; &lt;7&gt;&#x09;\">",
                        0),
              0u);
    EXPECT_NE(xml.find("<cyclic>TRUE</cyclic>"), std::string::npos);

    TKohonen via_stream;
    ASSERT_TRUE(FromXml(via_stream, xml)) << via_stream.LastXMLError();
    EXPECT_EQ(State(via_stream), State(src));
    EXPECT_EQ(via_stream.LastXMLError(), "");
    // A hand-written reference above 255 gives its character in UTF-8; an escaped "&" stays.
    std::string hand_text = xml;
    const size_t comment = hand_text.find("<comment>") + 9;
    hand_text.replace(comment, hand_text.find("</comment>") - comment, "&#x263A;&#65;&amp;#66;");
    TKohonen hand_written;
    ASSERT_TRUE(FromXml(hand_written, hand_text)) << hand_written.LastXMLError();
    EXPECT_EQ(hand_written.Comment(), "\xE2\x98\xBA" "A&#66;");

    const std::string path = ::testing::TempDir() + "kohonen_round_trip.xml";
    ASSERT_TRUE(src.SaveAsXMLFile(path));
    TKohonen via_file;
    ASSERT_TRUE(via_file.LoadFromXMLFile(path)) << via_file.LastXMLError();
    EXPECT_EQ(State(via_file), State(src));
    {
        TTextReader reader(path);
        TKohonen via_reader;
        ASSERT_TRUE(via_reader.ReadFromOpenXMLFile(reader)) << via_reader.LastXMLError();
        EXPECT_EQ(State(via_reader), State(src));
    }
    std::remove(path.c_str());
    EXPECT_FALSE(via_file.LoadFromXMLFile(path));
    EXPECT_NE(via_file.LastXMLError().find("cannot open"), std::string::npos);

    // Values that text formats often lose: -0, the smallest subnormal, the largest double,
    // infinities and NaN, and the neighbours of 0.1.
    const double specials[] = {-0.0,
                               4.9406564584124654e-324,
                               -1.7976931348623157e308,
                               std::numeric_limits<double>::infinity(),
                               std::nextafter(0.1, 1.0),
                               std::nextafter(0.1, 0.0)};
    std::string edited = ToXml(src, false);
    for (int k = 0; k < 6; ++k) {
        const std::string key = "<cell ix=\"" + std::to_string(k % 5 + 1) + "\" iy=\"" +
                                std::to_string(k % 3 + 1) + "\" iw=\"" + std::to_string(k % 3 + 1) +
                                "\">";
        const size_t at = edited.find(key) + key.size();
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", specials[k]);
        edited.replace(at, edited.find('<', at) - at, k == 3 ? "+INF" : text);
    }
    TKohonen special;
    ASSERT_TRUE(FromXml(special, edited)) << special.LastXMLError();
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(
            std::bit_cast<uint64_t>(special.WeightMatrix().GetVal(k % 5 + 1, k % 3 + 1, k % 3 + 1)),
            std::bit_cast<uint64_t>(specials[k]));
    TKohonen again;
    ASSERT_TRUE(FromXml(again, ToXml(special)));
    EXPECT_EQ(State(again), State(special));
}

TEST(KohonenXml, StreamStopsAfterTheMapAndDataFollowTheInputCount) {
    TKohonen src;
    TrainedMap(src);
    const std::string xml = ToXml(src) + "<next>rest";
    TMemoryStream s;
    s.WriteBuffer(xml.data(), static_cast<int64_t>(xml.size()));
    s.SetPosition(0);
    // Three inputs as the document: the 40 training rows stay.
    TKohonen same;
    TrainedMap(same);
    same.SetSizeX(2);
    ASSERT_TRUE(same.ReadFromXMLStream(s));
    EXPECT_EQ(s.Position(), static_cast<int64_t>(xml.find("<next>")) - 2);  // after "</kohonen>"
    EXPECT_EQ(same.NrOfTrnObj(), 40);
    EXPECT_EQ(same.TrainData().NrOfColumns(), 3);
    // Another number of inputs: the data matrix starts afresh with one row of zeros.
    TKohonen other;
    TMatrix data;
    data.Resize(7, 12);
    other.SetDataMat(data);
    ASSERT_TRUE(FromXml(other, xml));
    EXPECT_EQ(other.NrOfTrnObj(), 1);
    EXPECT_EQ(other.TrainData().NrOfColumns(), 3);
    EXPECT_EQ(other.TrainData().NrOfRows(), 1);
    other.ContinueTraining();  // a finished map trains nothing further
    EXPECT_EQ(State(other), State(src));
}

TEST(KohonenXml, HostileAndTruncatedDocumentsAreRefusedWithoutChange) {
    TKohonen src;
    TrainedMap(src);
    const std::string good = ToXml(src);
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        const size_t at = s.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return s.replace(at, from.size(), to);
    };
    const std::string first_cell = "<cell ix=\"1\" iy=\"1\" iw=\"1\">";
    const size_t cells_at = good.find(first_cell);
    const std::string cell1 = good.substr(cells_at, good.find('\n', cells_at) + 1 - cells_at);
    struct TCase {
        std::string Xml;
        std::string Why;
    };
    const std::vector<TCase> cases = {
        {"", "holds no tag"},
        {"<matrix id=\"x\"></matrix>", "does not start with a <kohonen>"},
        {replaced("OZMNumLib", "Other"), "sig attribute"},
        {replaced("vers=\"1.000\"", "vers=\"2.000\""), "unsupported format version"},
        {replaced("<comment>", "<weights>"), "unknown element <weights>"},
        {replaced("<sizey>3</sizey>", "<sizey>3</sizey><sizey>3</sizey>"), "<sizey> occurs twice"},
        {replaced("<sizex>5</sizex>", "<sizex>0</sizex>"), "<sizex> is no integer of at least 1"},
        {replaced("<nrinsens>3</nrinsens>", "<nrinsens>3x</nrinsens>"), "<nrinsens> is no integer"},
        {replaced("<maxsteps>25</maxsteps>", "<maxsteps>-1</maxsteps>"), "<maxsteps>"},
        {replaced("<currentstep>25</currentstep>", "<currentstep>0</currentstep>"),
         "<currentstep>"},
        {replaced("<maxalpha>0.3</maxalpha>", "<maxalpha>NAN</maxalpha>"), "<maxalpha>"},
        {replaced("<cyclic>TRUE</cyclic>", "<cyclic>yes</cyclic>"), "<cyclic> is neither"},
        {replaced("<sizex>5</sizex>", "<sizex>5"), "<sizex> is not closed"},
        {replaced("</kohonen>", cell1 + "</kohonen>"), "<cell> given twice"},
        {replaced("</kohonen>", "<sizex>5</sizex></kohonen>"), "<sizex> occurs twice"},
        {replaced(first_cell, "<cell ix=\"6\" iy=\"1\" iw=\"1\">"), "outside the map"},
        {replaced(first_cell, "<cell ix=\"1\" iw=\"1\">"), "outside the map"},
        {replaced(first_cell, "<cell ix=\"1\" iy=\"1\" iw=\"0\">"), "outside the map"},
        {replaced(cell1, ""), "gives 44 of 45 weights"},
        {replaced(cell1, "<cell ix=\"1\" iy=\"1\" iw=\"1\">1e999</cell>\r\n"),
         "<cell> holds no number"},
        {replaced("<meanstddev iw=\"2\"", "<meanstddev iw=\"4\""), "<meanstddev> index iw"},
        {replaced("<meanstddev iw=\"2\" mean=", "<meanstddev iw=\"1\" mean="),
         "<meanstddev> given twice"},
        {replaced("stddev=\"", "stddev=\"-"), "stddev >= 0"},
        {replaced("<sizex>5</sizex>\r\n<sizey>3</sizey>",
                  "<sizex>100000</sizex>\r\n<sizey>100000</sizey>"),
         "larger than the document"},
        {replaced("<sizex>5</sizex>", ""), "<meanstddev> before <sizex>, <sizey> and <nrinsens>"},
        {good.substr(0, good.size() / 2), "ends before </kohonen>"},
        {good.substr(0, good.size() - 12), "ends"},
    };
    TKohonen map;
    TrainedMap(map);
    map.SetComment("keep me");
    const std::vector<uint64_t> before = State(map);
    for (const TCase& c : cases) {
        EXPECT_FALSE(FromXml(map, c.Xml)) << c.Why;
        EXPECT_NE(map.LastXMLError().find(c.Why), std::string::npos)
            << "expected \"" << c.Why << "\", got \"" << map.LastXMLError() << "\"";
        EXPECT_EQ(State(map), before) << c.Why;
    }
    // Every cut of the document short of its end tag is refused as well.
    for (size_t cut = 0; cut + 10 < good.size(); cut += 97)
        EXPECT_FALSE(FromXml(map, good.substr(0, cut)));
    EXPECT_EQ(State(map), before);
    // A huge announcement in a tiny document allocates nothing big: refused at once.
    EXPECT_FALSE(FromXml(map,
                         "<kohonen sig=\"OZMNumLib\" vers=\"1\"><sizex>2147483647</sizex>"
                         "<sizey>2147483647</sizey><nrinsens>2147483647</nrinsens>"
                         "<cell ix=\"1\" iy=\"1\" iw=\"1\">0</cell></kohonen>"));
    EXPECT_NE(map.LastXMLError().find("larger than the document"), std::string::npos);
    EXPECT_TRUE(FromXml(map, good));
    EXPECT_EQ(kohonen::KohonenXMLTagOf("cell ix=\"1\""), TKohonenXMLTag::xmlCell);
    EXPECT_EQ(kohonen::KohonenXMLTagOf("/kohonen"), TKohonenXMLTag::xmlEndKohonen);
    EXPECT_EQ(kohonen::KohonenXMLTagOf("invalidtag"), TKohonenXMLTag::xmlInvalid);
}

}  // namespace
