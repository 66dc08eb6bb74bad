// The power spectrum and a wavelet denoising of the yearly sunspot numbers (1700-2008).
//
//   example_sunspot_periodogram [csv file] [output folder]
//
// The default file is data/sunspots_yearly.csv of the source tree (lines "year,number" after one
// header line). The program prints the dominant periods of the series, writes the spectrum and the
// denoised series as text files and, when gnuplot is installed, plots both to PNG images.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ozm/fourier.hpp"
#include "ozm/wavelet.hpp"

namespace {

struct Series {
    std::vector<double> year;
    std::vector<double> value;
};

// Reads "year,value" lines; lines that do not hold two numbers (the header) are skipped.
bool ReadCsv(const std::string& path, Series& s) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        const size_t comma = line.find(',');
        if (comma == std::string::npos) continue;
        double y = 0, v = 0;
        const char* end = line.data() + line.size();
        if (!line.empty() && end[-1] == '\r') --end;
        const auto ry = std::from_chars(line.data(), line.data() + comma, y);
        const auto rv = std::from_chars(line.data() + comma + 1, end, v);
        if (ry.ec != std::errc() || rv.ec != std::errc() || rv.ptr != end) continue;
        s.year.push_back(y);
        s.value.push_back(v);
    }
    return !s.value.empty();
}

bool HaveGnuplot() { return std::system("command -v gnuplot >/dev/null 2>&1") == 0; }

void Plot(const std::string& script) {
    FILE* gp = popen("gnuplot", "w");
    if (!gp) return;
    std::fputs(script.c_str(), gp);
    pclose(gp);
}

double Median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : std::string(OZM_DATA_DIR) + "/sunspots_yearly.csv";
    const std::string out = argc > 2 ? std::string(argv[2]) + "/" : std::string();
    Series s;
    if (!ReadCsv(path, s)) {
        std::fprintf(stderr, "no year,value lines could be read from %s\n", path.c_str());
        return 1;
    }
    const int count = static_cast<int>(s.value.size());
    std::printf("%s: %d years, %.0f-%.0f\n\n", path.c_str(), count, s.year.front(), s.year.back());

    // Spectrum: mean removed, zero-padded to the next power of two, one sample per year.
    int n = 1;
    while (n < count) n *= 2;
    double mean = 0;
    for (double v : s.value) mean += v / count;
    ozm::TFastFourier fft;
    fft.SetNumData(n);
    for (int k = 0; k < count; ++k) fft.SetRealVal(k + 1, s.value[k] - mean);
    fft.Transform();
    const double sample_time = 1.0;  // years
    struct Peak {
        int line;
        double power;
    };
    std::vector<Peak> peaks;
    for (int L = 2; L < n / 2; ++L) {
        const double p = fft.GetPowerSpec(L);
        if (p > fft.GetPowerSpec(L - 1) && p >= fft.GetPowerSpec(L + 1)) peaks.push_back({L, p});
    }
    std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.power > b.power; });
    std::printf("dominant periods (largest spectral peaks, %d-point transform):\n", n);
    for (size_t i = 0; i < std::min<size_t>(5, peaks.size()); ++i) {
        const double f = fft.FreqOfLine(peaks[i].line, sample_time);
        std::printf("  line %3d  %6.1f years  power share %5.1f %%\n", peaks[i].line, 1 / f,
                    100 * peaks[i].power / (fft.RMS(0, n / 2) * fft.RMS(0, n / 2) * n));
    }
    std::printf("  RMS of the series about its mean: %.2f (sum over all lines)\n\n",
                fft.RMS(0, n / 2) * std::sqrt(static_cast<double>(n) / count));

    const std::string spec_file = out + "sunspots_spectrum.dat";
    {
        std::ofstream f(spec_file);
        f << "# cycles_per_year period_years power\n";
        for (int L = 1; L <= n / 2; ++L) {
            const double fr = fft.FreqOfLine(L, sample_time);
            f << fr << ' ' << 1 / fr << ' ' << fft.GetPowerSpec(L) << '\n';
        }
    }

    // Denoising: the latest 256 years, full db2 decomposition (wrap: orthogonal, so the inverse is
    // exact), soft thresholds at the universal level sigma sqrt(2 ln N) with sigma estimated from
    // the finest details (median absolute value / 0.6745), approximation kept.
    const int m = 256;
    const int first = count - m;
    ozm::TWavelet1D wl;
    wl.SetNumData(m);
    wl.SetOrder(2);
    wl.SetSigExtMode(ozm::TWLSigExtMode::wseWrap);
    for (int i = 0; i < m; ++i) wl.SetDataVal(i + 1, s.value[first + i]);
    const int levels = 8;
    wl.Transform(levels);
    std::vector<double> finest;
    for (int i = m / 2 + 1; i <= m; ++i) finest.push_back(std::fabs(wl.GetDataVal(i)));
    const double sigma = Median(finest) / 0.6745;
    const double threshold = sigma * std::sqrt(2 * std::log(static_cast<double>(m)));
    int kept = 0;
    for (int i = 2; i <= m; ++i) {  // position 1 is the approximation
        const double c = wl.GetDataVal(i);
        const double shrunk = std::copysign(std::max(std::fabs(c) - threshold, 0.0), c);
        if (shrunk != 0) ++kept;
        wl.SetDataVal(i, shrunk);
    }
    wl.InverseTransform(levels);
    std::printf("wavelet denoising of %.0f-%.0f: noise sigma %.2f, threshold %.2f, %d of %d details kept\n",
                s.year[first], s.year.back(), sigma, threshold, kept, m - 1);

    const std::string den_file = out + "sunspots_denoised.dat";
    {
        std::ofstream f(den_file);
        f << "# year sunspots denoised\n";
        for (int i = 0; i < m; ++i) f << s.year[first + i] << ' ' << s.value[first + i] << ' ' << wl.GetDataVal(i + 1) << '\n';
    }

    if (!HaveGnuplot()) {
        std::printf("\ngnuplot is not installed; the data are in %s and %s\n", spec_file.c_str(), den_file.c_str());
        return 0;
    }
    std::ostringstream g;
    g << "set terminal pngcairo size 900,500 noenhanced\n"
      << "set output '" << out << "sunspots_spectrum.png'\n"
      << "set title 'Yearly sunspot numbers 1700-2008: power spectrum (" << n << "-point FFT)'\n"
      << "set xlabel 'period [years]'\nset ylabel 'power'\nset logscale x\nset grid\n"
      << "plot [4:200] '" << spec_file << "' using 2:3 with linespoints pt 7 ps 0.5 title 'power'\n"
      << "unset logscale x\n"
      << "set output '" << out << "sunspots_denoised.png'\n"
      << "set title 'Sunspot numbers and their db2 wavelet denoising (soft universal threshold)'\n"
      << "set xlabel 'year'\nset ylabel 'sunspot number'\n"
      << "plot '" << den_file << "' using 1:2 with lines lc rgb '#999999' title 'measured', '" << den_file
      << "' using 1:3 with lines lw 2 lc rgb '#cc2222' title 'denoised'\n";
    Plot(g.str());
    std::printf("\nplots: %ssunspots_spectrum.png, %ssunspots_denoised.png\n", out.c_str(), out.c_str());
    return 0;
}
