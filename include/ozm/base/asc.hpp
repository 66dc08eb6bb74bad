/// @file
/// The header of the ASC text table format: a comment line, the number of columns, the number of
/// rows and a line of up to four TRUE/FALSE flags (row attributes, column names, row names,
/// nominal variables). Fields after a number or flag (";..." comments) are ignored.
#pragma once

#include <string>

namespace ozm {

class TTextReader;

/// Results of ReadHeaderOfASC.
constexpr int kAscHeaderOk = 0;
constexpr int kAscCannotOpen = -1;       ///< the file cannot be opened
constexpr int kAscHeaderTruncated = -2;  ///< the file ends before the fourth header line
constexpr int kAscBadColumnCount = -3;   ///< line 2 does not start with a count 0..2^31-1
constexpr int kAscBadRowCount = -4;      ///< line 3 does not start with a count 0..2^31-1
constexpr int kAscBadFlags = -9;         ///< line 4 has fewer than three TRUE/FALSE words

/// The header lines of an ASC file.
struct TAscHeader {
    /// The comment line.
    std::string Comment;
    /// The number of columns.
    int NrColumns = 0;
    /// The number of rows.
    int NrRows = 0;
    /// Flag: every row starts with an attribute.
    bool RowAttributes = false;
    /// Flag: a line of column names follows the header.
    bool ColumnNames = false;
    /// Flag: every row carries a name.
    bool RowNames = false;
    bool NominalVariables = false;  ///< false when the flag line holds three flags only
};

/// Reads the four header lines of FileName; returns one of the results above. Flags are read
/// without regard to case.
int ReadHeaderOfASC(const std::string& FileName, TAscHeader& Header);
/// The same from an open reader, which is left at the first line after the header (the readers
/// of the table formats go on from there).
int ReadHeaderOfASC(TTextReader& Reader, TAscHeader& Header);

}  // namespace ozm
