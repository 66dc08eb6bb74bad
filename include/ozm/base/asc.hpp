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

struct TAscHeader {
    std::string Comment;
    int NrColumns = 0;
    int NrRows = 0;
    bool RowAttributes = false;
    bool ColumnNames = false;
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
