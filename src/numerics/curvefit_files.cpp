// TCurveFit: the pairs as a two-column ASC file. The reader is the matrix's ASC reader (the same
// header, names, attributes and bounds on what a file may announce); only the result codes of
// the curve fit differ.
#include <string>

#include "ozm/base/asc.hpp"
#include "ozm/base/text.hpp"
#include "ozm/math2/curvefit.hpp"
#include "ozm/matrix/persist.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm {

namespace {

constexpr int kImportNominal = -7;      // a file of nominal variables
constexpr int kImportValueError = 250;  // a value is no number, or the file ends early
constexpr int kImportAttributeError = 251;

}  // namespace

std::string TCurveFit::ExportAsASC(const std::string& FName, const std::string& Comment,
                                   int Precision) const {
    try {
        TTextWriter w(FName);
        std::string title = Comment;
        for (char& ch : title)
            if (ch == '\n' || ch == '\r') ch = ' ';
        if (title.empty()) title = "Exported by OZM TCurveFit component: " + FName;
        w.WriteLn(title);
        w.WriteLn("2\t;nr. of columns");
        w.WriteLn(std::to_string(FNumData) + "\t;nr. of rows");
        w.WriteLn("FALSE TRUE FALSE\t;row attributes, column names, row names");
        w.WriteLn("x   y");
        const double* xs = FData.Data();
        const double* ys = xs + FData.NrOfRows();
        std::string line;
        for (int i = 0; i < FNumData; ++i) {
            line = strff(xs[i], 1, Precision);
            line += '\t';
            line += strff(ys[i], 1, Precision);
            w.WriteLn(line);
        }
        w.Close();
    } catch (const Exception& e) {
        return e.message();
    }
    return std::string();
}

int TCurveFit::ImportASC(const std::string& FName) {
    InvalidateCaches();
    TAscHeader header;
    if (const int rc = ReadHeaderOfASC(FName, header); rc != kAscHeaderOk) return rc;
    if (header.NominalVariables) return kImportNominal;
    if (header.NrColumns != 2)
        throw EOZMMath2Error("TCurveFit.ImportASC: number of columns must be 2 (is actually " +
                             std::to_string(header.NrColumns) + ").");
    TMatrix pairs;
    std::string comment;
    const int rc = pairs.ImportASC(FName, comment);
    if (rc == matrix::kAscRowAttributeError) return kImportAttributeError;
    if (rc == matrix::kAscValueError) return kImportValueError;
    if (rc == matrix::kAscFileMissing) return kAscCannotOpen;
    if (rc != 0) return rc;
    Init();
    const int n = pairs.NrOfRows();
    const double* xs = pairs.Data();
    const double* ys = xs + n;
    EnsureCapacity(n);
    for (int i = 0; i < n; ++i) EnterStatValue(xs[i], ys[i]);
    return 0;
}

}  // namespace ozm
