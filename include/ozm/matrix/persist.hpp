/// @file
/// Files and streams of the matrix classes: the XML vocabulary and its reader (xml.hpp), the
/// number scanners (scan.hpp), the record file format (binary.hpp), and the rules the text
/// writers and readers share. The layouts are described in docs/matrix-formats.md.
///
/// Precision settings. The text writers (XML, ASC, list format) write each cell as the matrix's
/// two precision settings (GetFPrecis) say:
/// - setting 2 from 0 to 25: fixed-point text with that many decimals ("1.50" for 2);
/// - setting 2 of -1: setting 1 significant digits, in plain or exponential notation, whichever
///   is shorter ("0.333333333333333" for the default 15); setting 1 of 0 or -1 writes the shortest
///   text that reads back to exactly the same double, and settings above 17 count as 17, which
///   also reads back exactly.
/// Non-finite cells are written NAN, +INF and -INF.
///
/// Sizes that files announce. Readers never allocate on a file's word alone. The data backs a
/// number of cells:
/// - text formats (ASC, list): every value needs at least one character and one separator, so a
///   file of S bytes backs S / 2 values;
/// - stream layout: every cell takes 10 bytes, so R bytes left in the stream back R / 10 cells;
/// - record files: the file must hold header and cells (4096 + 8 cells bytes);
/// - XML: a document cannot be measured while it is read; it may announce up to kMaxXmlCells.
/// Data that a reader must find (the values of an ASC file, the rectangle of the list and stream
/// formats, the cells of a record file) must be backed in full, or the reader fails before
/// allocating. A matrix size beyond that data (AdjustMatrixSize growing the matrix to the upper
/// bounds of a rectangle, a dimension of 0, which still keeps a spare column or row of storage)
/// is accepted up to max(kAnnouncedCellsFloor, backed cells) cells, as AnnouncedSizeIsBacked
/// decides.
#pragma once

#include <cstdint>
#include <string>

#include "ozm/base/asc.hpp"
#include "ozm/base/streamhelp.hpp"
#include "ozm/matrix/binary.hpp"
#include "ozm/matrix/scan.hpp"
#include "ozm/matrix/xml.hpp"

namespace ozm::matrix {

/// Matrices up to this many cells (8 MiB of doubles) may always be allocated on a file's word.
inline constexpr int64_t kAnnouncedCellsFloor = kAnnouncedCountFloor;  ///< shared with the vectors

/// True when storage for Cols x Rows cells (a dimension of 0 counting as 1) may be allocated for
/// data that backs BackedCells cells: at most max(kAnnouncedCellsFloor, BackedCells) cells, and
/// neither count negative or beyond the 32-bit range.
constexpr bool AnnouncedSizeIsBacked(int64_t Cols, int64_t Rows, int64_t BackedCells) noexcept {
    constexpr int64_t kMaxCount = 2147483647;
    if (Cols < 0 || Rows < 0 || Cols > kMaxCount || Rows > kMaxCount) return false;
    const int64_t limit = BackedCells > kAnnouncedCellsFloor ? BackedCells : kAnnouncedCellsFloor;
    const int64_t storage_cols = Cols > 0 ? Cols : 1;
    const int64_t storage_rows = Rows > 0 ? Rows : 1;
    return storage_cols <= limit / storage_rows;
}

/// Text of one cell under the precision settings above.
std::string CellText(double Value, int Precision1, int Precision2);

/// Results of the matrix ImportASC besides the header reader's codes (ozm/base/asc.hpp).
inline constexpr int kAscRowAttributeError = -5;  ///< a row attribute is no number
inline constexpr int kAscValueError = -6;  ///< a value is no number, or the file ends before it
inline constexpr int kAscFileMissing = -8;        ///< the file does not exist

/// Results of LoadBinary.
inline constexpr int kBinaryOk = 0;
inline constexpr int kBinaryCannotOpen = -1;  ///< the file cannot be opened
inline constexpr int kBinaryWrongKind = -2;   ///< short header, layers or time slots, format <> 1
inline constexpr int kBinaryTruncated = -3;   ///< negative extents, or fewer cells than announced
inline constexpr int kBinaryNotInteger = -4;  ///< a cell an integer matrix cannot hold

}  // namespace ozm::matrix
