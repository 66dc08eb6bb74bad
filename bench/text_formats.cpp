// Text formats against plain loops over the same bytes. Readers: the library's loader of a file
// against reading the same file whole and converting every number in it with std::from_chars
// (blank-separated words; for XML the content between ">" and "<"). Writers: the library's
// writer against formatting the same numbers with std::to_chars (the same decimals) into a
// buffer that is written in large blocks. Each pair runs interleaved (bench/ratio.hpp): the
// counter "ratio" is library time / plain-loop time.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ozm/matrix.hpp"
#include "ozm/openarrays.hpp"
#include "ozm/vector.hpp"
#include "ratio.hpp"

namespace {

constexpr int kValues = 200000;  // numbers in every file
constexpr int kCols = 20;        // matrix and array columns (kValues / kCols rows)

// A folder of this process for the files, removed at exit.
struct TempFolder {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("ozm_bench_text_" + std::to_string(static_cast<long>(::getpid())));
    TempFolder() { std::filesystem::create_directories(dir); }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

std::string TempPath(const std::string& Name) {
    static const TempFolder folder;
    return (folder.dir / Name).string();
}

std::vector<double> Values() {
    std::mt19937_64 gen(7);
    std::normal_distribution<double> normal(0.0, 100.0);
    std::vector<double> v(kValues);
    for (double& x : v) x = normal(gen);
    return v;
}

std::string ReadWhole(const std::string& Path) {
    std::FILE* f = std::fopen(Path.c_str(), "rb");
    std::string text;
    if (!f) return text;
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
    return text;
}

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Every blank-separated word of the file that from_chars takes whole is a number.
double PlainWords(const std::string& Path) {
    const std::string text = ReadWhole(Path);
    std::vector<double> out;
    out.reserve(kValues + 8);
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        while (p < end && IsWhite(*p)) ++p;
        const char* w = p;
        while (p < end && !IsWhite(*p)) ++p;
        double v;
        if (w < p && std::from_chars(w, p, v).ptr == p) out.push_back(v);
    }
    benchmark::DoNotOptimize(out.data());
    return out.empty() ? 0.0 : out.back();
}

// The content of every element of the file, converted by from_chars.
double PlainXml(const std::string& Path) {
    const std::string text = ReadWhole(Path);
    std::vector<double> out;
    out.reserve(kValues + 8);
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        while (p < end && *p != '>') ++p;
        const char* w = ++p;
        while (p < end && *p != '<') ++p;
        double v;
        if (w < p && std::from_chars(w, p, v).ptr == p) out.push_back(v);
    }
    benchmark::DoNotOptimize(out.data());
    return out.empty() ? 0.0 : out.back();
}

// Buffered block writer of the plain loops.
struct PlainOut {
    std::FILE* f;
    std::vector<char> buf = std::vector<char>(1 << 16);
    size_t n = 0;
    explicit PlainOut(const std::string& Path) : f(std::fopen(Path.c_str(), "wb")) {}
    ~PlainOut() {
        std::fwrite(buf.data(), 1, n, f);
        std::fclose(f);
    }
    char* Room() {
        if (n + 512 > buf.size()) {
            std::fwrite(buf.data(), 1, n, f);
            n = 0;
        }
        return buf.data() + n;
    }
    void Put(const char* s, size_t k) {
        std::memcpy(Room(), s, k);
        n += k;
    }
    void Shortest(double x) { n = static_cast<size_t>(std::to_chars(Room(), buf.data() + buf.size(), x).ptr - buf.data()); }
    void General(double x, int p) {
        n = static_cast<size_t>(
            std::to_chars(Room(), buf.data() + buf.size(), x, std::chars_format::general, p).ptr -
            buf.data());
    }
    void Fixed(double x, int d) {
        n = static_cast<size_t>(std::to_chars(Room(), buf.data() + buf.size(), x, std::chars_format::fixed, d).ptr - buf.data());
    }
};

void MakeVector(ozm::TVector& vec) {
    const std::vector<double> v = Values();
    vec.Resize(kValues);
    for (int i = 1; i <= kValues; ++i) vec.SetVal(i, v[size_t(i - 1)]);
}

void MakeMatrix(ozm::TMatrix& m) {
    const std::vector<double> v = Values();
    m.Resize(kCols, kValues / kCols);
    std::copy(v.begin(), v.end(), m.Data());
}

ozm::TDouble2DArray MakeArray() {
    const std::vector<double> v = Values();
    ozm::TDouble2DArray a(kValues / kCols, ozm::TDoubleArray(kCols));
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < kCols; ++j) a[i][j] = v[i * kCols + j];
    return a;
}

// --- readers -----------------------------------------------------------------------------------

void BM_ReadVectorList(benchmark::State& state) {
    const std::string path = TempPath("vlist.txt");
    ozm::TVector vec;
    MakeVector(vec);
    vec.StoreOnFile(1, kValues, 6, path);
    ozm::TVector v;
    ozm::bench::Interleaved(state, [&] { v.LoadFromFile(path, true); }, [&] { PlainWords(path); });
}

void BM_ReadVectorColumn(benchmark::State& state) {
    const std::string path = TempPath("vcol.txt");
    ozm::TVector vec;
    MakeVector(vec);
    vec.StoreOnFile(1, kValues, 6, path);
    ozm::TVector v;
    ozm::bench::Interleaved(state, [&] { v.LoadFromFile(path, true, true); }, [&] { PlainWords(path); });
}

void BM_ReadVectorAsc(benchmark::State& state) {
    const std::string path = TempPath("vasc.asc");
    ozm::TVector vec;
    MakeVector(vec);
    vec.ExportAsASC(path, 6, "bench");
    ozm::TVector v;
    std::string comment;
    ozm::bench::Interleaved(state, [&] { v.ImportASC(path, comment); }, [&] { PlainWords(path); });
}

void BM_ReadMatrixList(benchmark::State& state) {
    const std::string path = TempPath("mlist.txt");
    ozm::TMatrix m;
    MakeMatrix(m);
    m.StoreOnFile(1, m.NrOfColumns(), 1, m.NrOfRows(), path);
    ozm::TMatrix r;
    ozm::bench::Interleaved(state, [&] { r.LoadFromFile(path, true); }, [&] { PlainWords(path); });
}

void BM_ReadMatrixAsc(benchmark::State& state) {
    const std::string path = TempPath("masc.asc");
    ozm::TMatrix m;
    MakeMatrix(m);
    m.ExportAsASC(path, "bench");
    ozm::TMatrix r;
    std::string comment;
    ozm::bench::Interleaved(state, [&] { r.ImportASC(path, comment); }, [&] { PlainWords(path); });
}

void BM_ReadMatrixXml(benchmark::State& state) {
    const std::string path = TempPath("mxml.xml");
    ozm::TMatrix m;
    MakeMatrix(m);
    m.SaveAsXMLFile(path);
    ozm::TMatrix r;
    ozm::bench::Interleaved(state, [&] { r.LoadFromXMLFile(path); }, [&] { PlainXml(path); });
}

void BM_ReadArrayText(benchmark::State& state) {
    const std::string path = TempPath("array.txt");
    ozm::openarrays::StoreArray(path, MakeArray(), -1);
    ozm::TDouble2DArray a;
    ozm::bench::Interleaved(state, [&] { ozm::openarrays::LoadArray(path, a); }, [&] { PlainWords(path); });
}

// --- writers -----------------------------------------------------------------------------------

void BM_WriteVectorList(benchmark::State& state) {
    ozm::TVector vec;
    MakeVector(vec);
    const std::vector<double> v = Values();
    const std::string path = TempPath("wvlist.txt");
    ozm::bench::Interleaved(
        state, [&] { vec.StoreOnFile(1, kValues, 6, path); },
        [&] {
            PlainOut out(path + ".ref");
            out.Put("1 200000\r\n", 10);
            for (const double x : v) {
                out.Fixed(x, 6);
                out.Put("\r\n", 2);
            }
        });
}

void BM_WriteVectorAsc(benchmark::State& state) {
    ozm::TVector vec;
    MakeVector(vec);
    const std::vector<double> v = Values();
    const std::string path = TempPath("wvasc.asc");
    ozm::bench::Interleaved(
        state, [&] { vec.ExportAsASC(path, 6, "bench"); },
        [&] {
            PlainOut out(path + ".ref");
            for (const double x : v) {
                out.Put("  ", 2);  // the right alignment in 12 characters, roughly
                out.Fixed(x, 6);
                out.Put("\r\n", 2);
            }
        });
}

// One matrix writer against the plain loop writing the same cells with 15 significant digits (the
// matrix's default precision).
template <typename Write>
void MatrixWriter(benchmark::State& state, const char* Name, Write&& W, const char* Before,
                  const char* After, bool PerCell) {
    ozm::TMatrix m;
    MakeMatrix(m);
    const std::string path = TempPath(Name);
    const int rows = m.NrOfRows();
    ozm::bench::Interleaved(
        state, [&] { W(m, path); },
        [&] {
            PlainOut out(path + ".ref");
            const size_t nb = std::strlen(Before), na = std::strlen(After);
            if (PerCell) {
                for (int c = 1; c <= kCols; ++c)
                    for (int r = 1; r <= rows; ++r) {
                        out.Put(Before, nb);
                        out.General(m.Data()[size_t(c - 1) * rows + size_t(r - 1)], 15);
                        out.Put(After, na);
                    }
            } else {
                for (int r = 1; r <= rows; ++r) {
                    for (int c = 1; c <= kCols; ++c) {
                        out.Put(Before, nb);
                        out.General(m.Data()[size_t(c - 1) * rows + size_t(r - 1)], 15);
                    }
                    out.Put(After, na);
                }
            }
        });
}

void BM_WriteMatrixList(benchmark::State& state) {
    MatrixWriter(
        state, "wmlist.txt",
        [](const ozm::TMatrix& m, const std::string& p) { m.StoreOnFile(1, m.NrOfColumns(), 1, m.NrOfRows(), p); },
        " ", "\r\n", false);
}

void BM_WriteMatrixAsc(benchmark::State& state) {
    MatrixWriter(
        state, "wmasc.asc", [](const ozm::TMatrix& m, const std::string& p) { m.ExportAsASC(p, "bench"); }, "  ",
        "\r\n", false);
}

void BM_WriteMatrixXml(benchmark::State& state) {
    // The reference writes a fixed tag text of the same length instead of the two indices.
    MatrixWriter(
        state, "wmxml.xml", [](const ozm::TMatrix& m, const std::string& p) { m.SaveAsXMLFile(p); },
        "<cell ix=\"12\" iy=\"1234\">", "</cell>\r\n", true);
}

void BM_WriteArrayText(benchmark::State& state) {
    const ozm::TDouble2DArray a = MakeArray();
    const std::string path = TempPath("warray.txt");
    ozm::bench::Interleaved(
        state, [&] { ozm::openarrays::StoreArray(path, a, -1); },
        [&] {
            PlainOut out(path + ".ref");
            for (const auto& row : a) {
                for (size_t j = 0; j < row.size(); ++j) {
                    if (j > 0) out.Put(" ", 1);
                    out.Shortest(row[j]);
                }
                out.Put("\r\n", 2);
            }
        });
}

}  // namespace

BENCHMARK(BM_ReadVectorList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVectorColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVectorAsc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMatrixList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMatrixAsc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMatrixXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadArrayText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVectorList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVectorAsc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteMatrixList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteMatrixAsc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteMatrixXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteArrayText)->Unit(benchmark::kMillisecond);
