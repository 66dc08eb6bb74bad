// A tour of the scalar helpers: compensated summation, selection, 1-2-5 rounding and axis
// scaling, primes, number text, and a console progress bar driven by the progress hook while a
// large array is sorted.
#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "ozm/ozm.hpp"

namespace {

void Heading(const char* title) { std::printf("\n== %s ==\n", title); }

void KahanVersusNaive() {
    Heading("Compensated summation");
    // 0.1 has no exact binary image; adding it ten million times drifts in a plain loop.
    constexpr int n = 10000000;
    ozm::TKahanSum kahan;
    double naive = 0;
    for (int i = 0; i < n; ++i) {
        naive += 0.1;
        kahan.Add(0.1);
    }
    std::printf("ten million times 0.1\n  plain loop : %s\n  TKahanSum  : %s\n",
                ozm::FormatFixed(naive, 22, 12).c_str(), ozm::FormatFixed(kahan.Sum, 22, 12).c_str());
}

void Selection() {
    Heading("Selection");
    std::vector<double> data{7.5, -2, 3.25, 9, 0, 4.5, 1, 8};
    std::printf("data:");
    for (double v : data) std::printf(" %s", ozm::strff(v, 1, 2).c_str());
    const int hi = static_cast<int>(data.size()) - 1;
    const double third = ozm::math1::QuickSelect(data, 2, 0, hi);
    std::printf("\nthird smallest (QuickSelect k = 2): %s\n", ozm::strff(third, 1, 2).c_str());
}

void RoundingAndAxes() {
    Heading("1-2-5 rounding and axis scaling");
    for (const double x : {0.0034, 0.017, 140.0, -2.1, 6.3e5}) {
        std::printf("%12s  Round125 %-10s RoundPos125 %-10s RoundNeg125 %s\n", ozm::strff(x, 1, 4).c_str(),
                    ozm::FormatShortest(ozm::math1::Round125(x)).c_str(),
                    ozm::FormatShortest(ozm::math1::RoundPos125(x)).c_str(),
                    ozm::FormatShortest(ozm::math1::RoundNeg125(x)).c_str());
    }
    struct Axis {
        int count;
        double x1, x2;
    };
    for (const Axis a : {Axis{5, 0.0037, 0.0912}, Axis{4, 0, 100}, Axis{6, 1013.2, 987.5}}) {
        long double first = 0, step = 0;
        uint16_t minor = 0;
        ozm::math1::CalcScalePars(a.count, a.x1, a.x2, first, step, minor);
        std::printf("axis %s .. %s, %d intervals: step %s, %u minor, ticks", ozm::strff(a.x1, 1, 4).c_str(),
                    ozm::strff(a.x2, 1, 4).c_str(), a.count, ozm::FormatShortest(static_cast<double>(step)).c_str(),
                    minor);
        const bool up = a.x2 > a.x1;
        for (long double t = first; up ? t <= a.x2 : t >= a.x2; t += step)
            std::printf(" %s", ozm::FormatShortest(static_cast<double>(t)).c_str());
        std::printf("\n");
    }
}

void Primes() {
    Heading("Primes");
    std::printf("first ten:");
    for (int i = 1; i <= 10; ++i) std::printf(" %d", ozm::math1::ListOfPrimes(i));
    std::printf("\nprime number %d of the table: %d\n", ozm::math1::kPrimeCount,
                ozm::math1::ListOfPrimes(ozm::math1::kPrimeCount));
    std::printf("IsPrime(2147483647) = %s\n", ozm::math1::IsPrime(2147483647) ? "true" : "false");
    ozm::TIntArray factors;
    ozm::math1::FindPrimeFactors(360360, factors);
    std::printf("360360 =");
    for (size_t i = 0; i < factors.size(); ++i) std::printf("%s%d", i == 0 ? " " : " * ", factors[i]);
    std::printf("\n");
}

void NumberText() {
    Heading("Number text (always with a point, whatever the locale)");
    std::printf("FormatFixed(pi, 10, 4)         = \"%s\"\n", ozm::FormatFixed(3.14159265358979, 10, 4).c_str());
    std::printf("FormatExp(6.02214076e23, 14)   = \"%s\"\n", ozm::FormatExp(6.02214076e23, 14).c_str());
    std::printf("strff(-2.5, 8, 2)              = \"%s\"\n", ozm::strff(-2.5, 8, 2).c_str());
    std::printf("math1::Decimal(-42, 5)         = \"%s\"\n", ozm::math1::Decimal(-42, 5).c_str());
}

void SortWithProgressBar() {
    Heading("Sorting two million values with a progress bar");
    constexpr size_t n = 2000000;
    ozm::SetRandSeed(2024);
    std::vector<double> data(n);
    for (auto& v : data) v = ozm::Random();

    // Comb sort adds 1 to ProcStat per pass. The gaps shrink by 1.3 down to 1, then passes with
    // gap 1 run until one exchanges nothing; their number is not known in advance, so the bar
    // follows the shrinking gaps and holds at 99 % during the final passes.
    double shrinkPasses = 0;
    for (size_t gap = n; gap > 1;) {
        gap = static_cast<size_t>(static_cast<double>(gap) / 1.3);
        shrinkPasses += 1;
    }
    const auto drawBar = [](double done, double passes) {
        constexpr int width = 40;
        const int filled = static_cast<int>(done * width);
        std::printf("\r[%s%s] %3d%% (pass %d)", std::string(static_cast<size_t>(filled), '#').c_str(),
                    std::string(static_cast<size_t>(width - filled), '.').c_str(), static_cast<int>(done * 100),
                    static_cast<int>(passes));
        std::fflush(stdout);
    };
    ozm::ProcStat = 0;
    ozm::MathFeedBackProc = [&](double passes) { drawBar(std::min(passes / shrinkPasses, 0.99), passes); };
    ozm::math1::SortArray(std::span<double>(data), true);
    ozm::MathFeedBackProc = nullptr;
    drawBar(1.0, ozm::ProcStat);

    bool sorted = true;
    for (size_t i = 1; i < n; ++i) sorted = sorted && data[i - 1] <= data[i];
    std::printf("\nsorted: %s, smallest %s, largest %s\n", sorted ? "yes" : "NO",
                ozm::FormatExp(data.front(), 14).c_str(), ozm::FormatExp(data.back(), 14).c_str());
}

}  // namespace

int main() {
    KahanVersusNaive();
    Selection();
    RoundingAndAxes();
    Primes();
    NumberText();
    SortWithProgressBar();
    return 0;
}
