// A self-organizing map of Fisher's iris measurements (150 flowers, four measures in cm;
// data/iris.csv, see data/README.md). An 8 x 8 map is trained on the standardized measures; every
// flower is then mapped to its best-matching neuron, and each neuron is coloured by the species
// most of its flowers belong to (setosa red, versicolor green, virginica blue, brighter with
// more flowers; grey for neurons no flower maps to). The species are not shown to the map: a
// map that keeps the species apart in separate regions has found them from the measures alone.
// The picture goes to iris_som.png; the quantisation and topographic errors are printed.
//
//   example_self_organizing_map [iris.csv [picture.png]]
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "ozm/datatable.hpp"
#include "ozm/kohonen.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/bitmap.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

int main(int argc, char** argv) {
    using namespace ozm;
    const std::string path = argc > 1 ? argv[1] : std::string(OZM_DATA_DIR) + "/iris.csv";
    const std::string png = argc > 2 ? argv[2] : "iris_som.png";

    TDataTable table;
    if (const int rc = table.ImportFromCSV(path); rc != 0 || table.NrOfColumns() != 5) {
        std::fprintf(stderr, "%s: cannot import as the iris table (code %d)\n", path.c_str(), rc);
        return 1;
    }
    // The header line of the file names the species after the two counts.
    const std::string species[3] = {table.GetColName(3), table.GetColName(4), table.GetColName(5)};
    const int n = table.NrOfRows();
    TMatrix measures;
    measures.Resize(4, n);
    for (int c = 1; c <= 4; ++c)
        for (int r = 1; r <= n; ++r) measures.SetVal(c, r, table.GetElem(c, r));

    constexpr int kSide = 8;
    TKohonen map;
    map.SetDataMat(measures);
    map.StandardizeData();
    map.SetSizeX(kSide);
    map.SetSizeY(kSide);
    map.SetInitialNeighbors(4);
    map.SetNrOfTrnSteps(100);
    map.SetInitialAlpha(0.5);
    map.OnFeedback = [](TObject*, int percent) {
        if (percent % 25 == 0) std::printf("  training %3d %%\n", percent);
    };
    SetRandSeed(2026);
    std::printf("Iris: %d flowers, 4 measures; a %d x %d map, %d steps\n", n, kSide, kSide,
                map.NrOfTrnSteps());
    map.Trainit();

    // Flowers per neuron and species.
    std::vector<std::array<int, 3>> counts(kSide * kSide, {0, 0, 0});
    TVector flower;
    flower.Resize(4);
    for (int r = 1; r <= n; ++r) {
        for (int c = 1; c <= 4; ++c) flower.SetVal(c, measures.GetVal(c, r));
        int bx = 0, by = 0;
        double dist = 0;
        map.ApplyIt(flower, bx, by, dist);
        const int s = static_cast<int>(table.GetElem(5, r));
        if (s >= 0 && s < 3) ++counts[static_cast<size_t>((bx - 1) * kSide + by - 1)][s];
    }

    constexpr int kCell = 40;
    TBitmap bmp(kSide * kCell, kSide * kCell);
    bmp.Fill(RGBColor(0, 0, 0));
    int pure = 0, used = 0;
    std::printf("\nMajority species per neuron (s setosa, c versicolor, v virginica, . none):\n");
    for (int y = 1; y <= kSide; ++y) {
        std::printf("  ");
        for (int x = 1; x <= kSide; ++x) {
            const auto& cnt = counts[static_cast<size_t>((x - 1) * kSide + y - 1)];
            const int total = cnt[0] + cnt[1] + cnt[2];
            const int major =
                static_cast<int>(std::max_element(cnt.begin(), cnt.end()) - cnt.begin());
            TColor colour = RGBColor(110, 110, 110);
            if (total > 0) {
                ++used;
                pure += cnt[major] == total;
                const auto level = static_cast<uint8_t>(std::min(255, 120 + 20 * total));
                colour = major == 0   ? RGBColor(level, 40, 40)
                         : major == 1 ? RGBColor(40, level, 40)
                                      : RGBColor(40, 40, level);
            }
            std::printf("%c", total == 0 ? '.' : "scv"[major]);
            for (int py = 1; py < kCell - 1; ++py)
                for (int px = 1; px < kCell - 1; ++px)
                    bmp.SetPixel((x - 1) * kCell + px, (y - 1) * kCell + py, colour);
        }
        std::printf("\n");
    }
    bmp.SaveToPNG(png);
    std::printf("\n%d of %d neurons hold flowers, %d of them of one species only\n", used,
                kSide * kSide, pure);
    std::printf("species: %s, %s, %s\n", species[0].c_str(), species[1].c_str(),
                species[2].c_str());
    std::printf("quantisation error %.4f (mean distance to the best neuron, standardized units)\n",
                map.QuantizationError());
    std::printf(
        "topographic error  %.4f (share of flowers whose two best neurons are not "
        "neighbours)\n",
        map.TopographicError());
    std::printf("picture: %s\n", png.c_str());
    return 0;
}
