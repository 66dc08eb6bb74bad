// A report of hypothesis tests on Fisher's iris measurements (data/iris.csv): normality of each
// measurement within each species (Shapiro-Wilk, Lilliefors), one-way analysis of variance and
// Levene's test across the species, versicolor against virginica by Welch's t-test, the
// Mann-Whitney test and the median test, and how well petal width separates those two species
// (ROC area, Matthews' correlation at the best threshold).
//
//   example_hypothesis_report [iris.csv]
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ozm/datatable.hpp"
#include "ozm/statis.hpp"
#include "ozm/vector.hpp"

namespace {

using namespace ozm::statis;

const char* kMeasure[4] = {"sepal length", "sepal width", "petal length", "petal width"};

// Fills vec with the values of column Col for the flowers of one species (0, 1, 2 as in the file).
void Values(const ozm::TDataTable& t, int Col, int Species, ozm::TVector& vec) {
    std::vector<double> v;
    for (int r = 1; r <= t.NrOfRows(); ++r)
        if (std::lround(t.GetElem(5, r)) == Species) v.push_back(t.GetElem(Col, r));
    vec.Resize(static_cast<int>(v.size()));
    vec.CopyFromArray(v, 1);
}

const char* Stars(double p) { return p < 0.001 ? "***" : p < 0.01 ? "** " : p < 0.05 ? "*  " : "   "; }

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : std::string(OZM_DATA_DIR) + "/iris.csv";
    ozm::TDataTable t;
    if (const int rc = t.ImportFromCSV(path); rc != 0 || t.NrOfColumns() != 5) {
        std::fprintf(stderr, "%s: cannot import as the iris table (code %d)\n", path.c_str(), rc);
        return 1;
    }
    const std::string species[3] = {t.GetColName(3), t.GetColName(4), t.GetColName(5)};
    std::printf("Hypothesis tests on %s (%d flowers)\n", path.c_str(), t.NrOfRows());
    std::printf("p-values: * below 0.05, ** below 0.01, *** below 0.001\n\n");

    std::printf("Normality within each species\n");
    std::printf("%-14s %-11s %8s %10s %8s %10s\n", "measurement", "species", "W", "p(SW)", "D",
                "p(Lillie.)");
    for (int c = 1; c <= 4; ++c)
        for (int s = 0; s < 3; ++s) {
            ozm::TVector v;
            Values(t, c, s, v);
            double W;
            const double p = ShapiroWilkTest(v, W);
            const double d = PerformLillieforsTest(v, false);
            const double pl = LillieforsPValue(v.NrOfElem(), d);
            std::printf("%-14s %-11s %8.4f %10.4g%s %6.4f %10.4g%s\n", kMeasure[c - 1],
                        species[s].c_str(), W, p, Stars(p), d, pl, Stars(pl));
        }

    std::printf("\nDifferences between the species (one-way analysis of variance, Levene)\n");
    std::printf("%-14s %10s %10s %10s %12s %10s %12s\n", "measurement", "SS between", "SS within",
                "F", "p", "Levene F", "p");
    ozm::TIntVector groups;
    groups.Resize(t.NrOfRows());
    for (int r = 1; r <= t.NrOfRows(); ++r) groups.SetVal(r, static_cast<int32_t>(t.GetElem(5, r)));
    for (int c = 1; c <= 4; ++c) {
        ozm::TVector v;
        v.Resize(t.NrOfRows());
        for (int r = 1; r <= t.NrOfRows(); ++r) v.SetVal(r, t.GetElem(c, r));
        double ssb, ssw, sst, F, FL;
        int dfb, dfw, dft;
        const double p = Anova1F(v, groups, ssb, ssw, sst, dfb, dfw, dft, F);
        const double pl = LeveneTest(v, groups, FL);
        std::printf("%-14s %10.3f %10.3f %10.2f %9.3g%s %10.2f %9.3g%s\n", kMeasure[c - 1], ssb,
                    ssw, F, p, Stars(p), FL, pl, Stars(pl));
    }

    std::printf("\n%s against %s\n", species[1].c_str(), species[2].c_str());
    std::printf("%-14s %8s %7s %10s %8s %10s %10s %10s\n", "measurement", "t", "df", "p(Welch)",
                "U", "p(MWU)", "p(median)", "p(Fisher)");
    for (int c = 1; c <= 4; ++c) {
        ozm::TVector a, b;
        Values(t, c, 1, a);
        Values(t, c, 2, b);
        double tv, df, U, z, chi2, pm, chi2y, py, pf;
        const double pt = Perform2SampleTTest(a, b, false, tv, df);
        const double pu = PerformMannWhitneyUTest(a, b, U, z);
        ozm::TDoubleArray da(a.Cells().begin(), a.Cells().end()), db(b.Cells().begin(), b.Cells().end());
        MedianTest(da, db, chi2, pm, chi2y, py, pf);
        std::printf("%-14s %8.3f %7.2f %7.3g%s %8.1f %7.3g%s %7.3g%s %7.3g%s\n", kMeasure[c - 1], tv,
                    df, pt, Stars(pt), U, pu, Stars(pu), pm, Stars(pm), pf, Stars(pf));
    }

    // Petal width as a score separating virginica (positive) from versicolor.
    ozm::TCFEvaluator ev;
    int n = 0;
    for (int r = 1; r <= t.NrOfRows(); ++r) n += std::lround(t.GetElem(5, r)) >= 1;
    ev.SetNData(n);
    for (int r = 1, i = 1; r <= t.NrOfRows(); ++r) {
        if (std::lround(t.GetElem(5, r)) < 1) continue;
        ev.SetTrueData(i, t.GetElem(5, r));
        ev.SetEstimData(i++, t.GetElem(4, r));
    }
    ozm::TDouble2DArray roc;
    int best;
    double auc, tMcc, tAcc, tInf;
    if (ev.OptimizeThresholds(roc, best, auc, tMcc, tAcc, tInf) == 0) {
        ev.CalcConfusionMatrix(tMcc);
        std::printf("\nPetal width telling %s from %s: ROC area %.4f (%zu points); best Matthews "
                    "correlation %.3f at %.3f cm (accuracy %.3f, sensitivity %.3f, specificity %.3f)\n",
                    species[2].c_str(), species[1].c_str(), auc, roc[0].size(), ev.MatthewsCorr(),
                    tMcc, ev.Accuracy(), ev.TpRate(), ev.TnRate());
        std::printf("Farthest ROC point from the diagonal: fpr %.3f, tpr %.3f at %.2f cm\n",
                    roc[0][size_t(best)], roc[1][size_t(best)], roc[2][size_t(best)]);
    }
    return 0;
}
