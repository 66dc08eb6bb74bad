// TVectorCore: the stream layout and the ASC and list readers. Included by vector_core.cpp.

namespace ozm {

namespace vecimpl {

constexpr int64_t kExtendedBytes = 10;
// Elements are encoded and decoded through a buffer of this many values per stream call.
constexpr size_t kStreamChunk = 4096;

inline bool IsMissingAscValue(std::string_view Word) {
    if (Word == "###") return true;
    if (Word.size() != 3) return false;
    return (Word[0] == 'N' || Word[0] == 'n') && (Word[1] == 'A' || Word[1] == 'a') &&
           (Word[2] == 'N' || Word[2] == 'n');
}

}  // namespace vecimpl

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::SaveToStream(TStream& OutStream, int LowElem, int HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    WriteExtendedToStream(OutStream, LowElem);
    WriteExtendedToStream(OutStream, HighElem);
    uint8_t buffer[vecimpl::kStreamChunk][vecimpl::kExtendedBytes];
    for (int i = LowElem; i <= HighElem;) {
        const int count = std::min<int>(int(vecimpl::kStreamChunk), HighElem - i + 1);
        for (int k = 0; k < count; ++k)
            EncodeExtended(static_cast<long double>(FVec[size_t(i - 1 + k)]), buffer[k]);
        OutStream.WriteBuffer(buffer, count * vecimpl::kExtendedBytes);
        i += count;
    }
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::SaveToStream(TMemoryStream*& OutStream, int LowElem,
                                             int HighElem) const {
    if (OutStream == nullptr) OutStream = new TMemoryStream();
    SaveToStream(static_cast<TStream&>(*OutStream), LowElem, HighElem);
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::SaveToStream(TFileStream* OutStream, int LowElem,
                                             int HighElem) const {
    if (OutStream != nullptr) SaveToStream(static_cast<TStream&>(*OutStream), LowElem, HighElem);
}

template <typename TCell, typename TSelf>
bool TVectorCore<TCell, TSelf>::LoadFromStream(TStream& InStream, bool AdjustVectorSize) {
    long double first_value = 0;
    long double last_value = 0;
    int64_t remaining = 0;
    try {
        if (!ReadExtendedFromStream(InStream, first_value) ||
            !ReadExtendedFromStream(InStream, last_value))
            return false;
        remaining = InStream.Size() - InStream.Position();
    } catch (const EInOutError&) {
        return false;
    }
    if (!std::isfinite(first_value) || !std::isfinite(last_value)) return false;
    const int64_t first = Round(first_value);
    const int64_t last = Round(last_value);
    // The writer always stores a valid range; anything else, or a range the stream cannot hold,
    // is a damaged header and must not make the vector allocate on its word.
    if (first < 1 || last < first || last > INT32_MAX) return false;
    const int64_t count = last - first + 1;
    const int64_t backed = remaining / vecimpl::kExtendedBytes;
    if (count > backed) return false;

    if (AdjustVectorSize && last != FNElem) {
        // Only the elements from first to last are in the stream; a high first index would
        // otherwise make a few bytes allocate gigabytes.
        if (!AnnouncedCountIsBacked(last, backed)) return false;
        try {
            ResizeStorage(static_cast<int>(last));
        } catch (const EOZMVectorError&) {
            return false;
        }
        Changed();
    }
    if (FNElem < last) {
        Changed();
        return false;
    }
    bool ok = true;
    uint8_t buffer[vecimpl::kStreamChunk][vecimpl::kExtendedBytes];
    for (int64_t i = first; i <= last;) {
        const int64_t wanted = std::min<int64_t>(int64_t(vecimpl::kStreamChunk), last - i + 1);
        int64_t got = 0;
        try {
            got = InStream.Read(buffer, wanted * vecimpl::kExtendedBytes) / vecimpl::kExtendedBytes;
        } catch (const EInOutError&) {
            got = 0;
        }
        if (got <= 0) {
            ok = false;  // the stream ended early: the remaining elements keep their values
            break;
        }
        for (int64_t k = 0; k < got; ++k) {
            TCell value{};
            if (!vecimpl::CellFromReal(DecodeExtended(buffer[k]), value)) {
                ok = false;
                continue;
            }
            if (OnChange) {
                SetVal(static_cast<int>(i + k), value);
            } else {
                FVec[size_t(i + k - 1)] = value;
                FIsEmpty = false;
            }
        }
        i += got;
    }
    Changed();
    return ok;
}

template <typename TCell, typename TSelf>
bool TVectorCore<TCell, TSelf>::LoadFromStream(TMemoryStream* InStream, bool AdjustVectorSize) {
    return InStream != nullptr &&
           LoadFromStream(static_cast<TStream&>(*InStream), AdjustVectorSize);
}

template <typename TCell, typename TSelf>
bool TVectorCore<TCell, TSelf>::LoadFromStream(TFileStream* InStream, bool AdjustVectorSize) {
    return InStream != nullptr &&
           LoadFromStream(static_cast<TStream&>(*InStream), AdjustVectorSize);
}

template <typename TCell, typename TSelf>
int TVectorCore<TCell, TSelf>::ImportASC(const std::string& FName, std::string& Comment) {
    constexpr int kNoSuchFile = -8;
    std::error_code ec;
    if (!std::filesystem::exists(FName, ec)) return kNoSuchFile;
    std::unique_ptr<TTextReader> reader;
    try {
        reader = std::make_unique<TTextReader>(FName);
    } catch (const EInOutError&) {
        return kAscCannotOpen;
    }
    return vecimpl::TTextReaders::ImportAsc(*this, *reader, Comment);
}

template <typename TCell, typename TSelf>
bool TVectorCore<TCell, TSelf>::LoadFromFile(const std::string& FileName, bool AdjustVectorSize) {
    std::unique_ptr<TTextReader> reader;
    try {
        reader = std::make_unique<TTextReader>(FileName);
    } catch (const EInOutError&) {
        return false;
    }
    return vecimpl::TTextReaders::LoadList(*this, *reader, AdjustVectorSize);
}

namespace vecimpl {

template <typename TCell, typename TSelf>
int TTextReaders::ImportAsc(TVectorCore<TCell, TSelf>& V, TTextReader& Reader,
                            std::string& Comment) {
    using TCellArray = typename TVectorCore<TCell, TSelf>::TCellArray;
    constexpr int kBadRowAttribute = -5;
    constexpr int kBadValue = -6;
    constexpr int kTooManyColumns = -7;

    TAscHeader header;
    try {
        if (const int rc = ReadHeaderOfASC(Reader, header); rc != kAscHeaderOk) return rc;
    } catch (const EInOutError&) {
        return kAscCannotOpen;
    }
    Comment = header.Comment;
    if (header.NrColumns > 1) return kTooManyColumns;

    // The values are gathered first and the vector changed once at the end: memory then grows
    // with the data actually present, never with the row count a header claims.
    TCellArray values;
    int code = 0;
    try {
        std::string text;
        std::string scratch;
        std::string_view rest;
        if (header.ColumnNames && Reader.ReadQuoted(text)) Reader.NextLine(rest);
        for (int64_t row = 1; row <= header.NrRows; ++row) {
            if (header.RowAttributes) {
                double attribute = 0;
                if (!TryParseDouble(NextAscField(Reader, scratch), attribute)) {
                    code = kBadRowAttribute;
                    break;
                }
            }
            if (header.RowNames) Reader.ReadQuoted(text);
            // A field holds no blanks or tabs: it needs no stripping.
            const std::string_view word = NextAscField(Reader, scratch);
            TCell value{};
            if (IsMissingAscValue(word)) {
                value = 0;
            } else if (!CellFromText(word, value)) {
                code = kBadValue;
                break;
            }
            GuardAllocation<EOZMVectorError>(
                V, [&] { values.push_back(value); }, kMsgNoMemory);
            Reader.NextLine(rest);  // fields after the value are not part of a vector
        }
    } catch (const EInOutError&) {
        return kAscCannotOpen;
    }

    // Complete: the row count. Stopped at row k: k elements, element k keeping the value it had
    // (0 when it is new).
    int new_size = 0;
    if (code == 0) {
        if (header.NrRows <= 0) return 0;  // nothing to store; the vector keeps its size
        new_size = header.NrRows;
    } else {
        new_size = static_cast<int>(values.size()) + 1;
    }
    TCellArray cells = GuardAllocation<EOZMVectorError>(
        V,
        [&] {
            TCellArray c(size_t(new_size), TCell(0));
            if (code != 0 && new_size <= V.FNElem)
                c[size_t(new_size - 1)] = V.FVec[size_t(new_size - 1)];
            return c;
        },
        kMsgNoMemory);
    std::copy(values.begin(), values.end(), cells.begin());
    V.AdoptCells(std::move(cells));
    if (!values.empty()) V.FIsEmpty = false;
    V.Changed();
    return code;
}

template <typename TCell, typename TSelf>
bool TTextReaders::LoadList(TVectorCore<TCell, TSelf>& V, TTextReader& Reader,
                            bool AdjustVectorSize) {
    int32_t first = 0;
    int32_t last = 0;
    try {
        if (!Reader.ReadInt(first) || !Reader.ReadInt(last)) return false;
    } catch (const EInOutError&) {
        return false;
    }
    const int64_t backed = Reader.Size() / kMinBytesPerTextValue;
    const int64_t count = std::max<int64_t>(0, int64_t(last) - first + 1);
    // The entries must be in the file; the vector may grow beyond them (a sub-range goes back to
    // its own positions) only within the bound every reader keeps.
    if (count > backed || (count > 0 && first < 1)) return false;
    if (AdjustVectorSize && last > 0 && last != V.FNElem) {
        if (!AnnouncedCountIsBacked(last, backed)) return false;
        try {
            V.ResizeStorage(last);
        } catch (const EOZMVectorError&) {
            return false;
        }
        V.Changed();
    }
    if (V.FNElem < last) {
        V.Changed();
        return false;
    }
    bool ok = true;
    try {
        for (int64_t i = first; i <= last; ++i) {
            const std::string_view word = Reader.NextWord();
            if (word.empty()) {
                ok = false;  // the file ends before the last entry
                break;
            }
            TCell value{};
            if (!CellFromText(word, value)) continue;  // unreadable entries are skipped
            if (V.OnChange) {
                V.SetVal(static_cast<int>(i), value);
            } else {
                V.FVec[size_t(i - 1)] = value;
                V.FIsEmpty = false;
            }
        }
    } catch (const EInOutError&) {
        ok = false;
    }
    V.Changed();
    return ok;
}

}  // namespace vecimpl

}  // namespace ozm
