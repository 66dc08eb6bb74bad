// An image stack from a real photograph: the NASA portrait of astronaut Eileen Collins (public
// domain, shipped as sample data by Debian's python3-skimage, copied to data/astronaut.png). The
// three colour channels become the layers of a TMat4D; its time slots are the frames of a slow
// camera pan across the photograph (each frame the next 6 pixels to the right). The stack is saved
// as a record file, read back layer by layer (TMat4D::ReadLayer) and by Read4DLayer, and reduced
// over all channels and frames with the four layer reductions; each reduction is written as a
// grey-scale PNG: the mean is the pan's motion blur, maximum and minimum its bright and dark
// trails, the standard deviation lights up the edges that the pan moves.
//
// Usage: example_image_stack [photo.png [output folder]]
#include <cstdio>
#include <filesystem>
#include <string>

#include "ozm/matrix.hpp"
#include "ozm/platform/bitmap.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/threads.hpp"

namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 12;
constexpr int kStep = 6;  // pixels per frame of the pan

// data/astronaut.png of the source tree (the build passes the data folder).
fs::path DefaultPhoto() { return fs::path(OZM_DATA_DIR) / "astronaut.png"; }

// Writes the matrix as a grey-scale PNG, its range stretched to 0..255.
void SavePng(const ozm::TMatrix& m, const fs::path& file) {
    double lo = m.GetVal(1, 1), hi = lo;
    for (int c = 1; c <= m.NrOfColumns(); ++c)
        for (int r = 1; r <= m.NrOfRows(); ++r) {
            lo = std::min(lo, m.GetVal(c, r));
            hi = std::max(hi, m.GetVal(c, r));
        }
    const double scale = hi > lo ? 255.0 / (hi - lo) : 0.0;
    ozm::TBitmap bmp(m.NrOfColumns(), m.NrOfRows());
    for (int c = 1; c <= m.NrOfColumns(); ++c)
        for (int r = 1; r <= m.NrOfRows(); ++r) {
            const auto g = static_cast<uint8_t>((m.GetVal(c, r) - lo) * scale + 0.5);
            bmp.SetPixel(c - 1, r - 1, ozm::RGBColor(g, g, g));
        }
    bmp.SaveToPNG(file.string());
    std::printf("  %-22s range %7.2f .. %7.2f  -> %s\n", file.filename().string().c_str(), lo, hi,
                file.string().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path photo = argc > 1 ? fs::path(argv[1]) : DefaultPhoto();
    const fs::path out = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "ozm_image_stack";
    fs::create_directories(out);

    ozm::TBitmap bmp;
    try {
        bmp.LoadFromPNG(photo.string());
    } catch (const ozm::Exception& e) {
        std::fprintf(stderr, "cannot read %s: %s\n", photo.string().c_str(), e.what());
        return 1;
    }
    const int width = bmp.Width() - kStep * (kFrames - 1);
    if (width < 1) {
        std::fprintf(stderr, "the photograph is too narrow for the pan\n");
        return 1;
    }
    std::printf("photograph %s: %d x %d pixels\n", photo.string().c_str(), bmp.Width(), bmp.Height());

    // Columns x rows x 3 channels x frames.
    ozm::TMat4D stack;
    stack.SetDataID("astronaut pan");
    stack.Resize(width, bmp.Height(), 3, kFrames);
    for (int t = 1; t <= kFrames; ++t)
        for (int y = 1; y <= bmp.Height(); ++y)
            for (int x = 1; x <= width; ++x) {
                const ozm::TColor px = bmp.Pixel(x - 1 + (t - 1) * kStep, y - 1);
                stack.SetVal(x, y, 1, t, ozm::RedOf(px));
                stack.SetVal(x, y, 2, t, ozm::GreenOf(px));
                stack.SetVal(x, y, 3, t, ozm::BlueOf(px));
            }
    std::printf("stack %d x %d x %d x %d (%.1f MB)\n", stack.NrOfColumns(), stack.NrOfRows(),
                stack.NrOfLayers(), stack.NrOfTimeSlots(), stack.MemoryConsumed());

    // The record file, then every layer read back on its own.
    const fs::path file = out / "astronaut_pan.stk";
    if (!stack.SaveBinary(file.string())) {
        std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
        return 1;
    }
    int nx, ny, nz, nt, format;
    std::string id;
    const bool readable = stack.ReadBinaryHeader(file.string(), nx, ny, nz, nt, id, format);
    std::printf("record file %s: %lld bytes, header %d x %d x %d x %d \"%s\" format %d (%s)\n",
                file.string().c_str(), static_cast<long long>(fs::file_size(file)), nx, ny, nz, nt,
                id.c_str(), format, readable ? "readable" : "not readable");
    ozm::TMat4D back;
    back.Resize(nx, ny, nz, nt);
    int failures = 0;
    for (int t = 1; t <= nt; ++t)
        for (int z = 1; z <= nz; ++z) failures += back.ReadLayer(file.string(), z, t) != 0;
    std::printf("layers read back: %d failures, cells %s\n", failures,
                back.CRCofData() == stack.CRCofData() ? "identical" : "DIFFER");
    ozm::TDouble2DArray green;
    const int code = ozm::matrix::Read4DLayer(file.string(), 2, kFrames, green);
    std::printf("Read4DLayer(green, last frame): %d, %zu x %zu, pixel (200, 100) = %.0f\n", code,
                green.size(), green.empty() ? size_t{0} : green[0].size(),
                green.size() > 199 ? green[199][99] : 0.0);

    // The four reductions over all channels and frames.
    std::printf("reductions with %d threads:\n", ozm::ProcessorCount());
    ozm::TMatrix result;
    back.MeanOfLayersToMatrix(&result, 0, 0, 0, 0, 0, 0, 0, 0);
    SavePng(result, out / "stack_mean.png");
    back.MaximumOfLayersToMatrix(&result, 0, 0, 0, 0, 0, 0, 0, 0);
    SavePng(result, out / "stack_maximum.png");
    back.MinimumOfLayersToMatrix(&result, 0, 0, 0, 0, 0, 0, 0, 0);
    SavePng(result, out / "stack_minimum.png");
    back.StdDevOfLayersToMatrix(&result, 0, 0, 0, 0, 0, 0, 0, 0);
    SavePng(result, out / "stack_stddev.png");
    return failures == 0 && code == 0 ? 0 : 1;
}
