// Writes one matrix in every file format of TMatrix (XML, ASC, list format, stream layout and
// record file), reads each back and reports what came back.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ozm/matrix.hpp"

namespace {

// Largest absolute difference between the cells of two matrices of equal size.
double LargestDifference(const ozm::TMatrix& a, const ozm::TMatrix& b) {
    double largest = 0.0;
    for (int c = 1; c <= a.NrOfColumns(); ++c)
        for (int r = 1; r <= a.NrOfRows(); ++r)
            largest = std::fmax(largest, std::fabs(a.GetVal(c, r) - b.GetVal(c, r)));
    return largest;
}

void Report(const char* format, bool ok, const ozm::TMatrix& original, const ozm::TMatrix& back) {
    const bool same_size = back.NrOfColumns() == original.NrOfColumns() &&
                           back.NrOfRows() == original.NrOfRows();
    std::printf("%-14s %-4s %d x %d, ", format, ok ? "ok" : "FAIL", back.NrOfColumns(),
                back.NrOfRows());
    if (!same_size) {
        std::printf("size differs\n");
    } else if (back.CRCofData() == original.CRCofData()) {
        std::printf("bit for bit\n");
    } else {
        std::printf("largest difference %.3g\n", LargestDifference(original, back));
    }
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "ozm_matrix_formats";
    fs::create_directories(folder);
    const auto file = [&](const char* name) { return (folder / name).string(); };

    ozm::TMatrix m;
    m.Resize(4, 3);
    for (int c = 1; c <= 4; ++c)
        for (int r = 1; r <= 3; ++r) m.SetVal(c, r, std::sqrt(c * 7.0 + r) / 3.0);
    m.SetDataID("sample grid");

    // XML with the default precision settings (15 significant digits), then with the shortest
    // text that reads back exactly (precision setting 1 = 0).
    ozm::TMatrix xml;
    bool ok = m.SaveAsXMLFile(file("m.xml")) && xml.LoadFromXMLFile(file("m.xml"));
    Report("XML (15 dig.)", ok, m, xml);
    std::printf("%-14s DataID \"%s\"\n", "", xml.DataID().c_str());
    m.SetFPrecis(1, 0);
    ok = m.SaveAsXMLFile(file("m.xml")) && xml.LoadFromXMLFile(file("m.xml"));
    Report("XML (exact)", ok, m, xml);

    // ASC with column names, fixed-point with four decimals.
    m.SetFPrecis(2, 4);
    ozm::TMatrix asc;
    std::string comment;
    ozm::TStrArray names;
    ok = m.ExportAsASC(file("m.asc"), "four columns", {"a", "b", "c", "d"}) == 0 &&
         asc.ImportASC(file("m.asc"), comment, names) == 0;
    Report("ASC (4 dec.)", ok, m, asc);
    std::printf("%-14s comment \"%s\", column names %s %s %s %s\n", "", comment.c_str(),
                names[0].c_str(), names[1].c_str(), names[2].c_str(), names[3].c_str());

    // List format of the whole matrix, exact text.
    m.SetFPrecis(2, -1);
    ozm::TMatrix list;
    ok = m.StoreOnFile(0, 0, 0, 0, file("m.lst")) && list.LoadFromFile(file("m.lst"), true);
    Report("list", ok, m, list);

    // Stream layout in memory.
    ozm::TMemoryStream stream;
    m.SaveToStream(stream, 0, 0, 0, 0);
    stream.SetPosition(0);
    ozm::TMatrix streamed;
    ok = streamed.LoadFromStream(stream, true);
    Report("stream", ok, m, streamed);

    // Record file, with the header check first.
    ozm::TMatrix record;
    int cols = 0, rows = 0, format = 0;
    std::string id;
    ok = m.SaveBinary(file("m.bin")) && m.ReadBinaryHeader(file("m.bin"), cols, rows, id, format) &&
         record.LoadBinary(file("m.bin")) == ozm::matrix::kBinaryOk;
    Report("record file", ok, m, record);
    std::printf("%-14s header %d x %d, format %d, DataID \"%s\"\n", "", cols, rows, format,
                id.c_str());

    fs::remove_all(folder);
    return 0;
}
