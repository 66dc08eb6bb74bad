// Imports Fisher's iris measurements (data/iris.csv as scikit-learn ships it), prints the
// descriptive statistics of the four measurements, their covariance and correlation matrices and
// a contingency table of species against petal-length class, and saves the table as XML.
//
//   example_datatable_iris [iris.csv [out.xml]]
//
// scikit-learn's file starts with a line "150,4,setosa,versicolor,virginica" and holds the species
// as 0, 1, 2 in the last column; the example turns that column into a nominal variable named by
// the species of the first line.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ozm/datatable.hpp"

namespace {

// data/iris.csv of the source tree (the build passes the data folder).
std::string DefaultTable() { return std::string(OZM_DATA_DIR) + "/iris.csv"; }

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : DefaultTable();
    const std::string xml_path =
        argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "iris_table.xml").string();

    ozm::TDataTable t;
    if (const int rc = t.ImportFromCSV(path); rc != 0 || t.NrOfColumns() != 5) {
        std::fprintf(stderr, "%s: cannot import as the iris table (code %d)\n", path.c_str(), rc);
        return 1;
    }
    const std::string species[3] = {t.GetColName(3), t.GetColName(4), t.GetColName(5)};
    const char* names[4] = {"sepal length", "sepal width", "petal length", "petal width"};
    for (int c = 1; c <= 4; ++c) {
        t.SetColName(c, names[c - 1]);
        t.SetMScaleType(c, ozm::TMScaleType::stRatio);
    }
    t.SetColName(5, "species");
    t.SetMScaleType(5, ozm::TMScaleType::stNominal);
    for (int k = 1; k <= 3; ++k) t.SetNominalID(5, k, species[k - 1]);
    for (int r = 1; r <= t.NrOfRows(); ++r) t.SetElem(5, r, t.GetElem(5, r) + 1);
    t.SetFComment("Fisher's iris data (cm), imported from " + path);

    std::printf("%s: %d flowers, %d variables\n\n", path.c_str(), t.NrOfRows(), t.NrOfColumns());
    std::printf("%-14s %8s %8s %8s %8s %8s %8s %8s\n", "variable", "mean", "sd", "min", "Q1",
                "median", "Q3", "max");
    for (int c = 1; c <= 4; ++c) {
        double mean, var, lo, hi, q1, q2, q3;
        int n;
        t.MeanVarOfNumCells(c, 0, c, 0, mean, var);
        t.MinMaxOfNumCells(c, 0, c, 0, lo, hi);
        t.QuartilesOfNumCells(c, 0, c, 0, q1, q2, q3, n);
        std::printf("%-14s %8.4f %8.4f %8.2f %8.3f %8.3f %8.3f %8.2f\n", t.GetColName(c).c_str(),
                    mean, std::sqrt(var), lo, q1, q2, q3, hi);
    }

    ozm::TMatrix cov;
    cov.Resize(4, 4);
    for (int mode : {1, 2}) {
        t.CalcCovar(&cov, 1, 4, 0, 0, mode);
        std::printf("\n%s matrix\n%-14s", mode == 1 ? "covariance" : "correlation", "");
        for (int b = 1; b <= 4; ++b) std::printf(" %13s", t.GetColName(b).c_str());
        std::printf("\n");
        for (int a = 1; a <= 4; ++a) {
            std::printf("%-14s", t.GetColName(a).c_str());
            for (int b = 1; b <= 4; ++b) std::printf(" %13.5f", cov.GetVal(b, a));
            std::printf("\n");
        }
    }

    // Petal length in three classes, as an ordinal variable.
    t.InsertColumn(6);
    t.SetColName(6, "petal class");
    t.SetMScaleType(6, ozm::TMScaleType::stOrdinal);
    const char* classes[3] = {"< 2.5 cm", "2.5-5 cm", ">= 5 cm"};
    for (int k = 1; k <= 3; ++k) t.SetNominalID(6, k, classes[k - 1]);
    for (int r = 1; r <= t.NrOfRows(); ++r) {
        const double pl = t.GetElem(3, r);
        t.SetElem(6, r, pl < 2.5 ? 1 : pl < 5.0 ? 2 : 3);
    }
    ozm::TInt2DArray ct;
    t.CreateContingencyTable(5, 6, 0, 0, ct);
    std::printf("\nspecies x petal length class\n%-12s", "");
    for (int j = 1; j <= 3; ++j) std::printf(" %10s", t.GetNominalID(6, j).c_str());
    std::printf(" %10s\n", "total");
    for (size_t i = 0; i < ct.size(); ++i) {
        std::printf("%-12s", i + 1 < ct.size() ? t.GetNominalID(5, static_cast<int>(i + 1)).c_str()
                                               : "total");
        for (size_t j = 0; j < ct[i].size(); ++j) std::printf(" %10d", ct[i][j]);
        std::printf("\n");
    }

    if (!t.SaveAsXMLFile(xml_path)) {
        std::fprintf(stderr, "cannot write %s\n", xml_path.c_str());
        return 1;
    }
    ozm::TDataTable back;
    const bool same = back.LoadFromXMLFile(xml_path) &&
                      back.NumericData()->CRCofData() == t.NumericData()->CRCofData() &&
                      back.CRCofNamesAndAttributes() == t.CRCofNamesAndAttributes();
    std::printf("\nsaved as XML: %s (%s)\n", xml_path.c_str(),
                same ? "reads back identically" : "READ BACK DIFFERS");
    return same ? 0 : 1;
}
