// Flood-fills a raster and saves it as a PNG image: on a small terrain model, the contour band
// around a point (every cell connected to it whose height lies within +-12 m of the point's
// height) is filled by the double flood fill with a tolerance, and the terrain is painted as a
// relief with the filled band in blue and its bounding box in red.
//
// Usage: example_floodfill_png [output.png]   (default: floodfill.png in the temporary folder)
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ozm/openarrays.hpp"

int main(int argc, char** argv) {
    using namespace ozm;
    namespace oa = ozm::openarrays;

    const std::string output =
        argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "floodfill.png").string();

    // Terrain heights in metres on a 240 x 160 grid, A[x][y]: two hills, a valley and a ridge.
    const int width = 240, height = 160;
    TDouble2DArray terrain(width, TDoubleArray(height));
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) {
            const double u = x / double(width), v = y / double(height);
            const double hill1 = (u - 0.25) * (u - 0.25) + (v - 0.3) * (v - 0.3);
            const double hill2 = (u - 0.75) * (u - 0.75) + (v - 0.7) * (v - 0.7);
            terrain[x][y] = 120 * std::exp(-18 * hill1) + 90 * std::exp(-14 * hill2) +
                            40 * std::fabs(std::sin(6 * u + 2 * v)) + 15 * v;
        }
    double lowest = 0, highest = 0;
    oa::MinMaxArray(terrain, lowest, highest);

    // Fill the band: every cell connected to the seed whose height lies within +-12 m of the
    // seed's height. The marker value lies below every height, so it never matches the band.
    const int seedX = 150, seedY = 40;
    const double band = 12;
    TDouble2DArray filled = terrain;
    int maxY = 0, minY = 0, minX = 0, maxX = 0;
    constexpr double kMarker = -1000;
    const int cells =
        oa::FloodFillArray(seedX, seedY, band, kMarker, filled, maxY, minY, minX, maxX);
    if (cells < 0) {
        std::fprintf(stderr, "flood fill failed with %d\n", cells);
        return 1;
    }
    std::printf("terrain          %.1f m .. %.1f m\n", lowest, highest);
    std::printf("seed             (%d, %d) at %.1f m, band +-%.0f m\n", seedX, seedY,
                terrain[seedX][seedY], band);
    std::printf("filled cells     %d of %d (%.1f %%)\n", cells, width * height,
                100.0 * cells / (width * height));
    std::printf("bounding box     x %d..%d, y %d..%d\n", minX, maxX, minY, maxY);

    // Paint: grey relief by height, the filled band in blue, its bounding box in red.
    TInt2DArray image(width, TIntArray(height));
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) {
            const auto shade = static_cast<uint32_t>(
                60 + 180 * (terrain[x][y] - lowest) / (highest - lowest));
            uint32_t colour = shade | (shade << 8) | (shade << 16);
            if (filled[x][y] == kMarker) colour = 0xC0 << 16 | (shade / 3) << 8 | 0x20;
            const bool onBox = ((x == minX || x == maxX) && y >= minY && y <= maxY) ||
                               ((y == minY || y == maxY) && x >= minX && x <= maxX);
            if (onBox) colour = 0x0000E0;
            image[x][y] = static_cast<int32_t>(colour);
        }
    const int rc = oa::SaveArrayAsImg(output, image, 3);
    if (rc != 0) {
        std::fprintf(stderr, "SaveArrayAsImg failed with %d\n", rc);
        return 1;
    }
    std::printf("image            %s (%d x %d pixels)\n", output.c_str(), 3 * width, 3 * height);
    return 0;
}
