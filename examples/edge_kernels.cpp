// Runs the compass and Kirsch edge kernels over a real photograph (data/chelsea.png, "Chelsea
// the cat", CC0, see data/README.md) and saves the edge map as PNG.
//
//   example_edge_kernels [output folder]   (default: the system's temporary folder)
//
// The grey values are first smoothed with a normalised 5 x 5 Gaussian from Gauss2D (through
// KernelConvolve); the edge strength of a pixel is the largest response of the eight Kirsch
// directions, and the direction that gave it is kept; the compass kernels give a third panel.
// The program also measures how fast the picture decorrelates with distance: CalcImgCorrelation
// of the grey values of the picture with itself shifted by 1 to 32 pixels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ozm/base/colors.hpp"
#include "ozm/math2.hpp"
#include "ozm/platform/bitmap.hpp"

namespace {

// A file of the data folder of the source tree (the build passes its path).
std::filesystem::path FindDataFile(const std::string& name) {
    return std::filesystem::path(OZM_DATA_DIR) / name;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path photo = FindDataFile("chelsea.png");
    const std::filesystem::path outDir =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    ozm::TBitmap img;
    try {
        img.LoadFromPNG(photo.string());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const int w = img.Width(), h = img.Height();
    std::printf("photograph %s: %d x %d pixels\n", photo.filename().string().c_str(), w, h);

    // Grey values, [row][column].
    ozm::TDouble2DArray grey(static_cast<size_t>(h), ozm::TDoubleArray(static_cast<size_t>(w)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            grey[static_cast<size_t>(y)][static_cast<size_t>(x)] = ozm::RGBtoGray(img.Pixel(x, y));

    using namespace ozm::math2;
    ozm::TDouble2DArray gauss(5, ozm::TDoubleArray(5));
    Gauss2D(3, 3, 1.2, 1.0, gauss);
    double total = 0;
    for (const auto& r : gauss)
        for (double v : r) total += v;
    for (auto& r : gauss)
        for (double& v : r) v /= total;
    ozm::TDouble2DArray smooth, response,
        strength(static_cast<size_t>(h), ozm::TDoubleArray(static_cast<size_t>(w), -1e300));
    std::vector<std::vector<int>> direction(static_cast<size_t>(h),
                                            std::vector<int>(static_cast<size_t>(w), 0));
    int lastPercent = 0;
    KernelConvolve(gauss, grey, smooth, [&](ozm::TObject*, int pct) { lastPercent = pct; });
    std::printf("Gaussian smoothing: progress reached %d\n", lastPercent);

    for (int d = 0; d < 8; ++d) {
        if (ApplyKirschKernel(d, smooth, response, nullptr) != 0) return 1;
        for (size_t y = 0; y < response.size(); ++y)
            for (size_t x = 0; x < response[y].size(); ++x)
                if (response[y][x] > strength[y][x])
                    strength[y][x] = response[y][x], direction[y][x] = d;
    }
    // The same with the compass kernels (weights 1, -1, -2: a smaller scale, broader response).
    ozm::TDouble2DArray compassStrength(static_cast<size_t>(h),
                                        ozm::TDoubleArray(static_cast<size_t>(w), -1e300));
    for (int d = 0; d < 8; ++d) {
        if (ApplyCompassKernel(d, smooth, response, nullptr) != 0) return 1;
        for (size_t y = 0; y < response.size(); ++y)
            for (size_t x = 0; x < response[y].size(); ++x)
                compassStrength[y][x] = std::max(compassStrength[y][x], response[y][x]);
    }

    double maxStrength = 0, maxCompass = 0;
    for (const auto& r : strength)
        for (double v : r) maxStrength = std::max(maxStrength, v);
    for (const auto& r : compassStrength)
        for (double v : r) maxCompass = std::max(maxCompass, v);
    // The edge map: brightness from the strength (gamma 0.6 so faint edges stay visible), hue from
    // the Kirsch direction of the strongest response.
    static const ozm::TColor dirColour[8] = {
        ozm::RGBColor(255, 80, 80),   ozm::RGBColor(255, 170, 60), ozm::RGBColor(230, 230, 60),
        ozm::RGBColor(90, 230, 90),   ozm::RGBColor(80, 220, 220), ozm::RGBColor(90, 140, 255),
        ozm::RGBColor(170, 100, 255), ozm::RGBColor(255, 90, 200)};
    ozm::TBitmap edges(3 * w, h);
    long strongPixels = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double s =
                std::pow(std::max(0.0, strength[static_cast<size_t>(y)][static_cast<size_t>(x)]) /
                             maxStrength,
                         0.6);
            if (s > 0.5) ++strongPixels;
            const uint8_t g = static_cast<uint8_t>(std::lround(255 * s));
            edges.SetPixel(x, y, ozm::RGBColor(g, g, g));
            const ozm::TColor c =
                dirColour[direction[static_cast<size_t>(y)][static_cast<size_t>(x)]];
            edges.SetPixel(w + x, y,
                           ozm::RGBColor(static_cast<uint8_t>(ozm::RedOf(c) * s),
                                         static_cast<uint8_t>(ozm::GreenOf(c) * s),
                                         static_cast<uint8_t>(ozm::BlueOf(c) * s)));
            const double sc = std::pow(
                std::max(0.0, compassStrength[static_cast<size_t>(y)][static_cast<size_t>(x)]) /
                    maxCompass,
                0.6);
            const uint8_t gc = static_cast<uint8_t>(std::lround(255 * sc));
            edges.SetPixel(2 * w + x, y, ozm::RGBColor(gc, gc, gc));
        }
    std::printf("Kirsch edge strength: maximum %.1f, %ld pixels above half of the (gamma) scale\n",
                maxStrength, strongPixels);
    const std::string out = (outDir / "chelsea_edges.png").string();
    edges.SaveToPNG(out);
    std::printf("edge map (Kirsch strength, Kirsch direction as colour, compass strength): %s\n",
                out.c_str());

    std::printf("grey-value correlation of the photograph with itself shifted to the right:\n");
    for (int shift : {1, 2, 4, 8, 16, 32}) {
        const ozm::TRect a1{0, 0, w - 1 - shift, h - 1}, a2{shift, 0, w - 1, h - 1};
        std::printf("  %2d px: r = %.4f\n", shift,
                    CalcImgCorrelation(img, img, a1, a2, ozm::TImgCompareMode::icmGrayValues));
    }
    return 0;
}
