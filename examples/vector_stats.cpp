// Loads a column of numbers from a text file and prints its descriptive statistics and a
// histogram. Every line that holds a digit is one value; other lines (headers, comments, blank
// lines) are skipped.
//
//   example_vector_stats [file]
//
// The default file is data/nile_flow.txt of the source tree: the yearly flow of the Nile at Aswan.
#include <cmath>
#include <cstdio>
#include <string>

#include "ozm/vector.hpp"

namespace {

// A bin width of 1, 2 or 5 times a power of ten that splits the span into about `bins` bins.
double NiceWidth(double span, int bins) {
    const double raw = span / bins;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double step : {1.0, 2.0, 5.0})
        if (step * magnitude >= raw) return step * magnitude;
    return 10 * magnitude;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : std::string(OZM_DATA_DIR) + "/nile_flow.txt";
    ozm::TVector v;
    if (!v.LoadFromFile(path, true, true) || v.IsEmpty()) {
        std::fprintf(stderr, "no numbers could be read from %s\n", path.c_str());
        return 1;
    }
    const int n = v.NrOfElem();
    double mean = 0, variance = 0, minimum = 0, maximum = 0, q1 = 0, q2 = 0, q3 = 0;
    double skewness = 0, kurtosis = 0;
    v.MeanVar(0, 0, mean, variance);
    v.MinMax(0, 0, minimum, maximum);
    v.Quartiles(0, 0, q1, q2, q3);
    v.SkewKurtSample(0, 0, skewness, kurtosis);

    std::printf("%s\n\n", path.c_str());
    std::printf("  values               %d\n", n);
    std::printf("  mean                 %.4f\n", mean);
    std::printf("  standard deviation   %.4f\n", n >= 3 ? std::sqrt(variance) : 0.0);
    std::printf("  minimum / maximum    %.4f / %.4f\n", minimum, maximum);
    std::printf("  quartiles            %.4f  %.4f  %.4f\n", q1, q2, q3);
    std::printf("  P5 / P95             %.4f / %.4f\n", v.Percentile(5, 0, 0),
                v.Percentile(95, 0, 0));
    std::printf("  mode                 %.4f\n", v.Mode(0, 0));
    std::printf("  skewness / kurtosis  %.4f / %.4f (sample-corrected, excess kurtosis)\n",
                skewness, kurtosis);

    if (!(maximum > minimum)) return 0;
    const double width = NiceWidth(maximum - minimum, 12);
    const double first_bin = std::floor(minimum / width) * width;
    const double last_bin = first_bin + std::floor((maximum - first_bin) / width) * width;
    ozm::TIntVector histo;
    int underflow = 0, overflow = 0, max_count = 0;
    if (!v.Histogram(1, n, first_bin, last_bin, width, &histo, underflow, overflow, max_count)) {
        std::fprintf(stderr, "histogram needs too many bins\n");
        return 1;
    }
    std::printf("\n  histogram (bin width %g)\n", width);
    for (int b = 1; b <= histo.NrOfElem(); ++b) {
        const int count = histo.GetVal(b);
        const int bar = max_count > 0 ? (count * 50 + max_count - 1) / max_count : 0;
        std::printf("  [%9.3f, %9.3f) %6d %s\n", first_bin + (b - 1) * width, first_bin + b * width,
                    count, std::string(static_cast<size_t>(bar), '#').c_str());
    }
    if (underflow + overflow > 0)
        std::printf("  outside the bins: %d below, %d above\n", underflow, overflow);
    return 0;
}
