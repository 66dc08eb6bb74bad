// TKohonen: the XML writers and readers (layout in docs/kohonen-format.md).
//
// The readers take their tags from the tag sources of the matrix XML reader (streams, text
// files). A document is read into a work structure; the map takes it over only when the whole
// element was valid, so a refused document changes nothing. What a document may make the reader
// allocate is bounded by the bytes that back it before anything is allocated.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "matrices/xml_documents.hpp"
#include "ozm/base/text.hpp"
#include "ozm/kohonen.hpp"
#include "ozm/matrix.hpp"
#include "ozm/matrix/xml.hpp"
#include "ozm/platform/numtext.hpp"
#include "ozm/vector.hpp"

namespace ozm {

namespace kohonen {

TKohonenXMLTag KohonenXMLTagOf(std::string_view TagText) noexcept {
    const std::string_view name = XmlTagName(TagText);
    for (size_t k = 0; k + 1 < KohonenXMLTags.size(); ++k)
        if (name == KohonenXMLTags[k]) return static_cast<TKohonenXMLTag>(k);
    return TKohonenXMLTag::xmlInvalid;
}

}  // namespace kohonen

namespace {

using kohonen::KohonenXMLTags;
using matrix::detail::ClosesXmlElement;
using matrix::detail::IsEmptyXmlElement;
using matrix::detail::XmlEscapeText;
using matrix::detail::XmlUnescapeText;

// A document spends at least this many bytes per weight (the shortest cell element,
// <cell ix="1" iy="1" iw="1">0</cell>, has 35), so a reader allows one weight per 16 bytes of
// input: never less than a valid document needs, never more than its bytes could hold.
constexpr int64_t kBytesPerWeight = 16;

std::string_view TagName(TKohonenXMLTag Tag) {
    return KohonenXMLTags[static_cast<size_t>(Tag)];
}

// The text of attribute Name (Name="text", the name at a word start) as written, entities and
// references not yet decoded; false without it or without its closing quote.
bool RawAttribute(std::string_view TagText, std::string_view Name, std::string& Value) {
    for (size_t at = TagText.find(Name); at != std::string_view::npos;
         at = TagText.find(Name, at + 1)) {
        const size_t eq = at + Name.size();
        const bool word_start = at == 0 || TagText[at - 1] == ' ' || TagText[at - 1] == '\t' ||
                                TagText[at - 1] == '\r' || TagText[at - 1] == '\n';
        if (!word_start || eq + 1 >= TagText.size() || TagText[eq] != '=' || TagText[eq + 1] != '"')
            continue;
        const size_t close = TagText.find('"', eq + 2);
        if (close == std::string_view::npos) return false;
        Value.assign(TagText.substr(eq + 2, close - eq - 2));
        return true;
    }
    return false;
}

bool EqualsNoCase(std::string_view A, std::string_view B) {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) {
               auto up = [](char c) {
                   return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
               };
               return up(a) == up(b);
           });
}

// What a document holds, gathered before the map takes it over. Weights and mean/deviation
// pairs are kept as they come (index and value), so the memory of a read follows the document,
// not what it announces; they are checked for completeness at the end.
struct TDocument {
    int64_t SizeX = -1, SizeY = -1, NrInSens = -1;
    int MaxNeighb = 2, MaxSteps = 200, CurStep = 1;
    double MaxAlpha = 1.0;
    bool Cyclic = false;
    std::string Comment, DataID;
    uint32_t Seen = 0;  // bit per TKohonenXMLTag of the elements that may occur once
    bool Sized = false;
    // Index in search order ((x - 1) * SizeY + y - 1) * NrInSens + iw - 1, and the weight.
    std::vector<std::pair<uint64_t, double>> Cells;
    struct TPair {
        uint64_t Input;
        double Mean, StdDev;
    };
    std::vector<TPair> Pairs;
    int64_t Total() const noexcept { return SizeX * SizeY * NrInSens; }
};

}  // namespace

// --- writers -------------------------------------------------------------------------------------

namespace {

using TLineSink = std::function<void(const std::string&)>;

void WriteMap(const TKohonen& Map, bool CreateHeader, const TLineSink& Sink) {
    auto simple = [&](TKohonenXMLTag Tag, const std::string& Content) {
        const std::string name(TagName(Tag));
        Sink("<" + name + ">" + Content + "</" + name + ">");
    };
    if (CreateHeader) Sink("<?xml version=\"1.0\"?>");
    Sink("<" + std::string(kohonen::kRootElement) + " sig=\"" + std::string(kohonen::kSignature) +
         "\" vers=\"" + std::string(kohonen::kFormatVersion) + "\" id=\"" +
         XmlEscapeText(Map.DataID()) + "\">");
    simple(TKohonenXMLTag::xmlComment, XmlEscapeText(Map.Comment()));
    simple(TKohonenXMLTag::xmlSizeX, std::to_string(Map.SizeX()));
    simple(TKohonenXMLTag::xmlSizeY, std::to_string(Map.SizeY()));
    simple(TKohonenXMLTag::xmlNrInsens, std::to_string(Map.NrOfInSens()));
    simple(TKohonenXMLTag::xmlMaxNeighb, std::to_string(Map.InitialNeighbors()));
    simple(TKohonenXMLTag::xmlMaxSteps, std::to_string(Map.NrOfTrnSteps()));
    simple(TKohonenXMLTag::xmlMaxAlpha, FormatShortest(Map.InitialAlpha()));
    simple(TKohonenXMLTag::xmlCurStep, std::to_string(Map.CurrentStep()));
    simple(TKohonenXMLTag::xmlCyclic, Map.Cyclic() ? "TRUE" : "FALSE");
    std::string line;
    for (int k = 1; k <= Map.NrOfInSens(); ++k) {
        line = "<meanstddev iw=\"" + std::to_string(k) + "\" mean=\"";
        line += FormatShortest(Map.MeanVec().GetVal(k));
        line += "\" stddev=\"";
        line += FormatShortest(Map.StdDevVec().GetVal(k));
        line += "\"/>";
        Sink(line);
    }
    const TMat3D& w = Map.WeightMatrix();
    for (int x = 1; x <= Map.SizeX(); ++x)
        for (int y = 1; y <= Map.SizeY(); ++y) {
            const std::string prefix =
                "<cell ix=\"" + std::to_string(x) + "\" iy=\"" + std::to_string(y) + "\" iw=\"";
            for (int k = 1; k <= Map.NrOfInSens(); ++k) {
                line = prefix;
                line += std::to_string(k);
                line += "\">";
                line += FormatShortest(w.GetVal(x, y, k));
                line += "</cell>";
                Sink(line);
            }
        }
    Sink("</" + std::string(kohonen::kRootElement) + ">");
}

}  // namespace

void TKohonen::WriteToXMLStream(TStream& OutStream, bool CreateHeader) const {
    matrix::detail::XmlLinesToStream(
        OutStream, [&](const matrix::detail::TLineSink& Sink) { WriteMap(*this, CreateHeader, Sink); });
}

void TKohonen::WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const {
    WriteMap(*this, CreateHeader, [&](const std::string& Line) { OutFile.WriteLn(Line); });
}

bool TKohonen::SaveAsXMLFile(const std::string& FName) const {
    return matrix::detail::XmlLinesToFile(
        FName, [&](const matrix::detail::TLineSink& Sink) { WriteMap(*this, true, Sink); });
}

// --- readers -------------------------------------------------------------------------------------

bool TKohonen::ReadXml(const std::function<bool(std::string&, std::string&)>& Source,
                       int64_t Backed) {
    RequireIdle();
    try {
        TDocument doc;
        int64_t element = 0;
        std::string tag, content, closing, after;
        auto fail = [&](const std::string& Why) {
            FXmlError = "element " + std::to_string(element) + ": " + Why;
            return false;
        };

        // The root element and its attributes.
        if (!Source(tag, content)) {
            FXmlError = "no map element: the document holds no tag";
            return false;
        }
        element = 1;
        if (XmlTagName(tag) != kohonen::kRootElement || IsEmptyXmlElement(tag))
            return fail("the document does not start with a <kohonen> element");
        std::string attr;
        if (!matrix::XmlTextAttribute(tag, "sig", attr) || attr != kohonen::kSignature)
            return fail("sig attribute is not \"" + std::string(kohonen::kSignature) + "\"");
        double version = 0.0;
        if (!matrix::XmlTextAttribute(tag, "vers", attr) ||
            !TryParseDouble(StripLTBlanks(attr), version) || !(version >= 1.0 && version < 2.0))
            return fail("unsupported format version (vers attribute, this reader reads 1.x)");
        if (RawAttribute(tag, "id", attr)) doc.DataID = XmlUnescapeText(attr);

        auto int_attribute = [&](std::string_view Name, int64_t Low, int64_t High, int64_t& Value) {
            std::string text;
            int64_t v = 0;
            if (!matrix::XmlTextAttribute(tag, Name, text) ||
                !TryParseInt64(StripLTBlanks(text), v) || v < Low || v > High)
                return false;
            Value = v;
            return true;
        };
        auto real_attribute = [&](std::string_view Name, double& Value) {
            std::string text;
            return matrix::XmlTextAttribute(tag, Name, text) &&
                   TryParseDouble(StripLTBlanks(text), Value);
        };
        // Once the three sizes are known: the weights they announce must fit in the input.
        auto sized = [&]() -> bool {
            if (doc.Sized) return true;
            const int64_t limit = std::max<int64_t>(Backed, 0) / kBytesPerWeight;
            if (doc.SizeX > limit || doc.SizeY > limit / doc.SizeX ||
                doc.NrInSens > limit / (doc.SizeX * doc.SizeY))
                return false;
            doc.Sized = true;
            return true;
        };

        for (;;) {
            if (!Source(tag, content)) return fail("the document ends before </kohonen>");
            ++element;
            const TKohonenXMLTag kind = kohonen::KohonenXMLTagOf(tag);
            if (kind == TKohonenXMLTag::xmlEndKohonen) break;
            if (kind == TKohonenXMLTag::xmlInvalid)
                return fail("unknown element <" + std::string(XmlTagName(tag).substr(0, 40)) + ">");
            const std::string name(TagName(kind));
            if (IsEmptyXmlElement(tag)) {
                content.clear();
            } else {
                if (!Source(closing, after)) return fail("the document ends inside <" + name + ">");
                if (!ClosesXmlElement(closing, name)) return fail("<" + name + "> is not closed");
            }
            const std::string text = StripLTBlanks(content);
            const uint32_t bit = 1u << static_cast<unsigned>(kind);
            if (kind != TKohonenXMLTag::xmlCell && kind != TKohonenXMLTag::xmlMeanStdDev) {
                if (doc.Seen & bit) return fail("<" + name + "> occurs twice");
                doc.Seen |= bit;
            }
            int32_t number = 0;
            switch (kind) {
                case TKohonenXMLTag::xmlSizeX:
                case TKohonenXMLTag::xmlSizeY:
                case TKohonenXMLTag::xmlNrInsens: {
                    if (doc.Sized) return fail("<" + name + "> after the first weight");
                    if (!TryParseInt(text, number) || number < 1)
                        return fail("<" + name + "> is no integer of at least 1");
                    (kind == TKohonenXMLTag::xmlSizeX   ? doc.SizeX
                     : kind == TKohonenXMLTag::xmlSizeY ? doc.SizeY
                                                        : doc.NrInSens) = number;
                    break;
                }
                case TKohonenXMLTag::xmlComment:
                    doc.Comment = XmlUnescapeText(content);
                    break;
                case TKohonenXMLTag::xmlMaxNeighb:
                    if (!TryParseInt(text, number) || number < 0)
                        return fail("<maxneighb> is no integer of at least 0");
                    doc.MaxNeighb = number;
                    break;
                case TKohonenXMLTag::xmlMaxSteps:
                    if (!TryParseInt(text, number) || number < 1)
                        return fail("<maxsteps> is no integer of at least 1");
                    doc.MaxSteps = number;
                    break;
                case TKohonenXMLTag::xmlCurStep:
                    if (!TryParseInt(text, number) || number < 1)
                        return fail("<currentstep> is no integer of at least 1");
                    doc.CurStep = number;
                    break;
                case TKohonenXMLTag::xmlMaxAlpha:
                    if (!TryParseDouble(text, doc.MaxAlpha) || !std::isfinite(doc.MaxAlpha))
                        return fail("<maxalpha> is no finite number");
                    break;
                case TKohonenXMLTag::xmlCyclic:
                    if (EqualsNoCase(text, "TRUE"))
                        doc.Cyclic = true;
                    else if (EqualsNoCase(text, "FALSE"))
                        doc.Cyclic = false;
                    else
                        return fail("<cyclic> is neither TRUE nor FALSE");
                    break;
                case TKohonenXMLTag::xmlCell:
                case TKohonenXMLTag::xmlMeanStdDev: {
                    if (!doc.Sized) {
                        if (doc.SizeX < 0 || doc.SizeY < 0 || doc.NrInSens < 0)
                            return fail("<" + name + "> before <sizex>, <sizey> and <nrinsens>");
                        if (!sized()) return fail("the map announced is larger than the document");
                    }
                    int64_t w = 0;
                    if (kind == TKohonenXMLTag::xmlCell) {
                        int64_t x = 0, y = 0;
                        double value = 0.0;
                        if (!int_attribute("ix", 1, doc.SizeX, x) ||
                            !int_attribute("iy", 1, doc.SizeY, y) ||
                            !int_attribute("iw", 1, doc.NrInSens, w))
                            return fail("<cell> index ix, iy or iw missing or outside the map");
                        if (!TryParseDouble(text, value)) return fail("<cell> holds no number");
                        doc.Cells.push_back(
                            {static_cast<uint64_t>(((x - 1) * doc.SizeY + (y - 1)) * doc.NrInSens +
                                                   w - 1),
                             value});
                        break;
                    }
                    double mean = 0.0, sd = 0.0;
                    if (!int_attribute("iw", 1, doc.NrInSens, w))
                        return fail("<meanstddev> index iw missing or outside the inputs");
                    if (!real_attribute("mean", mean) || !real_attribute("stddev", sd) ||
                        !std::isfinite(mean) || !std::isfinite(sd) || sd < 0.0)
                        return fail("<meanstddev> needs a finite mean and a finite stddev >= 0");
                    doc.Pairs.push_back({static_cast<uint64_t>(w - 1), mean, sd});
                    break;
                }
                case TKohonenXMLTag::xmlEndKohonen:
                case TKohonenXMLTag::xmlInvalid:
                    break;
            }
        }
        if (doc.SizeX < 0 || doc.SizeY < 0 || doc.NrInSens < 0)
            return fail("<sizex>, <sizey> or <nrinsens> missing");
        if (!sized()) return fail("the map announced is larger than the document");
        // Every weight and every pair exactly once.
        auto by_index = [](const auto& a, const auto& b) { return a.first < b.first; };
        std::sort(doc.Cells.begin(), doc.Cells.end(), by_index);
        for (size_t i = 1; i < doc.Cells.size(); ++i)
            if (doc.Cells[i].first == doc.Cells[i - 1].first) return fail("a <cell> given twice");
        if (static_cast<int64_t>(doc.Cells.size()) != doc.Total())
            return fail("the document gives " + std::to_string(doc.Cells.size()) + " of " +
                        std::to_string(doc.Total()) + " weights");
        std::sort(doc.Pairs.begin(), doc.Pairs.end(),
                  [](const auto& a, const auto& b) { return a.Input < b.Input; });
        for (size_t i = 1; i < doc.Pairs.size(); ++i)
            if (doc.Pairs[i].Input == doc.Pairs[i - 1].Input)
                return fail("a <meanstddev> given twice");
        if (static_cast<int64_t>(doc.Pairs.size()) != doc.NrInSens)
            return fail("<meanstddev> missing for " +
                        std::to_string(doc.NrInSens - static_cast<int64_t>(doc.Pairs.size())) +
                        " inputs");

        // Take it over: build everything aside, then swap.
        const int sx = static_cast<int>(doc.SizeX), sy = static_cast<int>(doc.SizeY);
        const int nin = static_cast<int>(doc.NrInSens);
        std::unique_ptr<TMat3D> weights;
        std::unique_ptr<TMatrix> data;
        std::unique_ptr<TVector> means, sds;
        try {
            weights = NewWeights(sx, sy, nin);
            if (nin != FNrInSens) {
                data = std::make_unique<TMatrix>();
                data->Resize(nin, 1);
            }
            means = std::make_unique<TVector>();
            means->Resize(nin);
            sds = std::make_unique<TVector>();
            sds->Resize(nin);
        } catch (const EOZMError&) {
            return fail("not enough memory for the map");
        } catch (const std::bad_alloc&) {
            return fail("not enough memory for the map");
        }
        for (size_t k = 0; k < doc.Pairs.size(); ++k) {
            means->Cells()[k] = doc.Pairs[k].Mean;
            sds->Cells()[k] = doc.Pairs[k].StdDev;
        }
        double* w = weights->Data();
        size_t at = 0;
        for (int x = 1; x <= sx; ++x)
            for (int y = 1; y <= sy; ++y)
                for (int k = 1; k <= nin; ++k)
                    w[(static_cast<size_t>(k - 1) * static_cast<size_t>(sy) +
                       static_cast<size_t>(y - 1)) *
                          static_cast<size_t>(sx) +
                      static_cast<size_t>(x - 1)] = doc.Cells[at++].second;
        FKohMat = std::move(weights);
        FMeanVec = std::move(means);
        FStdDevVec = std::move(sds);
        if (data) {
            FDataMat = std::move(data);
            FNrTrnObj = 1;
        }
        FSizeX = sx;
        FSizeY = sy;
        FNrInSens = nin;
        FMaxNeighb = doc.MaxNeighb;
        FMaxSteps = doc.MaxSteps;
        FMaxAlpha = doc.MaxAlpha;
        FCurStep = doc.CurStep;
        FCyclic = doc.Cyclic;
        FComment = std::move(doc.Comment);
        FDataID = std::move(doc.DataID);
        FXmlError.clear();
        return true;
    } catch (const std::bad_alloc&) {
        FXmlError = "not enough memory to read the map";
        return false;
    }
}

bool TKohonen::ReadFromXMLStream(TStream& InStream) {
    return matrix::detail::XmlElementFromStream(
        InStream, [this](const matrix::TXmlTagSource& Source, int64_t Backing) {
            if (Backing >= 0) return ReadXml(Source, Backing);
            FXmlError = "the stream cannot be measured";
            return false;
        });
}

bool TKohonen::ReadFromOpenXMLFile(TTextReader& InFile) {
    // An open file cannot be measured: it may announce as many weights as the matrix readers
    // accept cells.
    return ReadXml(matrix::XmlTagsOfTextFile(InFile), matrix::kMaxXmlCells * kBytesPerWeight);
}

bool TKohonen::LoadFromXMLFile(const std::string& FName) {
    FXmlError = "cannot open \"" + FName + "\"";  // stands unless the file opens and is read
    return matrix::detail::XmlElementFromFile(
        FName, [&](const matrix::TXmlTagSource& Source, int64_t Backing) {
            if (Backing >= 0) return ReadXml(Source, Backing);
            FXmlError = "cannot measure \"" + FName + "\"";
            return false;
        });
}

}  // namespace ozm
