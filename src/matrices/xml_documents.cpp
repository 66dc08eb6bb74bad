// Whole XML documents through streams and files (the free-text escaping lives with the
// vocabulary's escaping in persist_xml_vocabulary.cpp).
#include "matrices/xml_documents.hpp"

#include <filesystem>
#include <memory>

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm::matrix::detail {

void XmlLinesToStream(TStream& OutStream, const std::function<void(const TLineSink&)>& Lines) {
    // Lines are collected into blocks, so the stream sees few large writes.
    constexpr size_t kBlock = 65536;
    std::string block;
    Lines([&](const std::string& Line) {
        block += Line;
        block += "\r\n";
        if (block.size() >= kBlock) {
            OutStream.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
            block.clear();
        }
    });
    OutStream.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
}

bool XmlLinesToFile(const std::string& FName, const std::function<void(const TLineSink&)>& Lines) {
    try {
        TTextWriter writer(FName);
        Lines([&](const std::string& Line) { writer.WriteLn(Line); });
        writer.Close();
    } catch (const EInOutError&) {
        return false;
    }
    return true;
}

bool XmlElementFromStream(TStream& InStream, const TXmlElementReader& Read) {
    int64_t backing = -1;
    try {
        backing = InStream.Size() - InStream.Position();
    } catch (const EInOutError&) {
        // Not measurable: the reader decides whether it can do without the bound.
    }
    TXmlStreamTagReader reader(InStream);
    const bool ok = Read(reader.Source(), backing);
    try {
        reader.RestorePosition();
    } catch (const EInOutError&) {
        // The stream cannot seek back: the data read stands, only the position is off.
    }
    return ok;
}

bool XmlElementFromFile(const std::string& FName, const TXmlElementReader& Read) {
    std::unique_ptr<TTextReader> reader;
    try {
        reader = std::make_unique<TTextReader>(FName);
    } catch (const EInOutError&) {
        return false;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(FName, ec);
    return Read(XmlTagsOfTextFile(*reader), ec ? int64_t{-1} : static_cast<int64_t>(size));
}

}  // namespace ozm::matrix::detail
