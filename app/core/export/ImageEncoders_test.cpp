#include "export/ImageEncoders.h"

#include "testkit/TestFolder.h"

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

namespace scope {

namespace {

// 5 x 3: every pixel different, so that row order, channel order and padding all show.
TRgbImage Sample() {
    TRgbImage img;
    img.Width = 5;
    img.Height = 3;
    for (int y = 0; y < img.Height; ++y)
        for (int x = 0; x < img.Width; ++x) {
            img.Pixels.push_back(uint8_t(10 + x * 40));
            img.Pixels.push_back(uint8_t(20 + y * 90));
            img.Pixels.push_back(uint8_t(x * 7 + y * 3));
        }
    return img;
}

uint32_t LE(const std::string &s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint32_t(uint8_t(s[at + size_t(i)])) << (8 * i);
    return v;
}

bool DecodePng(const std::string &bytes, TRgbImage &out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return false;
    image.format = PNG_FORMAT_RGB;
    out.Width = int32_t(image.width);
    out.Height = int32_t(image.height);
    out.Pixels.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, out.Pixels.data(), 0, nullptr) != 0;
}

struct JpegJump {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

bool JpegSize(const std::string &bytes, int &width, int &height) {
    jpeg_decompress_struct info{};
    JpegJump err{};
    info.err = jpeg_std_error(&err.Manager);
    err.Manager.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegJump *>(c->err)->Jump, 1);
    };
    if (setjmp(err.Jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    width = int(info.output_width);
    height = int(info.output_height);
    std::vector<unsigned char> row(size_t(width) * size_t(info.output_components));
    while (info.output_scanline < info.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&info, &r, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

TEST(ImageEncoders, PngDecodesToTheSamePixels) {
    const TRgbImage img = Sample();
    std::string bytes;
    ASSERT_TRUE(EncodePng(img, bytes));
    TRgbImage back;
    ASSERT_TRUE(DecodePng(bytes, back));
    EXPECT_EQ(back.Width, 5);
    EXPECT_EQ(back.Height, 3);
    EXPECT_EQ(back.Pixels, img.Pixels);
}

TEST(ImageEncoders, JpegDecodesAtItsSize) {
    std::string bytes;
    ASSERT_TRUE(EncodeJpeg(Sample(), 90, bytes));
    int w = 0, h = 0;
    ASSERT_TRUE(JpegSize(bytes, w, h));
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
}

TEST(ImageEncoders, BmpHeaderAndCornerPixels) {
    std::string b;
    ASSERT_TRUE(EncodeBmp(Sample(), b));
    // Rows of 15 bytes padded to 16.
    ASSERT_EQ(b.size(), 54u + 16 * 3);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(LE(b, 2, 4), 54u + 48);
    EXPECT_EQ(LE(b, 6, 4), 0u);
    EXPECT_EQ(LE(b, 10, 4), 54u);
    EXPECT_EQ(LE(b, 14, 4), 40u);
    EXPECT_EQ(LE(b, 18, 4), 5u);
    EXPECT_EQ(LE(b, 22, 4), 3u); // positive: bottom-up
    EXPECT_EQ(LE(b, 26, 2), 1u);
    EXPECT_EQ(LE(b, 28, 2), 24u);
    EXPECT_EQ(LE(b, 30, 4), 0u); // BI_RGB
    EXPECT_EQ(LE(b, 34, 4), 48u);
    // The first stored pixel is the bottom-left one, blue first.
    const TRgbImage img = Sample();
    auto pixel = [&](int x, int y) { return size_t(y * 5 + x) * 3; };
    auto stored = [&](int x, int row) { return 54 + size_t(row) * 16 + size_t(x) * 3; };
    for (auto [x, y] : {std::pair{0, 2}, {4, 2}, {0, 0}, {4, 0}}) {
        const size_t s = stored(x, 2 - y), p = pixel(x, y);
        EXPECT_EQ(uint8_t(b[s]), img.Pixels[p + 2]) << x << "," << y;
        EXPECT_EQ(uint8_t(b[s + 1]), img.Pixels[p + 1]);
        EXPECT_EQ(uint8_t(b[s + 2]), img.Pixels[p]);
    }
    EXPECT_EQ(b[stored(4, 0) + 3], '\0');
}

TEST(ImageEncoders, EmptyOrInconsistentImagesAreRefused) {
    std::string out;
    TRgbImage empty;
    TRgbImage shortPixels = Sample();
    shortPixels.Pixels.pop_back();
    for (const TRgbImage *img : {&empty, &shortPixels}) {
        EXPECT_FALSE(EncodePng(*img, out));
        EXPECT_FALSE(EncodeJpeg(*img, 90, out));
        EXPECT_FALSE(EncodeBmp(*img, out));
    }
}

TEST(ImageEncoders, ExtensionTable) {
    struct Case {
        int32_t Entry;
        const char *Extension;
        TImageFormat Format;
    } cases[] = {
        {1, ".png", ifPNG}, {2, ".jpg", ifJPEG}, {3, ".bmp", ifBMP}, {0, ".png", ifPNG}, {4, ".png", ifPNG}};
    for (const Case &c : cases) {
        EXPECT_STREQ(ImageExtension(c.Entry), c.Extension);
        EXPECT_EQ(ImageFormatOfEntry(c.Entry), c.Format);
    }
    EXPECT_EQ(FilterEntryOfFormat(0), 1);
    EXPECT_EQ(FilterEntryOfFormat(1), 2);
    EXPECT_EQ(FilterEntryOfFormat(2), 3);
    EXPECT_EQ(FilterEntryOfFormat(3), 1);
    EXPECT_EQ(FilterEntryOfFormat(-1), 1);
}

class ImageFiles : public TTestFolder {};

TEST_F(ImageFiles, FailedSaveKeepsTheOldFile) {
    const std::string path = WriteFile("old.png", "old contents");
    TRgbImage empty;
    EXPECT_FALSE(SaveImage(empty, ifPNG, path));
    EXPECT_EQ(ReadFile(path), "old contents");

    std::filesystem::permissions(Folder,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (access(Folder.c_str(), W_OK) != 0) { // root writes anyway
        EXPECT_FALSE(SaveImage(Sample(), ifBMP, path));
        EXPECT_EQ(ReadFile(path), "old contents");
    }
    std::filesystem::permissions(Folder, std::filesystem::perms::owner_all);
    ASSERT_TRUE(SaveImage(Sample(), ifBMP, path));
    EXPECT_EQ(ReadFile(path).substr(0, 2), "BM");
}

} // namespace

} // namespace scope
