// The XML line writers shared by every XML writer of the library.
#include "matrices/xml_lines.hpp"

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

}  // namespace ozm::matrix::detail
