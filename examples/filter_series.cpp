// Cleans a real measured series with the library's filters: the weekly mean CO2 concentration at
// Mauna Loa, March 1958 to December 2001 (data/co2_mauna_loa_weekly.csv, see data/README.md).
//
//   example_filter_series [output folder]   (default: the system's temporary folder)
//
// Weeks without a measurement are filled by linear interpolation between their neighbours (and
// counted). Then:
//   - a 5-week moving median removes single outlying weeks,
//   - a 25-week Savitzky-Golay smoothing keeps the seasonal cycle but not the weekly noise,
//   - a zero-phase Chebyshev low-pass (4 poles, 0.5 % ripple, cutoff 1/104 per week: periods
//     shorter than two years are removed) of the deviation from a straight line leaves the
//     long-term trend,
//   - the Savitzky-Golay first derivative of the trend gives its growth rate in ppm per year.
// The series go to co2_filtered.dat; with gnuplot present, co2_filtered.png shows them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ozm/math2.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace {

// A file of the data folder of the source tree (the build passes its path).
std::filesystem::path FindDataFile(const std::string& name) {
    return std::filesystem::path(OZM_DATA_DIR) / name;
}

struct Series {
    std::vector<double> years;   // decimal years
    std::vector<double> values;  // NaN where a week has no measurement
};

double DecimalYear(long yyyymmdd) {
    const int y = static_cast<int>(yyyymmdd / 10000), m = static_cast<int>(yyyymmdd / 100 % 100),
              d = static_cast<int>(yyyymmdd % 100);
    static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return y + (before[m - 1] + d - 0.5) / 365.25;
}

bool ReadCsv(const std::string& path, Series& s) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    std::getline(in, line);  // header "date,co2"
    while (std::getline(in, line)) {
        const size_t comma = line.find(',');
        if (comma == std::string::npos) continue;
        s.years.push_back(DecimalYear(std::stol(line.substr(0, comma))));
        const std::string v = line.substr(comma + 1);
        s.values.push_back(v.find_first_of("0123456789") == std::string::npos ? NAN : std::stod(v));
    }
    return s.values.size() > 100;
}

// Linear interpolation over runs of missing weeks; returns how many were filled.
int FillGaps(std::vector<double>& v) {
    int filled = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        if (!std::isnan(v[i])) continue;
        size_t j = i;
        while (j < v.size() && std::isnan(v[j])) ++j;
        const double left = i > 0 ? v[i - 1] : v[j], right = j < v.size() ? v[j] : v[i - 1];
        for (size_t k = i; k < j; ++k) {
            const double t = static_cast<double>(k - i + 1) / static_cast<double>(j - i + 1);
            v[k] = left + t * (right - left);
            ++filled;
        }
        i = j;
    }
    return filled;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dataFile = FindDataFile("co2_mauna_loa_weekly.csv");
    const std::filesystem::path outDir =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    Series s;
    if (!ReadCsv(dataFile.string(), s)) {
        std::fprintf(stderr, "cannot read %s\n", dataFile.string().c_str());
        return 1;
    }
    const int filled = FillGaps(s.values);
    const int n = static_cast<int>(s.values.size());
    std::printf("Mauna Loa weekly CO2, %.1f to %.1f: %d weeks, %d missing weeks interpolated\n",
                s.years.front(), s.years.back(), n, filled);

    ozm::TVector raw, median, smooth, trend, growth;
    raw.Resize(n);
    std::copy(s.values.begin(), s.values.end(), raw.Cells().begin());
    for (ozm::TVector* v : {&median, &smooth, &trend, &growth}) v->Resize(n);

    using namespace ozm::math2;
    MovingMedianSmooth(&raw, 1, n, 5, &median);
    PolynomialSmooth(&median, 1, n, 25, &smooth);
    double a0 = 0;
    ozm::TMatrix coeffs;
    CalcChebFilterCoeffs(4, false, 1.0 / 104, 0.5, a0, coeffs);
    // The recursive filter sees the signal as 0 outside the data, so a series far from 0 would
    // start and end with a huge step and ring for years. Filter the deviation from the straight
    // line through the first and the last year's means instead, and add the line back.
    const int year = 52;
    double headMean = 0, tailMean = 0;
    for (int i = 0; i < year; ++i) {
        headMean += median.Cells()[static_cast<size_t>(i)] / year;
        tailMean += median.Cells()[static_cast<size_t>(n - year + i)] / year;
    }
    const double x0 = (year - 1) / 2.0, x1 = n - 1 - (year - 1) / 2.0;
    auto line = [&](int i) { return headMean + (tailMean - headMean) * (i - x0) / (x1 - x0); };
    ozm::TVector deviation;
    deviation.Resize(n);
    for (int i = 0; i < n; ++i)
        deviation.Cells()[static_cast<size_t>(i)] =
            median.Cells()[static_cast<size_t>(i)] - line(i);
    ChebychevFilter(deviation, 1, n, trend, a0, coeffs);
    for (int i = 0; i < n; ++i) trend.Cells()[static_cast<size_t>(i)] += line(i);
    FirstDeriv(&trend, 1, n, 25, &growth);
    const double weeksPerYear = 365.25 / 7;

    // Residual noise: the raw series against the Savitzky-Golay curve.
    double ss = 0;
    int outliers = 0;
    for (int i = 0; i < n; ++i) {
        const double r =
            raw.Cells()[static_cast<size_t>(i)] - smooth.Cells()[static_cast<size_t>(i)];
        ss += r * r;
        if (std::fabs(raw.Cells()[static_cast<size_t>(i)] -
                      median.Cells()[static_cast<size_t>(i)]) > 1.5)
            ++outliers;
    }
    std::printf(
        "weekly noise around the smoothed curve: %.2f ppm (rms); weeks the median moved by > 1.5 "
        "ppm: %d\n",
        std::sqrt(ss / n), outliers);
    std::printf("trend growth rate (ppm/year), mean per decade:\n");
    // The trend's ends still feel the filter's start and end: skip a year at either end.
    for (int decade = 1960; decade < 2000; decade += 10) {
        double sum = 0;
        int cnt = 0;
        for (int i = 52; i < n - 52; ++i)
            if (s.years[static_cast<size_t>(i)] >= decade &&
                s.years[static_cast<size_t>(i)] < decade + 10) {
                sum += growth.Cells()[static_cast<size_t>(i)] * weeksPerYear;
                ++cnt;
            }
        if (cnt) std::printf("  %ds: %.2f\n", decade, sum / cnt);
    }

    const std::string datPath = (outDir / "co2_filtered.dat").string();
    {
        std::ofstream out(datPath);
        out << "# year raw median savgol25 trend growth_ppm_per_year\n";
        for (int i = 0; i < n; ++i) {
            const size_t k = static_cast<size_t>(i);
            out << s.years[k] << ' ' << raw.Cells()[k] << ' ' << median.Cells()[k] << ' '
                << smooth.Cells()[k] << ' ' << trend.Cells()[k] << ' '
                << growth.Cells()[k] * weeksPerYear << '\n';
        }
    }
    std::printf("data: %s\n", datPath.c_str());

    if (std::system("command -v gnuplot >/dev/null 2>&1") != 0) {
        std::printf("gnuplot not found: plot the columns of %s to see the curves\n",
                    datPath.c_str());
        return 0;
    }
    const std::string pngPath = (outDir / "co2_filtered.png").string();
    const std::string gpPath = (outDir / "co2_filtered.gp").string();
    {
        std::ofstream gp(gpPath);
        gp << "set terminal png size 1100,800\nset output '" << pngPath << "'\n"
           << "set multiplot layout 2,1 title 'Mauna Loa weekly CO2 (SIO): raw, filtered, trend'\n"
           << "set ylabel 'CO2 [ppm]'\nset key top left\nset grid\n"
           << "plot '" << datPath
           << "' u 1:2 w p pt 7 ps 0.3 lc rgb '#999999' t 'weekly mean (gaps interpolated)', "
           << "'' u 1:4 w l lw 1.5 lc rgb '#1f77b4' t 'median 5 + Savitzky-Golay 25', "
           << "'' u 1:5 w l lw 2 lc rgb '#d62728' t 'Chebyshev low-pass, zero phase (trend)'\n"
           << "set ylabel 'growth [ppm/year]'\nset xlabel 'year'\nunset key\n"
           << "plot [1959:2001] '" << datPath << "' u 1:6 w l lw 1.5 lc rgb '#2ca02c'\n"
           << "unset multiplot\n";
    }
    if (std::system(("gnuplot '" + gpPath + "'").c_str()) != 0) {
        std::printf("gnuplot failed; the data are in %s\n", datPath.c_str());
        return 0;
    }
    std::printf("plot: %s\n", pngPath.c_str());
    return 0;
}
