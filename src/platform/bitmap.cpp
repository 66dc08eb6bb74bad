#include "ozm/platform/bitmap.hpp"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>  // after jpeglib.h, which it needs
#include <png.h>

#include "ozm/platform/exceptions.hpp"

namespace ozm {

namespace {

constexpr int64_t kMaxPixels = int64_t{1} << 28;

struct FileCloser {
    void operator()(std::FILE* f) const noexcept {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void ReadFailure(const std::string& FileName) {
    throw EInOutError("Cannot read image file \"" + FileName + "\"");
}

void PutLE16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void PutLE32(uint8_t* p, uint32_t v) {
    PutLE16(p, v);
    PutLE16(p + 2, v >> 16);
}
uint32_t GetLE16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t GetLE32(const uint8_t* p) { return GetLE16(p) | (GetLE16(p + 2) << 16); }

// libjpeg reports fatal errors through error_exit; jump back to the caller's setjmp point.
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// Reading: a file that ends before its image data is a damaged file, not a grey lower half, so
// that warning of libjpeg is fatal here; the other warnings and the trace messages stay silent.
void JpegReadMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) JpegErrorExit(info);
}

// Both run between setjmp and any C++ object with a destructor, so the jump skips nothing.
bool WriteJpeg(std::FILE* file, const uint8_t* rgb, int width, int height, int quality) {
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);  // so that the error path may destroy it at any point
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + size_t(cinfo.next_scanline) * size_t(width) * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// Reads the header first so that the caller can size the buffer, then the pixels. alloc must not
// throw: an exception would skip jpeg_destroy_decompress.
bool ReadJpeg(std::FILE* file, uint8_t* (*alloc)(void*, int, int) noexcept, void* ctx) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.emit_message = JpegReadMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    uint8_t* rgb = alloc(ctx, width, height);
    if (!rgb) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb + size_t(cinfo.output_scanline) * size_t(width) * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

void TBitmap::SetSize(int Width, int Height) {
    Width = std::max(Width, 0);
    Height = std::max(Height, 0);
    if (int64_t{Width} * Height > kMaxPixels) throw EInOutError("Bitmap too large");
    std::vector<TColor> pixels(size_t(Width) * size_t(Height), 0);
    const int keep_w = std::min(Width, FWidth);
    const int keep_h = std::min(Height, FHeight);
    for (int y = 0; y < keep_h; ++y)
        std::copy_n(FPixels.begin() + ptrdiff_t(y) * FWidth, keep_w, pixels.begin() + ptrdiff_t(y) * Width);
    FPixels.swap(pixels);
    FWidth = Width;
    FHeight = Height;
}

TColor TBitmap::Pixel(int X, int Y) const noexcept {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
    return FPixels[size_t(Y) * size_t(FWidth) + size_t(X)];
}

void TBitmap::SetPixel(int X, int Y, TColor Color) noexcept {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
    FPixels[size_t(Y) * size_t(FWidth) + size_t(X)] = Color & 0x00FFFFFF;
}

void TBitmap::Fill(TColor Color) noexcept { std::fill(FPixels.begin(), FPixels.end(), Color & 0x00FFFFFF); }

void TBitmap::SaveToBMP(const std::string& FileName) const {
    if (FPixels.empty()) throw EInOutError("Cannot write an empty bitmap");
    const uint32_t row_bytes = (uint32_t(FWidth) * 3 + 3) & ~3u;
    const uint32_t image_bytes = row_bytes * uint32_t(FHeight);
    uint8_t header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    PutLE32(header + 2, 54 + image_bytes);
    PutLE32(header + 10, 54);
    PutLE32(header + 14, 40);
    PutLE32(header + 18, uint32_t(FWidth));
    PutLE32(header + 22, uint32_t(FHeight));
    PutLE16(header + 26, 1);
    PutLE16(header + 28, 24);
    PutLE32(header + 34, image_bytes);
    PutLE32(header + 38, 2835);  // 72 dpi
    PutLE32(header + 42, 2835);
    FilePtr f(std::fopen(FileName.c_str(), "wb"));
    if (!f) throw EInOutError("Cannot create file \"" + FileName + "\"");
    bool ok = std::fwrite(header, 1, sizeof header, f.get()) == sizeof header;
    std::vector<uint8_t> row(row_bytes, 0);
    for (int y = FHeight - 1; ok && y >= 0; --y) {  // BMP rows run bottom-up
        for (int x = 0; x < FWidth; ++x) {
            const TColor c = FPixels[size_t(y) * size_t(FWidth) + size_t(x)];
            row[size_t(x) * 3 + 0] = BlueOf(c);
            row[size_t(x) * 3 + 1] = GreenOf(c);
            row[size_t(x) * 3 + 2] = RedOf(c);
        }
        ok = std::fwrite(row.data(), 1, row.size(), f.get()) == row.size();
    }
    if (!ok || std::fclose(f.release()) != 0) throw EInOutError("Error writing file \"" + FileName + "\"");
}

void TBitmap::LoadFromBMP(const std::string& FileName) {
    FilePtr f(std::fopen(FileName.c_str(), "rb"));
    if (!f) ReadFailure(FileName);
    uint8_t header[54];
    if (std::fread(header, 1, sizeof header, f.get()) != sizeof header || header[0] != 'B' || header[1] != 'M')
        ReadFailure(FileName);
    const uint32_t offset = GetLE32(header + 10);
    const int32_t width = static_cast<int32_t>(GetLE32(header + 18));
    const int32_t raw_height = static_cast<int32_t>(GetLE32(header + 22));
    const uint32_t bits = GetLE16(header + 28);
    const uint32_t compression = GetLE32(header + 30);
    if (bits != 24 || compression != 0 || width <= 0 || raw_height == 0 || raw_height == INT32_MIN)
        ReadFailure(FileName);
    const bool bottom_up = raw_height > 0;
    const int32_t height = bottom_up ? raw_height : -raw_height;
    if (int64_t{width} * height > kMaxPixels) ReadFailure(FileName);
    if (std::fseek(f.get(), static_cast<long>(offset), SEEK_SET) != 0) ReadFailure(FileName);
    const size_t row_bytes = (size_t(width) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> row(row_bytes);
    std::vector<TColor> pixels(size_t(width) * size_t(height));
    for (int32_t i = 0; i < height; ++i) {
        if (std::fread(row.data(), 1, row_bytes, f.get()) != row_bytes) ReadFailure(FileName);
        const int32_t y = bottom_up ? height - 1 - i : i;
        for (int32_t x = 0; x < width; ++x)
            pixels[size_t(y) * size_t(width) + size_t(x)] =
                RGBColor(row[size_t(x) * 3 + 2], row[size_t(x) * 3 + 1], row[size_t(x) * 3]);
    }
    FPixels.swap(pixels);
    FWidth = width;
    FHeight = height;
}

void TBitmap::SaveToPNG(const std::string& FileName) const {
    if (FPixels.empty()) throw EInOutError("Cannot write an empty bitmap");
    std::vector<uint8_t> rgb(FPixels.size() * 3);
    for (size_t i = 0; i < FPixels.size(); ++i) {
        rgb[i * 3] = RedOf(FPixels[i]);
        rgb[i * 3 + 1] = GreenOf(FPixels[i]);
        rgb[i * 3 + 2] = BlueOf(FPixels[i]);
    }
    FilePtr f(std::fopen(FileName.c_str(), "wb"));
    if (!f) throw EInOutError("Cannot create file \"" + FileName + "\"");
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(FWidth);
    image.height = static_cast<png_uint_32>(FHeight);
    image.format = PNG_FORMAT_RGB;
    const bool ok = png_image_write_to_stdio(&image, f.get(), 0, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    if (!ok || std::fclose(f.release()) != 0) throw EInOutError("Error writing file \"" + FileName + "\"");
}

void TBitmap::LoadFromPNG(const std::string& FileName) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, FileName.c_str())) ReadFailure(FileName);
    image.format = PNG_FORMAT_RGB;
    if (int64_t{image.width} * image.height > kMaxPixels) {
        png_image_free(&image);
        ReadFailure(FileName);
    }
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        ReadFailure(FileName);
    }
    std::vector<TColor> pixels(size_t(image.width) * size_t(image.height));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = RGBColor(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
    FPixels.swap(pixels);
    FWidth = static_cast<int>(image.width);
    FHeight = static_cast<int>(image.height);
}

void TBitmap::SaveToJPEG(const std::string& FileName, int Quality) const {
    if (FPixels.empty()) throw EInOutError("Cannot write an empty bitmap");
    std::vector<uint8_t> rgb(FPixels.size() * 3);
    for (size_t i = 0; i < FPixels.size(); ++i) {
        rgb[i * 3] = RedOf(FPixels[i]);
        rgb[i * 3 + 1] = GreenOf(FPixels[i]);
        rgb[i * 3 + 2] = BlueOf(FPixels[i]);
    }
    FilePtr f(std::fopen(FileName.c_str(), "wb"));
    if (!f) throw EInOutError("Cannot create file \"" + FileName + "\"");
    const bool ok = WriteJpeg(f.get(), rgb.data(), FWidth, FHeight, std::clamp(Quality, 1, 100));
    if (!ok || std::fclose(f.release()) != 0) throw EInOutError("Error writing file \"" + FileName + "\"");
}

void TBitmap::LoadFromJPEG(const std::string& FileName) {
    FilePtr f(std::fopen(FileName.c_str(), "rb"));
    if (!f) ReadFailure(FileName);
    struct Target {
        std::vector<uint8_t> rgb;
        int width = 0, height = 0;
        bool out_of_memory = false;
    } target;
    auto alloc = [](void* ctx, int w, int h) noexcept -> uint8_t* {
        auto* t = static_cast<Target*>(ctx);
        if (w <= 0 || h <= 0 || int64_t{w} * h > kMaxPixels) return nullptr;
        try {
            t->rgb.assign(size_t(w) * size_t(h) * 3, 0);
        } catch (const std::bad_alloc&) {
            t->out_of_memory = true;
            return nullptr;
        }
        t->width = w;
        t->height = h;
        return t->rgb.data();
    };
    if (!ReadJpeg(f.get(), alloc, &target)) {
        if (target.out_of_memory) throw std::bad_alloc();
        ReadFailure(FileName);
    }
    std::vector<TColor> pixels(size_t(target.width) * size_t(target.height));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = RGBColor(target.rgb[i * 3], target.rgb[i * 3 + 1], target.rgb[i * 3 + 2]);
    FPixels.swap(pixels);
    FWidth = target.width;
    FHeight = target.height;
}

}  // namespace ozm
