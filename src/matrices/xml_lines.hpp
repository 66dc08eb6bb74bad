// Writing an XML document that a writer produces line by line: to a stream (CR LF line ends,
// collected into large blocks so the stream sees few writes) or to a text file. Shared by every
// XML writer of the library (matrices, stacks, data tables, maps).
#pragma once

#include <functional>
#include <string>

#include "ozm/platform/stream.hpp"

namespace ozm::matrix::detail {

using TLineSink = std::function<void(const std::string&)>;

// Lines(Sink) calls Sink once per line, without its line end.
void XmlLinesToStream(TStream& OutStream, const std::function<void(const TLineSink&)>& Lines);
// The same into the text file FName; false when it cannot be written.
bool XmlLinesToFile(const std::string& FName, const std::function<void(const TLineSink&)>& Lines);

}  // namespace ozm::matrix::detail
