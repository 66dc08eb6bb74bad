// A memory-based (k-nearest-neighbour) learner on Fisher's iris measurements (data/iris.csv, see
// data/README.md): the four measures are the independent variables, the species the target.
// Prints the leave-one-out accuracy (each flower estimated from the others, ApplyModel with
// ExcludeObj = its row) for every local model, k = 1, 3, 5, 7 and both scalings, where the
// continuous estimates of the averaging models and the regression are rounded to the nearest
// species; then the table of species agreement between every flower and its 5 nearest others,
// and a check that the model read back from its XML and binary files predicts the same.
//
//   example_learning_machines [iris.csv]   (default: data/iris.csv of the source tree)
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ozm/membl.hpp"

namespace {

std::string DefaultTable() { return std::string(OZM_DATA_DIR) + "/iris.csv"; }

// Leave-one-out accuracy of the learner's current settings (species in column 5, 1..3).
double LeaveOneOut(ozm::TMemBasedLearner& L) {
    const ozm::TDataTable& t = *L.ModelData();
    int right = 0;
    ozm::TDoubleArray s(5);
    for (int r = 1; r <= t.NrOfRows(); ++r) {
        for (int c = 1; c <= 5; ++c) s[static_cast<size_t>(c - 1)] = t.GetElem(c, r);
        if (L.ApplyModel(s, r, r) != 0) continue;
        const double species = std::fmin(3.0, std::fmax(1.0, std::round(s[4])));
        right += species == t.GetElem(5, r);
    }
    return static_cast<double>(right) / t.NrOfRows();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : DefaultTable();
    ozm::TMemBasedLearner L;
    ozm::TDataTable& t = *L.ModelData();
    if (const int rc = t.ImportFromCSV(path); rc != 0 || t.NrOfColumns() != 5) {
        std::fprintf(stderr, "%s: cannot import as the iris table (code %d)\n", path.c_str(), rc);
        return 1;
    }
    // scikit-learn's file names the species in its first line and codes them 0, 1, 2.
    const std::string species[3] = {t.GetColName(3), t.GetColName(4), t.GetColName(5)};
    const char* names[4] = {"sepal length", "sepal width", "petal length", "petal width"};
    for (int c = 1; c <= 4; ++c) {
        t.SetColName(c, names[c - 1]);
        L.SetVarType(c, ozm::TMBLVarType::mblVarIndep);
    }
    t.SetColName(5, "species");
    t.SetMScaleType(5, ozm::TMScaleType::stNominal);
    for (int k = 1; k <= 3; ++k) t.SetNominalID(5, k, species[k - 1]);
    for (int r = 1; r <= t.NrOfRows(); ++r) t.SetElem(5, r, t.GetElem(5, r) + 1);
    L.SetVarType(5, ozm::TMBLVarType::mblVarTarget);
    L.SetModelName("iris species");

    std::printf("%s: %d flowers; leave-one-out accuracy of the species (Euclidean distance)\n\n",
                path.c_str(), t.NrOfRows());
    std::printf("%-18s %-13s %7s %7s %7s %7s\n", "local model", "scaling", "k=1", "k=3", "k=5",
                "k=7");
    for (int m = 0; m < 4; ++m) {
        L.SetLocalModel(static_cast<ozm::TMBLLocalModel>(m));
        for (int sc = 0; sc < 2; ++sc) {
            L.SetScalingMode(static_cast<ozm::TMBLScalingMode>(sc));
            std::printf("%-18s %-13s", std::string(ozm::membl::MBLLocalModelID[m]).c_str(),
                        std::string(ozm::membl::MBLScalingModeID[sc]).c_str());
            for (int k : {1, 3, 5, 7}) {
                L.SetNumNearestNb(k);
                std::printf(" %6.1f%%", 100.0 * LeaveOneOut(L));
            }
            std::printf("\n");
        }
    }

    ozm::TInt2DArray tab;
    L.SetScalingMode(ozm::TMBLScalingMode::mblUnscaled);
    if (L.CalcContingencyTable(5, 5, tab) == 0) {
        std::printf("\nspecies of each flower (rows) against those of its 5 nearest others:\n");
        std::printf("%-12s", "");
        for (const auto& s : species) std::printf(" %10s", s.c_str());
        std::printf(" %10s\n", "total");
        for (size_t a = 0; a < tab.size(); ++a) {
            std::printf("%-12s", a < 3 ? species[a].c_str() : "total");
            for (size_t b = 0; b < tab[a].size(); ++b) std::printf(" %10d", tab[a][b]);
            std::printf("\n");
        }
    }

    // The model travels in both files; the copies predict exactly as the original.
    L.SetLocalModel(ozm::TMBLLocalModel::mblLMMajority);
    L.SetScalingMode(ozm::TMBLScalingMode::mblStandardized);
    L.SetNumNearestNb(5);
    const double original = LeaveOneOut(L);
    const auto dir = std::filesystem::temp_directory_path();
    const std::string xml = (dir / "iris_learner.xml").string();
    const std::string bin = (dir / "iris_learner.bin").string();
    L.StoreModelXML(xml, "iris");
    L.StoreModelBin(bin, "iris");
    ozm::TMemBasedLearner fromXml, fromBin;
    std::string id1, id2;
    const int rx = fromXml.LoadModelXML(xml, id1);
    const int rb = fromBin.LoadModelBin(bin, id2);
    if (rx != 0 || rb != 0) {
        std::fprintf(stderr, "reading the model files failed (%d, %d)\n", rx, rb);
        return 1;
    }
    std::printf("\nmajority vote, standardised, k = 5: %.1f%%; read back from %s: %.1f%%, from %s:"
                " %.1f%%\n",
                100.0 * original, xml.c_str(), 100.0 * LeaveOneOut(fromXml), bin.c_str(),
                100.0 * LeaveOneOut(fromBin));
    return 0;
}
