// Byte streams and the 10-byte extended image.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/stream.hpp"
#include "platform/extended_image.hpp"
#include "test_support.hpp"

namespace {

using ozm::TFileMode;
using ozm::TSeekOrigin;

// The same checks on either stream kind: both are used through TStream by the library.
void ExerciseStream(ozm::TStream& s) {
    const std::string hello = "hello, world";
    EXPECT_EQ(s.Write(hello.data(), static_cast<int64_t>(hello.size())), 12);
    EXPECT_EQ(s.Size(), 12);
    EXPECT_EQ(s.Position(), 12);

    // Overwrite inside, then extend past the end.
    s.SetPosition(7);
    s.WriteBuffer("WORLD!!", 7);
    EXPECT_EQ(s.Size(), 14);

    char buf[32] = {};
    EXPECT_EQ(s.Seek(-14, TSeekOrigin::soEnd), 0);
    EXPECT_EQ(s.Read(buf, sizeof buf), 14);  // a short read returns what is there
    EXPECT_EQ(std::string(buf, 14), "hello, WORLD!!");
    EXPECT_EQ(s.Read(buf, 4), 0);  // at the end
    EXPECT_EQ(s.Read(buf, 0), 0);
    EXPECT_EQ(s.Read(buf, -5), 0);

    s.Seek(-3, TSeekOrigin::soCurrent);
    s.ReadBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "D!!");

    // ReadBuffer insists on the whole count.
    s.SetPosition(10);
    try {
        s.ReadBuffer(buf, 5);
        FAIL() << "short ReadBuffer did not raise";
    } catch (const ozm::EInOutError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    EXPECT_NO_THROW(s.ReadBuffer(buf, 0));

    // Before the start is refused, beyond the end is allowed and a write there zero-fills.
    EXPECT_THROW(s.Seek(-1, TSeekOrigin::soBeginning), ozm::EInOutError);
    EXPECT_THROW(s.Seek(-20, TSeekOrigin::soEnd), ozm::EInOutError);
    EXPECT_EQ(s.Seek(4, TSeekOrigin::soEnd), 18);
    s.WriteBuffer("x", 1);
    EXPECT_EQ(s.Size(), 19);
    s.SetPosition(14);
    s.ReadBuffer(buf, 5);
    EXPECT_EQ(std::memcmp(buf, "\0\0\0\0x", 5), 0);

    s.SetSize(5);
    EXPECT_EQ(s.Size(), 5);
    s.SetPosition(0);
    EXPECT_EQ(s.Read(buf, sizeof buf), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
}

TEST(Streams, MemoryStreamReadWriteSeekSize) {
    ozm::TMemoryStream s;
    ExerciseStream(s);
    EXPECT_EQ(std::memcmp(s.Memory(), "hello", 5), 0);
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(Streams, FileStreamReadWriteSeekSize) {
    ozm::testing::ScratchDir dir;
    const std::string name = dir.file("s.bin");
    {
        ozm::TFileStream s(name, TFileMode::fmCreate);
        ExerciseStream(s);
        s.Flush();
    }
    EXPECT_EQ(ozm::testing::ReadWholeFile(name), "hello");

    // fmOpenWrite keeps the content; fmOpenRead refuses writes.
    {
        ozm::TFileStream s(name, TFileMode::fmOpenWrite);
        s.Seek(0, TSeekOrigin::soEnd);
        s.WriteBuffer("!", 1);
    }
    EXPECT_EQ(ozm::testing::ReadWholeFile(name), "hello!");
    {
        ozm::TFileStream s(name, TFileMode::fmOpenRead);
        EXPECT_EQ(s.Size(), 6);
        try {
            s.WriteBuffer("x", 1);
            FAIL() << "write on a read-only stream did not raise";
        } catch (const ozm::EInOutError& e) {
            EXPECT_STREQ(e.what(), "Stream write error");
        }
    }
}

TEST(Streams, FileStreamOpenFailures) {
    ozm::testing::ScratchDir dir;
    const std::string missing = dir.file("missing.bin");
    try {
        ozm::TFileStream s(missing, TFileMode::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const ozm::EInOutError& e) {
        EXPECT_EQ(e.message(), "Cannot open file \"" + missing + "\"");
    }
    const std::string bad = dir.file("no/such/folder/x.bin");
    try {
        ozm::TFileStream s(bad, TFileMode::fmCreate);
        FAIL() << "created a file in a missing folder";
    } catch (const ozm::EInOutError& e) {
        EXPECT_EQ(e.message(), "Cannot create file \"" + bad + "\"");
    }
    // A folder opens with fopen on POSIX, but is no file.
    EXPECT_THROW(ozm::TFileStream(dir.path().string(), TFileMode::fmOpenRead), ozm::EInOutError);
}

TEST(Streams, MemoryStreamPositionOverflowIsRefused) {
    ozm::TMemoryStream s;
    s.WriteBuffer("abc", 3);
    const int64_t max = std::numeric_limits<int64_t>::max();
    s.SetPosition(max - 1);
    EXPECT_THROW(s.Seek(10, TSeekOrigin::soCurrent), ozm::EInOutError);
    // A write at a position the memory cannot reach fails cleanly instead of overflowing.
    EXPECT_EQ(s.Write("x", 2), 0);
    EXPECT_THROW(s.WriteBuffer("x", 2), ozm::EInOutError);
    EXPECT_EQ(s.Size(), 3);
}

TEST(Streams, CopyFromAndFiles) {
    ozm::testing::ScratchDir dir;
    // More than the copy buffer, with a pattern that shows misplaced blocks.
    std::vector<uint8_t> data(200000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 251);
    ozm::TMemoryStream source;
    source.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));

    // Count 0 copies all of the source from its start, wherever its position stood.
    ozm::TMemoryStream all;
    source.SetPosition(1234);
    EXPECT_EQ(all.CopyFrom(source, 0), 200000);
    ASSERT_EQ(all.Size(), 200000);
    EXPECT_EQ(std::memcmp(all.Memory(), data.data(), data.size()), 0);

    // A count copies from the current position.
    ozm::TMemoryStream part;
    source.SetPosition(100);
    EXPECT_EQ(part.CopyFrom(source, 70000), 70000);
    EXPECT_EQ(std::memcmp(part.Memory(), data.data() + 100, 70000), 0);
    EXPECT_EQ(part.CopyFrom(source, -1), 0);
    EXPECT_EQ(part.Size(), 70000);

    // Asking for more than there is raises.
    source.SetPosition(199990);
    EXPECT_THROW(part.CopyFrom(source, 11), ozm::EInOutError);

    // Memory stream to file and back; a failed load keeps the old content.
    const std::string name = dir.file("copy.bin");
    all.SaveToFile(name);
    ozm::TMemoryStream loaded;
    loaded.WriteBuffer("old", 3);
    EXPECT_THROW(loaded.LoadFromFile(dir.file("missing")), ozm::EInOutError);
    EXPECT_EQ(loaded.Size(), 3);
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.Position(), 0);
    ASSERT_EQ(loaded.Size(), 200000);
    EXPECT_EQ(std::memcmp(loaded.Memory(), data.data(), data.size()), 0);

    // A file stream copies into a file stream.
    {
        ozm::TFileStream in(name, TFileMode::fmOpenRead);
        ozm::TFileStream out(dir.file("copy2.bin"), TFileMode::fmCreate);
        EXPECT_EQ(out.CopyFrom(in, 0), 200000);
    }
    EXPECT_EQ(ozm::testing::ReadWholeFile(dir.file("copy2.bin")),
              std::string(data.begin(), data.end()));
}

// Every interesting class of extended value; NaN is compared by its image.
std::vector<long double> ExtendedSamples() {
    using L = std::numeric_limits<long double>;
    return {0.0L,          -0.0L,          1.0L,           -2.5L,
            L::max(),      -L::max(),      L::min(),       L::denorm_min(),
            -L::denorm_min() * 12345, L::infinity(), -L::infinity(), L::quiet_NaN(),
            3.14159265358979323846264338327950288L, 1e-4000L, 1e4000L};
}

TEST(Streams, ExtendedImageRoundTrip) {
    for (long double v : ExtendedSamples()) {
        uint8_t bytes[10];
        ozm::EncodeExtended(v, bytes);
        const long double back = ozm::DecodeExtended(bytes);
        if (std::isnan(v)) {
            EXPECT_TRUE(std::isnan(back));
        } else {
            EXPECT_EQ(back, v);
            EXPECT_EQ(std::signbit(back), std::signbit(v));
        }
        uint8_t again[10];
        ozm::EncodeExtended(back, again);
        EXPECT_EQ(std::memcmp(bytes, again, 10), 0) << static_cast<double>(v);
    }
    // Known images: 1.0 is 3FFF 8000000000000000, -2.5 is C000 A000000000000000.
    uint8_t one[10];
    ozm::EncodeExtended(1.0L, one);
    const uint8_t one_image[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(std::memcmp(one, one_image, 10), 0);
    uint8_t m25[10];
    ozm::EncodeExtended(-2.5L, m25);
    const uint8_t m25_image[10] = {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0};
    EXPECT_EQ(std::memcmp(m25, m25_image, 10), 0);
}

TEST(Streams, ExtendedImageOfDamagedBytesIsNaN) {
    // An unnormal (exponent set, integer bit clear) and a pseudo-infinity: the x87 unit refuses
    // both, so they must read as a NaN that std::isnan recognises.
    const uint8_t unnormal[10] = {0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F};
    const uint8_t pseudo_inf[10] = {0, 0, 0, 0, 0, 0, 0, 0x00, 0xFF, 0xFF};
    EXPECT_TRUE(std::isnan(ozm::DecodeExtended(unnormal)));
    EXPECT_TRUE(std::isnan(ozm::DecodeExtended(pseudo_inf)));
    EXPECT_TRUE(std::isnan(ozm::detail::DecodeExtendedPortable(unnormal)));
    EXPECT_TRUE(std::isnan(ozm::detail::DecodeExtendedPortable(pseudo_inf)));
}

TEST(Streams, PortableExtendedImageMatchesTheNativeOne) {
    // Hosts whose long double is not the x87 format use the arithmetic conversion; on x86 it
    // must give the very bytes the hardware gives.
    for (long double v : ExtendedSamples()) {
        uint8_t native[10], portable[10];
        ozm::EncodeExtended(v, native);
        ozm::detail::EncodeExtendedPortable(v, portable);
        if (std::isnan(v)) {
            EXPECT_TRUE(std::isnan(ozm::detail::DecodeExtendedPortable(native)));
            continue;
        }
        EXPECT_EQ(std::memcmp(native, portable, 10), 0) << static_cast<double>(v);
        const long double back = ozm::detail::DecodeExtendedPortable(native);
        EXPECT_EQ(back, v);
        EXPECT_EQ(std::signbit(back), std::signbit(v));
    }
}

}  // namespace
