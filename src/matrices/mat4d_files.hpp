// The XML and record file code that TMat3D and TMat4D share: both are column-fastest stacks, a
// TMat3D being a stack of one time slot.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "matrices/xml_documents.hpp"
#include "ozm/matrix/persist.hpp"
#include "ozm/platform/stream.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm::matrix::detail {

// The XML lines of a stack of Dims (3 or 4) extents: the matrix element with the id, numcols,
// numrows, numplanes (and numtimeslots), then one cell per line in the scan order (column
// outermost) with the attributes ix, iy and iz (3) or ix, iy, il and it (4).
void StackXmlLines(const double* Data, const int* Extents, int Dims, const std::string& DataID,
                   bool CreateHeader, const TLineSink& Sink);

// Whether announced XML extents may be allocated: every one of the Dims extents given and >= 1,
// their product at most kMaxXmlCells.
bool AnnouncedStackIsAcceptable(const int64_t* Extents, int Dims) noexcept;

// The record file of a stack: header and cells (in storage order, which is the file order), zero
// padding. False when the file cannot be created or written.
bool SaveStackFile(const std::string& FName, const TMatBinaryHeader& Header, const double* Cells,
                   size_t Count);
// Reads a whole record file. kBinaryOk (Header and Cells filled), kBinaryCannotOpen,
// kBinaryWrongKind (short header, an extent below 1, format <> 1 with CheckFormat, more than one
// slot with OneSlot), kBinaryTruncated (fewer cells than announced, a read error). Cells are
// allocated only when the file holds them.
int LoadStackFile(const std::string& FName, bool CheckFormat, bool OneSlot, TMatBinaryHeader& Header,
                  std::vector<double>& Cells);
// ReadBinaryHeader of the stack classes.
bool StackHeaderFields(const std::string& FName, int& NrColumns, int& NrRows, int& NrLayers,
                       int& NrTimeSlots, std::string& DataID, int& Format);

}  // namespace ozm::matrix::detail
