// The one place where the shared vector template is compiled: its member definitions live in
// the core_*.inl files by topic and are instantiated here for TVector and TIntVector.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

#include "ozm/base/asc.hpp"
#include "ozm/base/streamhelp.hpp"
#include "ozm/base/text.hpp"
#include "ozm/platform/numtext.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/platform/textfile.hpp"
#include "ozm/vector.hpp"
#include "vectors/vector_impl.hpp"
#include "vectors/vector_text_readers.hpp"

#include "vectors/core_access.inl"
#include "vectors/core_order.inl"
#include "vectors/core_stats.inl"
#include "vectors/core_io.inl"

namespace ozm {

template class TVectorCore<double, TVector>;
template class TVectorCore<int32_t, TIntVector>;

namespace vecimpl {
template int TTextReaders::ImportAsc(TVectorCore<double, TVector>&, TTextReader&, std::string&);
template int TTextReaders::ImportAsc(TVectorCore<int32_t, TIntVector>&, TTextReader&,
                                     std::string&);
template bool TTextReaders::LoadList(TVectorCore<double, TVector>&, TTextReader&, bool);
template bool TTextReaders::LoadList(TVectorCore<int32_t, TIntVector>&, TTextReader&, bool);
}  // namespace vecimpl

}  // namespace ozm
