// The model files of TMemBasedLearner: the XML document with the model table embedded and the
// binary file of mixed items. Both readers build what they read aside (a work learner for the
// settings, a work table for the binary model) and take it over only when the whole model was
// read; the binary reader checks every announced size against the bytes left before allocating.
#include <algorithm>
#include <cctype>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ozm/base/mixedfstream.hpp"
#include "ozm/base/text.hpp"
#include "ozm/matrix/xml.hpp"
#include "ozm/membl.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/numtext.hpp"

namespace ozm {

namespace {

constexpr std::string_view kBinSignature = "TMemBasedLearner/Kestrin";
constexpr std::string_view kBinVersion = "vers=1.000";
constexpr int kIdSlots = kMaxNominalIDs;

std::string Lower(std::string_view Text) {
    std::string s(Text);
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

// Index of Text (outer blanks ignored) in Names compared ignoring case, -1 when absent.
template <size_t N>
int FindName(const std::array<std::string_view, N>& Names, std::string_view Text) {
    const std::string key = Lower(StripLTBlanks(Text));
    for (size_t i = 0; i < N; ++i)
        if (Lower(Names[i]) == key) return static_cast<int>(i);
    return -1;
}

bool IsCategoricalScale(TMScaleType t) noexcept {
    return t == TMScaleType::stNominal || t == TMScaleType::stOrdinal;
}

// Reads the items that TMixedFStream writes (integers 4 and doubles 8 bytes little-endian,
// lines ending in CR LF, LF or CR) from any stream, counting the bytes left so that a reader can
// weigh an announced size against them.
class TMixedItemReader {
public:
    explicit TMixedItemReader(TStream& In) : FIn(In) {
        FLeft = std::max<int64_t>(0, In.Size() - In.Position());
    }
    int64_t Left() const noexcept { return FLeft; }

    bool ReadBytes(void* Buffer, int64_t Count) {
        if (Count < 0 || Count > FLeft) return false;
        if (Count == 0) return true;
        if (FIn.Read(Buffer, Count) != Count) return false;
        FLeft -= Count;
        return true;
    }
    bool ReadByte(uint8_t& Value) { return ReadBytes(&Value, 1); }
    bool ReadInteger(int32_t& Value) {
        uint8_t b[4];
        if (!ReadBytes(b, 4)) return false;
        Value = static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
                                     uint32_t{b[3]} << 24);
        return true;
    }
    static double DecodeDouble(const uint8_t* b) {
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = bits << 8 | b[i];
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // The rest of the line, without its end; false when nothing is left.
    bool ReadLn(std::string& Line) {
        Line.clear();
        if (FLeft == 0) return false;
        uint8_t c;
        while (ReadByte(c)) {
            if (c == '\n') return true;
            if (c == '\r') {
                SkipLfAfterCr();
                return true;
            }
            Line.push_back(static_cast<char>(c));
        }
        return true;
    }
    // A text item: its length, that many bytes, and a line end.
    bool ReadText(std::string& Text) {
        int32_t len;
        if (!ReadInteger(len) || len < 0 || len > FLeft) return false;
        Text.resize(static_cast<size_t>(len));
        if (!ReadBytes(Text.data(), len)) return false;
        uint8_t c;
        if (!ReadByte(c)) return false;
        if (c == '\n') return true;
        if (c != '\r') return false;
        SkipLfAfterCr();
        return true;
    }

private:
    void SkipLfAfterCr() {
        uint8_t next;
        if (FLeft > 0 && ReadByte(next) && next != '\n') {
            FIn.Seek(-1, TSeekOrigin::soCurrent);
            ++FLeft;
        }
    }

    TStream& FIn;
    int64_t FLeft = 0;
};

std::string Element(TMBLxmlTags Tag, std::string_view Content) {
    const std::string_view name = membl::MBLxmlTags[static_cast<size_t>(Tag)];
    std::string line;
    line.reserve(2 * name.size() + Content.size() + 7);
    line.append("<").append(name).append(">").append(Content);
    line.append("</").append(name).append(">\r\n");
    return line;
}

}  // namespace

// --- XML ---------------------------------------------------------------------------------------

void TMemBasedLearner::StoreModelXML(TStream& Out, const std::string& DataID) const {
    std::string head = "<?xml version=\"1.0\"?>\r\n";
    head += "<membasedlearner sig=\"OZMNumLib\" vers=\"1.000\" id=\"" + matrix::XmlEscape(DataID) +
            "\">\r\n";
    head += "<!-- TMemBasedLearner / Kestrin -->\r\n";
    head += Element(TMBLxmlTags::xmlComment, matrix::XmlEscape(FComment));
    head += Element(TMBLxmlTags::xmlModelName, matrix::XmlEscape(FModelName));
    head += Element(TMBLxmlTags::xmlNumNNb, std::to_string(FNumNearestNb));
    head += Element(TMBLxmlTags::xmlDistMode,
                    Lower(membl::MBLDistModeID[static_cast<size_t>(FDistMode)]));
    head += Element(TMBLxmlTags::xmlSclMode,
                    Lower(membl::MBLScalingModeID[static_cast<size_t>(FScalingMode)]));
    head += Element(TMBLxmlTags::xmlLocalModel,
                    Lower(membl::MBLLocalModelID[static_cast<size_t>(FLocModel)]));
    head += "<modeldata>\r\n";
    Out.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
    FModelData->WriteToXMLStream(Out, false, "MBLModel");
    static constexpr std::string_view tail = "</modeldata>\r\n</membasedlearner>\r\n";
    Out.WriteBuffer(tail.data(), static_cast<int64_t>(tail.size()));
}

void TMemBasedLearner::StoreModelXML(const std::string& FName, const std::string& DataID) const {
    TFileStream out(FName, TFileMode::fmCreate);
    StoreModelXML(out, DataID);
    out.Flush();
}

int TMemBasedLearner::ProcessXmlTag(TMBLxmlTags Tag, const std::string&, const std::string& Content) {
    switch (Tag) {
        case TMBLxmlTags::xmlMBLId:
            return 0;
        case TMBLxmlTags::xmlComment:
            FComment = matrix::XmlUnescape(Content);
            return 0;
        case TMBLxmlTags::xmlModelName:
            FModelName = matrix::XmlUnescape(Content);
            return 0;
        case TMBLxmlTags::xmlDistMode:
            if (const int ix = FindName(membl::MBLDistModeID, Content); ix >= 0)
                FDistMode = static_cast<TMBLDistMode>(ix);
            return 0;
        case TMBLxmlTags::xmlSclMode:
            if (const int ix = FindName(membl::MBLScalingModeID, Content); ix >= 0)
                FScalingMode = static_cast<TMBLScalingMode>(ix);
            return 0;
        case TMBLxmlTags::xmlLocalModel:
            if (const int ix = FindName(membl::MBLLocalModelID, Content); ix >= 0)
                FLocModel = static_cast<TMBLLocalModel>(ix);
            return 0;
        case TMBLxmlTags::xmlNumNNb: {
            int32_t k = 0;
            if (!TryParseInt(StripLTBlanks(Content), k)) return -1;
            // Not cut to the rows (the table follows the number in the file), but the search
            // keeps no more than 100 neighbours and needs at least one.
            FNumNearestNb = std::clamp<int32_t>(k, 1, membl::kMaxNeighbours);
            return 0;
        }
        case TMBLxmlTags::xmlModelData:
            return FModelData->ReadFromXMLString(Content) ? 1 : -2;
        case TMBLxmlTags::xmlInvalid:
            break;
    }
    return -1;
}

int TMemBasedLearner::LoadModelXMLFromString(std::string_view Text, std::string& DataId) {
    DataId.clear();
    // The first line (the XML declaration) is skipped.
    size_t pos = Text.find_first_of("\r\n");
    if (pos == std::string_view::npos) return membl::kXmlNoModelData;
    pos += (Text[pos] == '\r' && pos + 1 < Text.size() && Text[pos + 1] == '\n') ? 2 : 1;

    TMemBasedLearner work;
    work.TakeSettings(*this);
    std::string tag, content, id;
    bool root = false;
    while (ReadNextTagInString(Text, pos, tag, content)) {
        if (!tag.empty() && tag[0] == '/') continue;  // the end of a simple element
        const TMBLxmlTags kind = membl::MBLxmlTagOf(tag);
        if (!root) {
            if (kind != TMBLxmlTags::xmlMBLId) return membl::kXmlNoModelData;
            root = true;
            if (!matrix::XmlTextAttribute(tag, "id", id)) id.clear();
            continue;
        }
        if (kind == TMBLxmlTags::xmlMBLId) return membl::kXmlNoModelData;
        if (kind == TMBLxmlTags::xmlModelData) {
            // The model table is read in place: the table reader itself takes over only a
            // complete table, and nothing else can fail after it.
            if (!FModelData->ReadFromXMLString(Text.substr(pos))) return membl::kXmlBadModelData;
            TakeSettings(work);
            DataId = id;
            return membl::kXmlOk;
        }
        if (!tag.empty() && tag.back() == '/') content.clear();  // written as an empty element
        if (work.ProcessXmlTag(kind, tag, content) != 0) return membl::kXmlNoModelData;
    }
    return membl::kXmlNoModelData;
}

int TMemBasedLearner::LoadModelXML(const std::string& FName, std::string& DataId) {
    DataId.clear();
    std::string text;
    try {
        TFileStream in(FName, TFileMode::fmOpenRead);
        const int64_t size = in.Size();
        text.resize(static_cast<size_t>(size));
        in.ReadBuffer(text.data(), size);
    } catch (const EInOutError&) {
        return membl::kXmlNoModelData;
    }
    return LoadModelXMLFromString(text, DataId);
}

// --- binary ------------------------------------------------------------------------------------

void TMemBasedLearner::StoreModelBin(const std::string& FName, const std::string& DataID) const {
    const TDataTable& t = *FModelData;
    TMixedFStream f(FName, true);
    auto text = [&](const std::string& s) {
        f.WriteInteger(static_cast<int32_t>(s.size()));
        f.WriteLn(s);
    };
    text(std::string(kBinSignature));
    text(std::string(kBinVersion));
    text("DataID=" + DataID);
    text(FComment);
    text(FModelName);
    f.WriteInteger(FNumNearestNb);
    f.WriteInteger(static_cast<int32_t>(FDistMode));
    f.WriteInteger(static_cast<int32_t>(FScalingMode));
    f.WriteInteger(static_cast<int32_t>(FLocModel));
    text(t.Comment());
    const int cols = t.NrOfColumns(), rows = t.NrOfRows();
    f.WriteInteger(cols);
    f.WriteInteger(rows);
    f.WriteInteger(kIdSlots);
    for (int c = 1; c <= cols; ++c) {
        const TMScaleType type = t.GetMScaleType(c);
        f.WriteInteger(static_cast<int32_t>(type));
        if (!IsCategoricalScale(type)) continue;
        for (int slot = 1; slot <= kIdSlots; ++slot) {
            // A bare line cannot hold a line end.
            std::string id = t.GetNominalID(c, slot);
            std::erase_if(id, [](char ch) { return ch == '\r' || ch == '\n'; });
            f.WriteLn(id);
        }
    }
    for (int c = 1; c <= cols; ++c) text(StripLTBlanks(t.GetColName(c)));
    for (int r = 1; r <= rows; ++r) text(StripLTBlanks(t.GetRowName(r)));
    for (int c = 1; c <= cols; ++c) f.WriteInteger(t.GetColAttrib(c));
    for (int r = 1; r <= rows; ++r) f.WriteInteger(t.GetRowAttrib(r));
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c) f.WriteDouble(t.GetElem(c, r));
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c) f.WriteByte(t.GetCellState(c, r));
    f.Close();
}

int TMemBasedLearner::LoadModelBin(TStream& In, std::string& DataId) {
    constexpr int kBad = membl::kBinReadError;
    DataId.clear();
    TMixedItemReader rd(In);
    std::string signature, version, id_text;
    if (!rd.ReadText(signature) || signature != kBinSignature) return membl::kBinBadSignature;
    if (!rd.ReadText(version) || !rd.ReadText(id_text)) return kBad;

    TMemBasedLearner work;
    std::string text;
    if (!rd.ReadText(text)) return kBad;
    work.FComment = text;
    if (!rd.ReadText(text)) return kBad;
    work.FModelName = text;
    int32_t k, dist, scaling, local;
    if (!rd.ReadInteger(k) || !rd.ReadInteger(dist) || !rd.ReadInteger(scaling) ||
        !rd.ReadInteger(local))
        return kBad;
    if (dist < 0 || dist > 2 || scaling < 0 || scaling > 1 || local < 0 || local > 3) return kBad;
    work.FNumNearestNb = std::clamp<int32_t>(k, 1, membl::kMaxNeighbours);
    work.FDistMode = static_cast<TMBLDistMode>(dist);
    work.FScalingMode = static_cast<TMBLScalingMode>(scaling);
    work.FLocModel = static_cast<TMBLLocalModel>(local);

    std::string table_comment;
    int32_t cols, rows, slots;
    if (!rd.ReadText(table_comment) || !rd.ReadInteger(cols) || !rd.ReadInteger(rows) ||
        !rd.ReadInteger(slots))
        return kBad;
    if (cols < 0 || rows < 0 || slots < 0 || slots > kIdSlots) return kBad;
    // What the file must still hold at least: per column its type (4), name (4 + line end) and
    // attribute (4), per row its name and attribute, per cell a double and a state byte.
    const int64_t left = rd.Left();
    const int64_t cells = int64_t{cols} * rows;
    if (cells > left / 9) return kBad;
    if (cells * 9 + int64_t{cols} * 13 + int64_t{rows} * 9 > left) return kBad;

    TDataTable t;
    t.Resize(cols, rows);
    std::string line;
    for (int c = 1; c <= cols; ++c) {
        int32_t type;
        if (!rd.ReadInteger(type) || type < 0 || type > static_cast<int32_t>(TMScaleType::stRatio))
            return kBad;
        t.SetMScaleType(c, static_cast<TMScaleType>(type));
        if (!IsCategoricalScale(static_cast<TMScaleType>(type))) continue;
        for (int slot = 1; slot <= slots; ++slot) {
            if (!rd.ReadLn(line)) return kBad;
            if (!line.empty()) t.SetNominalID(c, slot, line);
        }
    }
    for (int c = 1; c <= cols; ++c) {
        if (!rd.ReadText(text)) return kBad;
        // Cut before the blanks are removed, so that the name is written back as it reads.
        t.SetColName(c, StripLTBlanks(std::string_view(text).substr(0, datatable::kMaxNameLength)));
    }
    for (int r = 1; r <= rows; ++r) {
        if (!rd.ReadText(text)) return kBad;
        t.SetRowName(r, StripLTBlanks(std::string_view(text).substr(0, datatable::kMaxNameLength)));
    }
    int32_t attrib;
    for (int c = 1; c <= cols; ++c) {
        if (!rd.ReadInteger(attrib)) return kBad;
        t.SetColAttrib(c, attrib);
    }
    for (int r = 1; r <= rows; ++r) {
        if (!rd.ReadInteger(attrib)) return kBad;
        t.SetRowAttrib(r, attrib);
    }
    // Values and states come row by row; the table keeps them column after column.
    std::vector<uint8_t> buffer(static_cast<size_t>(cols) * 8);
    double* values = t.NumericData()->Data();
    const size_t nrows = static_cast<size_t>(rows);
    for (size_t r = 0; r < nrows; ++r) {
        if (!rd.ReadBytes(buffer.data(), static_cast<int64_t>(buffer.size()))) return kBad;
        for (size_t c = 0; c < static_cast<size_t>(cols); ++c)
            values[c * nrows + r] = TMixedItemReader::DecodeDouble(buffer.data() + 8 * c);
    }
    for (int r = 1; r <= rows; ++r) {
        if (!rd.ReadBytes(buffer.data(), cols)) return kBad;
        for (int c = 1; c <= cols; ++c) t.SetCellState(c, r, buffer[static_cast<size_t>(c - 1)]);
    }
    t.SetFComment(table_comment);

    TakeSettings(work);
    FModelData->CopyContentsFrom(&t);
    // The identifier is the third text without its first "dataid=" (any case).
    const size_t at = Lower(id_text).find("dataid=");
    DataId = at == std::string::npos ? id_text : id_text.erase(at, 7);
    return membl::kBinOk;
}

int TMemBasedLearner::LoadModelBin(const std::string& FName, std::string& DataId) {
    DataId.clear();
    std::unique_ptr<TFileStream> in;
    try {
        in = std::make_unique<TFileStream>(FName, TFileMode::fmOpenRead);
    } catch (const EInOutError&) {
        return membl::kBinReadError;
    }
    return LoadModelBin(*in, DataId);
}

}  // namespace ozm
