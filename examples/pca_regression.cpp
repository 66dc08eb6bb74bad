// Principal components and a multiple regression on Fisher's iris measurements (150 flowers,
// sepal length and width, petal length and width in cm; data/README.md names the source).
// Prints the explained variance and loadings of the components of the covariance and of the
// correlation matrix, then the regression table of petal width on the three other measures.
// With gnuplot installed it draws the flowers on the first two components (pca_scores.png in the
// working directory); otherwise it says where the score table is.
//
//   example_pca_regression [iris.csv]   (default: data/iris.csv of the source tree)
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ozm/math2.hpp"

namespace {

// The CSV as scikit-learn ships it: a header line "150,4,<class names>", then four measures and
// the class number per line.
bool ReadIris(const std::string& path, ozm::TMatrix& x, std::vector<int>& species,
              std::vector<std::string>& names) {
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line)) return false;
    std::stringstream head(line);
    std::string field;
    std::vector<std::string> header;
    while (std::getline(head, field, ',')) header.push_back(field);
    if (header.size() < 3) return false;
    names.assign(header.begin() + 2, header.end());
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \r") == std::string::npos) continue;
        std::stringstream s(line);
        std::vector<double> row;
        while (std::getline(s, field, ',')) row.push_back(std::stod(field));
        if (row.size() != 5) return false;
        rows.push_back(row);
    }
    if (rows.empty()) return false;
    x.Resize(4, static_cast<int>(rows.size()));
    species.clear();
    for (size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 4; ++c) x.SetVal(c + 1, static_cast<int>(r) + 1, rows[r][c]);
        species.push_back(static_cast<int>(rows[r][4]));
    }
    return true;
}

void PrintComponents(const char* title, const ozm::TStrArray& vars) {
    using ozm::math2::GetEigenResult;
    const int n = ozm::math2::GetEigenSize();
    std::printf("%s\n  %-14s", title, "");
    for (int k = 1; k <= n; ++k) std::printf("      PC%d", k);
    std::printf("\n  %-14s", "explained");
    double cumulative = 0.0;
    for (int k = 1; k <= n; ++k) std::printf("  %6.2f %%", 100.0 * GetEigenResult(k, 0));
    std::printf("\n  %-14s", "cumulative");
    for (int k = 1; k <= n; ++k) {
        cumulative += GetEigenResult(k, 0);
        std::printf("  %6.2f %%", 100.0 * cumulative);
    }
    std::printf("\n");
    for (int j = 1; j <= n; ++j) {
        std::printf("  %-14s", vars[static_cast<size_t>(j - 1)].c_str());
        for (int k = 1; k <= n; ++k) {
            // Sign convention of the printout: the largest loading of each component positive.
            int big = 1;
            for (int i = 2; i <= n; ++i)
                if (std::fabs(GetEigenResult(k, i)) > std::fabs(GetEigenResult(k, big))) big = i;
            const double sign = GetEigenResult(k, big) < 0 ? -1.0 : 1.0;
            std::printf("  %8.4f", sign * GetEigenResult(k, j));
        }
        std::printf("\n");
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ozm;
    using namespace ozm::math2;
    // The table: the argument, else data/iris.csv of the source tree.
    const std::string path =
        argc > 1 ? argv[1] : std::string(OZM_DATA_DIR) + "/iris.csv";
    TMatrix iris;
    std::vector<int> species;
    std::vector<std::string> speciesNames;
    if (!ReadIris(path, iris, species, speciesNames)) {
        std::fprintf(stderr, "cannot read the iris table from %s\n", path.c_str());
        return 1;
    }
    TStrArray vars;
    ExtractVarNames("sepal length, sepal width, petal length, petal width", 4, vars);
    std::printf("Iris: %d flowers, %d measures (cm)\n\n", iris.NrOfRows(), iris.NrOfColumns());

    // Components of the covariance matrix (the measures share a unit) and of the correlation
    // matrix (each measure scaled to unit variance).
    if (!CalcPrincComp(iris, 0, 0, 0, 0, kCovarCorrelation)) return 1;
    PrintComponents("Principal components of the correlation matrix", vars);
    if (!CalcPrincComp(iris, 0, 0, 0, 0, kCovarCovariance)) return 1;
    PrintComponents("Principal components of the covariance matrix", vars);

    // Scores on the first two covariance components.
    const int n = iris.NrOfRows();
    std::vector<double> mean(4, 0.0);
    for (int c = 1; c <= 4; ++c) {
        for (int r = 1; r <= n; ++r) mean[c - 1] += iris.GetVal(c, r);
        mean[c - 1] /= n;
    }
    const std::string table = "pca_scores.dat";
    {
        std::ofstream out(table);
        out << "# PC1 PC2 species\n";
        for (int r = 1; r <= n; ++r) {
            double s1 = 0.0, s2 = 0.0;
            for (int c = 1; c <= 4; ++c) {
                const double d = iris.GetVal(c, r) - mean[c - 1];
                s1 += d * GetEigenResult(1, c);
                s2 += d * GetEigenResult(2, c);
            }
            out << s1 << ' ' << s2 << ' ' << species[static_cast<size_t>(r - 1)] << '\n';
        }
    }

    // Petal width on the three other measures.
    TMatrix x;
    TVector y;
    x.Resize(3, n);
    y.Resize(n);
    for (int r = 1; r <= n; ++r) {
        for (int c = 1; c <= 3; ++c) x.SetVal(c, r, iris.GetVal(c, r));
        y.SetVal(r, iris.GetVal(4, r));
    }
    TLinRegResult fit;
    if (!MultiLinReg(x, y, fit)) return 1;
    std::printf("Regression of %s on the other measures\n", vars[3].c_str());
    std::printf("  %-14s %12s %12s %9s\n", "", "estimate", "std. error", "t");
    for (int k = 0; k <= 3; ++k)
        std::printf("  %-14s %12.6f %12.6f %9.3f\n", k == 0 ? "(intercept)" : vars[k - 1].c_str(),
                    fit.Coeffs[k], fit.StdErrors[k], fit.TValues[k]);
    std::printf("  residual standard error %.5f on %d degrees of freedom\n", fit.SigmaResid,
                fit.DFResid);
    std::printf("  R^2 %.5f, adjusted R^2 %.5f\n", fit.RSquared, fit.AdjRSquared);
    std::printf("  F %.2f on %d and %d degrees of freedom%s\n\n", fit.FValue, fit.DFModel,
                fit.DFResid, fit.RankDeficient ? " (rank deficient)" : "");

    // The picture, when gnuplot is there.
    const std::string png = "pca_scores.png";
    std::string script = "set terminal pngcairo size 800,600; set output '" + png +
                         "'; set title 'Iris on the first two principal components';"
                         " set xlabel 'PC1'; set ylabel 'PC2'; plot ";
    for (size_t s = 0; s < speciesNames.size(); ++s) {
        if (s > 0) script += ", ";
        script += "'" + table + "' using 1:($3==" + std::to_string(s) + "?$2:1/0) title '" +
                  speciesNames[s] + "' with points pt 7";
    }
    if (std::system("command -v gnuplot >/dev/null 2>&1") == 0) {
        FILE* gp = popen("gnuplot", "w");
        if (gp != nullptr) {
            std::fprintf(gp, "%s\n", script.c_str());
            if (pclose(gp) == 0) {
                std::printf("Scores on PC1 and PC2 drawn in %s\n", png.c_str());
                return 0;
            }
        }
    }
    std::printf("gnuplot not available; the scores on PC1 and PC2 are in %s\n", table.c_str());
    return 0;
}
