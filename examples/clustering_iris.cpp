// k-means and Ward's hierarchical clustering of Fisher's iris measurements (150 flowers, four
// measures in cm; data/iris.csv, see data/README.md), each compared with the known species by
// the adjusted Rand index (1 = the same partition, about 0 = no better than chance). Ward's
// method runs on squared Euclidean distances, the form in which its update is the classical
// one; the tree is cut into three clusters. The dendrogram goes to iris_dendrogram.dat and,
// with gnuplot installed, to iris_dendrogram.png.
//
//   example_clustering_iris [iris.csv]   (default: data/iris.csv of the source tree)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ozm/math2.hpp"

namespace {

using ozm::TMatrix;

// sklearn's layout: a header line (count, features, names), then four numbers and the class.
bool ReadIris(const std::string& path, TMatrix& X, std::vector<int>& species) {
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line)) return false;
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        std::vector<double> v;
        std::string cell;
        while (std::getline(ss, cell, ',')) v.push_back(std::stod(cell));
        if (v.size() != 5) return false;
        rows.push_back(v);
    }
    if (rows.empty()) return false;
    X.Resize(4, static_cast<int>(rows.size()));
    species.clear();
    for (size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 4; ++c)
            X.SetVal(c + 1, static_cast<int>(r) + 1, rows[r][static_cast<size_t>(c)]);
        species.push_back(static_cast<int>(rows[r][4]));
    }
    return true;
}

// Hubert and Arabie's adjusted Rand index of two labelings (labels 0..K-1).
double AdjustedRand(const std::vector<int>& a, const std::vector<int>& b) {
    int ka = 0;
    int kb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ka = std::max(ka, a[i] + 1);
        kb = std::max(kb, b[i] + 1);
    }
    std::vector<double> t(static_cast<size_t>(ka * kb), 0.0);
    std::vector<double> ra(static_cast<size_t>(ka), 0.0);
    std::vector<double> rb(static_cast<size_t>(kb), 0.0);
    for (size_t i = 0; i < a.size(); ++i) {
        t[static_cast<size_t>(a[i] * kb + b[i])] += 1;
        ra[static_cast<size_t>(a[i])] += 1;
        rb[static_cast<size_t>(b[i])] += 1;
    }
    auto c2 = [](double x) { return x * (x - 1) / 2; };
    double sumT = 0;
    double sumA = 0;
    double sumB = 0;
    for (double x : t) sumT += c2(x);
    for (double x : ra) sumA += c2(x);
    for (double x : rb) sumB += c2(x);
    const double expected = sumA * sumB / c2(static_cast<double>(a.size()));
    const double maximum = (sumA + sumB) / 2;
    return (sumT - expected) / (maximum - expected);
}

void PrintTable(const char* title, const std::vector<int>& cl, const std::vector<int>& species) {
    std::printf("%s\n  cluster   setosa  versicolor  virginica\n", title);
    for (int c = 0; c < 3; ++c) {
        int cnt[3] = {0, 0, 0};
        for (size_t i = 0; i < cl.size(); ++i)
            if (cl[i] == c) ++cnt[species[i]];
        std::printf("  %7d %8d %11d %10d\n", c + 1, cnt[0], cnt[1], cnt[2]);
    }
    std::printf("  adjusted Rand index against the species: %.4f\n\n", AdjustedRand(cl, species));
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ozm;
    using namespace ozm::math2;
    const std::string path = argc > 1 ? argv[1] : std::string(OZM_DATA_DIR) + "/iris.csv";
    TMatrix X;
    std::vector<int> species;
    if (!ReadIris(path, X, species)) {
        std::fprintf(stderr, "cannot read the iris table from %s\n", path.c_str());
        return 1;
    }
    const int n = X.NrOfRows();
    std::printf("Iris: %d flowers, %d measures (cm)\n\n", n, X.NrOfColumns());

    // k-means, the start centres drawn with a fixed seed.
    TMatrix centers;
    TIntVector ix;
    TIntVector size;
    const double wss = kMeansClustering(X, 0, 0, 3, 11, centers, ix, size);
    std::vector<int> km(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i) km[static_cast<size_t>(i - 1)] = ix.GetVal(i) - 1;
    std::printf("k-means, k = 3: within-cluster sum of squares %.4f\n", wss);
    PrintTable("", km, species);

    // Ward's method on squared Euclidean distances, cut into three clusters: undo the last two
    // merges, i.e. follow every object up to the first cluster formed after step n - 3.
    TIntMatrix dendro;  // row s: the two clusters joined and the new identifier n + s
    TVector merge;
    TVector pos;
    if (AgglomClustering(nullptr, X, TDistMode::dmSqrEuclidean, TClusterMethod::cmWard, 0.5, dendro,
                         merge, pos) != 0)
        return 1;
    std::vector<int> parent(static_cast<size_t>(2 * n), 0);
    for (int s = 1; s < n; ++s) {
        parent[static_cast<size_t>(dendro.GetVal(1, s))] = n + s;
        parent[static_cast<size_t>(dendro.GetVal(2, s))] = n + s;
    }
    const int lastKept = 2 * n - 3;  // clusters up to this identifier exist with 3 clusters left
    std::vector<int> top;
    std::vector<int> ward(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i) {
        int id = i;
        while (parent[static_cast<size_t>(id)] != 0 && parent[static_cast<size_t>(id)] <= lastKept)
            id = parent[static_cast<size_t>(id)];
        auto it = std::find(top.begin(), top.end(), id);
        if (it == top.end()) {
            top.push_back(id);
            it = top.end() - 1;
        }
        ward[static_cast<size_t>(i - 1)] = static_cast<int>(it - top.begin());
    }
    std::printf(
        "Ward's method, tree cut at three clusters (last merge heights %.3f, %.3f as\n"
        "square roots of the squared-distance form)\n",
        std::sqrt(merge.GetVal(n - 2)), std::sqrt(merge.GetVal(n - 1)));
    PrintTable("", ward, species);

    // The dendrogram: each merge as a bracket from the children's heights to its own.
    const std::string dat = "iris_dendrogram.dat";
    {
        std::ofstream out(dat);
        std::vector<double> height(static_cast<size_t>(2 * n), 0.0);
        for (int s = 1; s < n; ++s) {
            const int a = dendro.GetVal(1, s);
            const int b = dendro.GetVal(2, s);
            const double h = std::sqrt(merge.GetVal(s));
            height[static_cast<size_t>(n + s)] = h;
            const double x1 = pos.GetVal(a);
            const double x2 = pos.GetVal(b);
            out << x1 << ' ' << height[static_cast<size_t>(a)] << '\n'
                << x1 << ' ' << h << '\n'
                << x2 << ' ' << h << '\n'
                << x2 << ' ' << height[static_cast<size_t>(b)] << "\n\n";
        }
    }
    const std::string png = "iris_dendrogram.png";
    std::FILE* gp = std::system("command -v gnuplot >/dev/null 2>&1") == 0
                        ? popen("gnuplot 2>/dev/null", "w")
                        : nullptr;
    if (gp == nullptr) {
        std::printf("gnuplot not found: the dendrogram segments are in %s\n", dat.c_str());
        return 0;
    }
    std::fprintf(gp, "set terminal png size 1400,700\nset output '%s'\n", png.c_str());
    std::fprintf(gp, "set title \"Iris: Ward's method (heights as Euclidean distances)\"\n");
    std::fprintf(gp, "set xlabel 'flowers in leaf order'\nset ylabel 'merge height'\n");
    std::fprintf(gp, "unset key\nset xrange [0:%d]\nplot '%s' with lines lc rgb '#204080'\n", n + 1,
                 dat.c_str());
    if (pclose(gp) == 0)
        std::printf("dendrogram drawn to %s\n", png.c_str());
    else
        std::printf("gnuplot failed; the dendrogram segments are in %s\n", dat.c_str());
    return 0;
}
