#include "ozm/platform/bitmap.hpp"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>  // after jpeglib.h, which it needs
#include <png.h>

#include "ozm/platform/exceptions.hpp"
#include "platform/image_codecs.hpp"

namespace ozm {

namespace imaging {

namespace {

void PutLE16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void PutLE32(uint8_t* p, uint32_t v) {
    PutLE16(p, v);
    PutLE16(p + 2, v >> 16);
}
uint32_t GetLE16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t GetLE32(const uint8_t* p) { return GetLE16(p) | (GetLE16(p + 2) << 16); }
uint32_t GetBE32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

bool SizeIsAllowed(int64_t Width, int64_t Height) {
    return Width > 0 && Height > 0 && Width <= kMaxPixels / Height;
}

std::vector<uint8_t> ToRGB(std::span<const TColor> Pixels) {
    std::vector<uint8_t> rgb(Pixels.size() * 3);
    for (size_t i = 0; i < Pixels.size(); ++i) {
        rgb[i * 3] = RedOf(Pixels[i]);
        rgb[i * 3 + 1] = GreenOf(Pixels[i]);
        rgb[i * 3 + 2] = BlueOf(Pixels[i]);
    }
    return rgb;
}

// --- JPEG ----------------------------------------------------------------------------------------

// libjpeg reports fatal errors through error_exit; jump back to the caller's setjmp point.
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// Warnings of libjpeg mean damaged pixel data (a scan cut short or closed by a marker, a bad
// code, extraneous bytes), which it would decode as grey or garbage: they end the read. Only
// the warnings about metadata that does not touch the pixels stay silent, as do trace messages.
void JpegReadMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    switch (info->err->msg_code) {
        case JWRN_JFIF_MAJOR:
        case JWRN_ADOBE_XFORM:
        case JWRN_BOGUS_ICC:
            return;
        default:
            JpegErrorExit(info);
    }
}

// Called while the input is absorbed: a file of many scans would otherwise decode the whole
// image once per scan.
void JpegProgress(j_common_ptr info) {
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans)
        JpegErrorExit(info);
}

// Runs between setjmp and any C++ object with a destructor, so the jump skips nothing.
bool WriteJpeg(const uint8_t* rgb, int width, int height, int quality, unsigned char** out,
               unsigned long* out_size) {
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
    jpeg_mem_dest(&cinfo, out, out_size);
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

// Where the decoded rows go. The callbacks must not throw: an exception would skip
// jpeg_destroy_decompress. Begin returns a row buffer of 3 Width bytes, or null to refuse.
struct JpegSink {
    uint8_t* (*Begin)(JpegSink&, int Width, int Height) noexcept;
    bool (*Row)(JpegSink&) noexcept;
};

bool ReadJpeg(const uint8_t* data, size_t size, JpegSink* sink) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    JpegError err;
    jpeg_progress_mgr progress;
    std::memset(&progress, 0, sizeof progress);
    progress.progress_monitor = JpegProgress;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.emit_message = JpegReadMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress;
    // Whole-image buffers of multi-scan files: 128 coefficient bytes per block and component,
    // and a Huffman-coded block takes at least one bit of the file.
    constexpr size_t kWorkFloor = size_t{64} << 20;
    cinfo.mem->max_memory_to_use =
        static_cast<long>(std::max(kWorkFloor, std::min(size, size_t{1} << 40) * 1024));
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    // The arithmetic decoder reads a scan cut short as zeros without a warning, so damage would
    // go unnoticed (and a few bytes decode to any size); such files are refused.
    if (cinfo.arith_code || !SizeIsAllowed(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    uint8_t* row = sink->Begin(*sink, static_cast<int>(cinfo.output_width),
                               static_cast<int>(cinfo.output_height));
    if (row == nullptr || cinfo.output_components != 3) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1 || !sink->Row(*sink)) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// The image grows by the rows libjpeg delivers, so memory follows the data that is there.
struct JpegImageSink : JpegSink {
    TImage* Image = nullptr;
    std::vector<uint8_t> RowBuffer;
    bool OutOfMemory = false;

    explicit JpegImageSink(TImage& Target) : JpegSink{&BeginImage, &AppendRow}, Image(&Target) {}

    static uint8_t* BeginImage(JpegSink& Base, int Width, int Height) noexcept {
        auto& self = static_cast<JpegImageSink&>(Base);
        if (!SizeIsAllowed(Width, Height)) return nullptr;
        try {
            self.RowBuffer.assign(size_t(Width) * 3, 0);
            self.Image->Pixels.clear();
        } catch (const std::bad_alloc&) {
            self.OutOfMemory = true;
            return nullptr;
        }
        self.Image->Width = Width;
        self.Image->Height = Height;
        return self.RowBuffer.data();
    }

    static bool AppendRow(JpegSink& Base) noexcept {
        auto& self = static_cast<JpegImageSink&>(Base);
        std::vector<TColor>& pixels = self.Image->Pixels;
        const uint8_t* rgb = self.RowBuffer.data();
        const size_t width = size_t(self.Image->Width);
        try {
            // Geometric growth up to the announced size (reserve alone would grow row by row).
            if (pixels.capacity() - pixels.size() < width) {
                const size_t total = width * size_t(self.Image->Height);
                const size_t wanted = std::max(2 * pixels.capacity(), pixels.size() + width);
                pixels.reserve(std::min(total, wanted));
            }
        } catch (const std::bad_alloc&) {
            self.OutOfMemory = true;
            return false;
        }
        for (size_t x = 0; x < width; ++x)
            pixels.push_back(RGBColor(rgb[x * 3], rgb[x * 3 + 1], rgb[x * 3 + 2]));
        return true;
    }
};

// --- PNG -----------------------------------------------------------------------------------------

// Deflate expands a byte to at most 1032 bytes (a 258-byte match coded in two bits).
constexpr int64_t kMaxInflation = 1032;

// Whether the IDAT chunks present in Bytes can inflate to the pixel data of the header, which
// takes at least Width * Height * bits per pixel / 8 bytes.
bool PngDataCanHoldPixels(std::span<const uint8_t> Bytes) {
    constexpr size_t kSignature = 8;
    if (Bytes.size() < kSignature + 8 + 13) return false;
    const uint8_t* ihdr = Bytes.data() + kSignature;
    if (std::memcmp(ihdr + 4, "IHDR", 4) != 0 || GetBE32(ihdr) < 13) return false;
    const int64_t width = GetBE32(ihdr + 8);
    const int64_t height = GetBE32(ihdr + 12);
    const int bit_depth = ihdr[16];
    int channels = 1;
    switch (ihdr[17]) {
        case 2: channels = 3; break;
        case 4: channels = 2; break;
        case 6: channels = 4; break;
        default: channels = 1; break;
    }
    if (!SizeIsAllowed(width, height)) return false;
    const int64_t pixel_bytes = width * height / 8 * bit_depth * channels;
    int64_t idat = 0;
    for (size_t pos = kSignature; Bytes.size() - pos >= 8;) {
        const int64_t length = GetBE32(Bytes.data() + pos);
        const bool is_idat = std::memcmp(Bytes.data() + pos + 4, "IDAT", 4) == 0;
        const int64_t present = std::min<int64_t>(length, int64_t(Bytes.size() - pos - 8));
        if (is_idat) idat += present;
        if (present < length || Bytes.size() - pos - 8 - size_t(present) < 4) break;
        pos += 8 + size_t(length) + 4;
    }
    return pixel_bytes <= kMaxInflation * (idat + 1);
}

}  // namespace

bool DecodeBMP(std::span<const uint8_t> Bytes, TImage& Image) {
    constexpr size_t kHeaderBytes = 54;
    if (Bytes.size() < kHeaderBytes || Bytes[0] != 'B' || Bytes[1] != 'M') return false;
    const uint8_t* header = Bytes.data();
    const uint32_t offset = GetLE32(header + 10);
    const uint32_t info_size = GetLE32(header + 14);
    const int32_t width = static_cast<int32_t>(GetLE32(header + 18));
    const int32_t raw_height = static_cast<int32_t>(GetLE32(header + 22));
    const uint32_t bits = GetLE16(header + 28);
    const uint32_t compression = GetLE32(header + 30);
    if (info_size < 40 || bits != 24 || compression != 0 || width <= 0 || raw_height == 0 ||
        raw_height == INT32_MIN)
        return false;
    const bool bottom_up = raw_height > 0;
    const int32_t height = bottom_up ? raw_height : -raw_height;
    if (!SizeIsAllowed(width, height)) return false;
    // The rows must all be in the file before the pixels are allocated.
    const size_t row_bytes = (size_t(width) * 3 + 3) & ~size_t{3};
    if (offset > Bytes.size() || (Bytes.size() - offset) / row_bytes < size_t(height)) return false;
    Image.Pixels.assign(size_t(width) * size_t(height), 0);
    for (int32_t i = 0; i < height; ++i) {
        const uint8_t* row = Bytes.data() + offset + size_t(i) * row_bytes;
        TColor* out = Image.Pixels.data() + size_t(bottom_up ? height - 1 - i : i) * size_t(width);
        for (int32_t x = 0; x < width; ++x)
            out[x] = RGBColor(row[size_t(x) * 3 + 2], row[size_t(x) * 3 + 1], row[size_t(x) * 3]);
    }
    Image.Width = width;
    Image.Height = height;
    return true;
}

bool DecodePNG(std::span<const uint8_t> Bytes, TImage& Image) {
    if (!PngDataCanHoldPixels(Bytes)) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, Bytes.data(), Bytes.size())) return false;
    // libpng frees its state itself after a failure, and png_image_free is harmless afterwards.
    struct Freer {
        png_image* Image;
        ~Freer() { png_image_free(Image); }
    } freer{&image};
    image.format = PNG_FORMAT_RGB;
    if (!SizeIsAllowed(image.width, image.height)) return false;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
    Image.Pixels.resize(size_t(image.width) * size_t(image.height));
    for (size_t i = 0; i < Image.Pixels.size(); ++i)
        Image.Pixels[i] = RGBColor(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
    Image.Width = static_cast<int>(image.width);
    Image.Height = static_cast<int>(image.height);
    return true;
}

bool DecodeJPEG(std::span<const uint8_t> Bytes, TImage& Image) {
    if (Bytes.empty()) return false;
    JpegImageSink sink(Image);
    const bool ok = ReadJpeg(Bytes.data(), Bytes.size(), &sink);
    if (sink.OutOfMemory) throw std::bad_alloc();
    return ok && Image.Pixels.size() == size_t(Image.Width) * size_t(Image.Height);
}

bool EncodeBMP(int Width, int Height, std::span<const TColor> Pixels, std::vector<uint8_t>& Bytes) {
    const size_t row_bytes = (size_t(Width) * 3 + 3) & ~size_t{3};
    const uint64_t image_bytes = uint64_t{row_bytes} * uint64_t(Height);
    if (Width <= 0 || Height <= 0 || Pixels.size() != size_t(Width) * size_t(Height) ||
        image_bytes > UINT32_MAX - 54)
        return false;
    Bytes.assign(54 + image_bytes, 0);
    uint8_t* header = Bytes.data();
    header[0] = 'B';
    header[1] = 'M';
    PutLE32(header + 2, uint32_t(54 + image_bytes));
    PutLE32(header + 10, 54);
    PutLE32(header + 14, 40);
    PutLE32(header + 18, uint32_t(Width));
    PutLE32(header + 22, uint32_t(Height));
    PutLE16(header + 26, 1);
    PutLE16(header + 28, 24);
    PutLE32(header + 34, uint32_t(image_bytes));
    PutLE32(header + 38, 2835);  // 72 dpi
    PutLE32(header + 42, 2835);
    for (int y = 0; y < Height; ++y) {  // BMP rows run bottom-up
        uint8_t* row = Bytes.data() + 54 + size_t(Height - 1 - y) * row_bytes;
        const TColor* in = Pixels.data() + size_t(y) * size_t(Width);
        for (int x = 0; x < Width; ++x) {
            row[size_t(x) * 3 + 0] = BlueOf(in[x]);
            row[size_t(x) * 3 + 1] = GreenOf(in[x]);
            row[size_t(x) * 3 + 2] = RedOf(in[x]);
        }
    }
    return true;
}

bool EncodePNG(int Width, int Height, std::span<const TColor> Pixels, std::vector<uint8_t>& Bytes) {
    if (Width <= 0 || Height <= 0 || Pixels.size() != size_t(Width) * size_t(Height)) return false;
    const std::vector<uint8_t> rgb = ToRGB(Pixels);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(Width);
    image.height = static_cast<png_uint_32>(Height);
    image.format = PNG_FORMAT_RGB;
    // The first call measures, the second writes.
    png_alloc_size_t size = 0;
    bool ok = png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr) != 0;
    if (ok) {
        Bytes.resize(size);
        ok = png_image_write_to_memory(&image, Bytes.data(), &size, 0, rgb.data(), 0, nullptr) != 0;
        Bytes.resize(size);
    }
    png_image_free(&image);
    return ok;
}

bool EncodeJPEG(int Width, int Height, std::span<const TColor> Pixels, int Quality,
                std::vector<uint8_t>& Bytes) {
    if (Width <= 0 || Height <= 0 || Pixels.size() != size_t(Width) * size_t(Height)) return false;
    const std::vector<uint8_t> rgb = ToRGB(Pixels);
    unsigned char* out = nullptr;  // libjpeg's buffer, from malloc
    unsigned long out_size = 0;
    const bool ok =
        WriteJpeg(rgb.data(), Width, Height, std::clamp(Quality, 1, 100), &out, &out_size);
    struct Freer {
        unsigned char* Buffer;
        ~Freer() { std::free(Buffer); }
    } freer{out};
    if (!ok) return false;
    Bytes.assign(out, out + out_size);
    return true;
}

}  // namespace imaging

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void ReadFailure(const std::string& FileName) {
    throw EInOutError("Cannot read image file \"" + FileName + "\"");
}

// The whole file; a file that cannot be opened or read (a folder) raises the read failure.
std::vector<uint8_t> ReadImageFile(const std::string& FileName) {
    FilePtr f(std::fopen(FileName.c_str(), "rb"));
    if (!f) ReadFailure(FileName);
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, f.get());
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
    }
    if (std::ferror(f.get())) ReadFailure(FileName);
    return bytes;
}

// The decoded file; a damaged one raises the read failure.
imaging::TImage LoadImageFile(const std::string& FileName,
                              bool (*Decode)(std::span<const uint8_t>, imaging::TImage&)) {
    const std::vector<uint8_t> bytes = ReadImageFile(FileName);
    imaging::TImage image;
    if (!Decode(bytes, image)) ReadFailure(FileName);
    return image;
}

void WriteImageFile(const std::string& FileName, const std::vector<uint8_t>& Bytes, bool Encoded) {
    FilePtr f(std::fopen(FileName.c_str(), "wb"));
    if (!f) throw EInOutError("Cannot create file \"" + FileName + "\"");
    const bool ok = Encoded && std::fwrite(Bytes.data(), 1, Bytes.size(), f.get()) == Bytes.size();
    if (!ok || std::fclose(f.release()) != 0)
        throw EInOutError("Error writing file \"" + FileName + "\"");
}

}  // namespace

void TBitmap::SetSize(int Width, int Height) {
    Width = std::max(Width, 0);
    Height = std::max(Height, 0);
    if (int64_t{Width} * Height > imaging::kMaxPixels) throw EInOutError("Bitmap too large");
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
    std::vector<uint8_t> bytes;
    const bool encoded = imaging::EncodeBMP(FWidth, FHeight, FPixels, bytes);
    WriteImageFile(FileName, bytes, encoded);
}

void TBitmap::SaveToPNG(const std::string& FileName) const {
    if (FPixels.empty()) throw EInOutError("Cannot write an empty bitmap");
    std::vector<uint8_t> bytes;
    const bool encoded = imaging::EncodePNG(FWidth, FHeight, FPixels, bytes);
    WriteImageFile(FileName, bytes, encoded);
}

void TBitmap::SaveToJPEG(const std::string& FileName, int Quality) const {
    if (FPixels.empty()) throw EInOutError("Cannot write an empty bitmap");
    std::vector<uint8_t> bytes;
    const bool encoded = imaging::EncodeJPEG(FWidth, FHeight, FPixels, Quality, bytes);
    WriteImageFile(FileName, bytes, encoded);
}

void TBitmap::LoadFromBMP(const std::string& FileName) {
    imaging::TImage image = LoadImageFile(FileName, imaging::DecodeBMP);
    FPixels.swap(image.Pixels);
    FWidth = image.Width;
    FHeight = image.Height;
}

void TBitmap::LoadFromPNG(const std::string& FileName) {
    imaging::TImage image = LoadImageFile(FileName, imaging::DecodePNG);
    FPixels.swap(image.Pixels);
    FWidth = image.Width;
    FHeight = image.Height;
}

void TBitmap::LoadFromJPEG(const std::string& FileName) {
    imaging::TImage image = LoadImageFile(FileName, imaging::DecodeJPEG);
    FPixels.swap(image.Pixels);
    FWidth = image.Width;
    FHeight = image.Height;
}

}  // namespace ozm
