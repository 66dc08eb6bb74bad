// Fits several models to Engel's food expenditure data (235 Belgian households, 1857: food
// expenditure against income, data/engel_food.asc) and prints the fit table; with gnuplot
// installed it draws the data and the fitted curves to curve_fits.png in the working folder.
//
//   example_curve_fits [file.asc]
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ozm/math2.hpp"

namespace {

struct TModel {
    std::string name;
    std::string formula;
    double fitQuality;
    std::function<double(double)> curve;
};

// Writes the pairs and the curves as gnuplot data and renders them; false without gnuplot.
bool Plot(const ozm::TCurveFit& fit, const std::vector<TModel>& models, const std::string& png) {
    const std::string data = "curve_fits.dat";
    std::FILE* f = std::fopen(data.c_str(), "w");
    if (f == nullptr) return false;
    for (int i = 1; i <= fit.NumData(); ++i)
        std::fprintf(f, "%.10g %.10g\n", fit.GetDataX(i), fit.GetDataY(i));
    std::fprintf(f, "\n\n");
    for (const TModel& m : models) {
        for (int k = 0; k <= 200; ++k) {
            const double x = fit.MinX() + (fit.MaxX() - fit.MinX()) * k / 200.0;
            std::fprintf(f, "%.10g %.10g\n", x, m.curve(x));
        }
        std::fprintf(f, "\n\n");
    }
    std::fclose(f);
    std::FILE* gp = popen("gnuplot 2>/dev/null", "w");
    if (gp == nullptr) return false;
    std::fprintf(gp, "set terminal png size 1000,700\nset output '%s'\n", png.c_str());
    std::fprintf(gp, "set title \"Engel (1857): food expenditure against income\"\n");
    std::fprintf(gp, "set xlabel 'income (Belgian francs per year)'\n");
    std::fprintf(gp, "set ylabel 'food expenditure (Belgian francs per year)'\n");
    std::fprintf(gp, "set key left top\nplot '%s' index 0 with points pt 7 ps 0.6 title 'households'",
                 data.c_str());
    for (size_t i = 0; i < models.size(); ++i)
        std::fprintf(gp, ", '' index %zu with lines lw 2 title '%s'", i + 1, models[i].name.c_str());
    std::fprintf(gp, "\n");
    return pclose(gp) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : std::string(OZM_DATA_DIR) + "/engel_food.asc";
    ozm::TCurveFit fit;
    if (const int rc = fit.ImportASC(path); rc != 0) {
        std::fprintf(stderr, "cannot read %s (code %d)\n", path.c_str(), rc);
        return 1;
    }
    std::printf("%s: %d pairs\n\n", path.c_str(), fit.NumData());
    std::printf("income: mean %.1f, sd %.1f;  food: mean %.1f, sd %.1f\n", fit.GetMeanX(),
                fit.GetStdDevX(), fit.GetMeanY(), fit.GetStdDevY());
    double p = 0;
    const double tau = fit.KendallsTau(p);
    std::printf("Pearson r %.4f, Spearman rho %.4f, Kendall tau %.4f (p %.2g)\n\n", fit.GetRxy(),
                fit.GetSpearman(), tau, p);

    std::vector<TModel> models;
    double a, b, c, q;
    fit.CalcLinFit(a, b, q);
    models.push_back({"line", "y = " + std::to_string(a) + " x + " + std::to_string(b), q,
                      [=](double x) { return a * x + b; }});
    double k0, k1, k2;
    fit.CalcParabolFit(k0, k1, k2, q);
    models.push_back({"parabola", "y = " + std::to_string(k0) + " + " + std::to_string(k1) +
                                      " x + " + std::to_string(k2) + " x^2",
                      q, [=](double x) { return k0 + k1 * x + k2 * x * x; }});
    if (fit.CalcPowerFit(a, b, q))
        models.push_back({"power", "y = " + std::to_string(a) + " x^" + std::to_string(b), q,
                          [=](double x) { return a * std::pow(x, b); }});
    if (fit.CalcLogFit(a, b, q))
        models.push_back({"logarithm", "y = " + std::to_string(a) + " + " + std::to_string(b) +
                                           " ln x",
                          q, [=](double x) { return a + b * std::log(x); }});
    if (fit.CalcHoerlFit(a, b, c, q))
        models.push_back({"Hoerl", "y = " + std::to_string(a) + " " + std::to_string(b) + "^x x^" +
                                       std::to_string(c),
                          q, [=](double x) { return a * std::pow(b, x) * std::pow(x, c); }});
    fit.SetSplineSmoothing(1e-9);  // lambda = (1 - p)/p, about 1e9 on this income scale
    fit.SmoothedSpline(fit.GetMeanX());  // builds the spline and its fit quality
    models.push_back({"smoothing spline", "p = 1e-9", fit.SplineFitQuality(),
                      [&fit](double x) { return fit.SmoothedSpline(x); }});

    std::printf("%-18s %-10s %s\n", "model", "R^2", "formula (R^2 of the linearised fit for "
                                                     "power, logarithm and Hoerl)");
    for (const TModel& m : models)
        std::printf("%-18s %-10.5f %s\n", m.name.c_str(), m.fitQuality, m.formula.c_str());

    const std::string png = "curve_fits.png";
    if (Plot(fit, models, png))
        std::printf("\nplot written to %s\n", png.c_str());
    else
        std::printf("\ngnuplot not available: the data for a plot are in curve_fits.dat\n");
    return 0;
}
