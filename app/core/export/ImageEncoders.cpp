#include "export/ImageEncoders.h"

#include "platform/Platform.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <png.h>

namespace scope {

namespace {

bool Usable(const TRgbImage &image) {
    return image.Width > 0 && image.Height > 0 &&
           image.Pixels.size() == size_t(image.Width) * size_t(image.Height) * 3;
}

void PutLE(std::string &out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// libpng reports errors by long jump back into EncodePng; nothing with a destructor lives across it.
void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string *>(png_get_io_ptr(png))->append(reinterpret_cast<const char *>(data), length);
}
void PngFlush(png_structp) {}
void PngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

// libjpeg's default handler ends the process; this one jumps back into EncodeJpeg instead.
struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};
void JpegErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegError *>(info->err)->Jump, 1);
}
void JpegSilence(j_common_ptr, int) {}

} // namespace

const char *ImageExtension(int32_t filterEntry) {
    switch (ImageFormatOfEntry(filterEntry)) {
    case ifJPEG:
        return ".jpg";
    case ifBMP:
        return ".bmp";
    default:
        return ".png";
    }
}

TImageFormat ImageFormatOfEntry(int32_t filterEntry) {
    return filterEntry == 2 ? ifJPEG : filterEntry == 3 ? ifBMP : ifPNG;
}

int32_t FilterEntryOfFormat(int32_t outputFormat) {
    return outputFormat >= 0 && outputFormat <= 2 ? outputFormat + 1 : 1;
}

bool EncodePng(const TRgbImage &image, std::string &out) {
    out.clear();
    if (!Usable(image))
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, png_uint_32(image.Width), png_uint_32(image.Height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    const size_t stride = size_t(image.Width) * 3;
    for (int32_t y = 0; y < image.Height; ++y)
        png_write_row(png, const_cast<png_bytep>(image.Pixels.data() + size_t(y) * stride));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool EncodeJpeg(const TRgbImage &image, int quality, std::string &out) {
    out.clear();
    if (!Usable(image))
        return false;
    jpeg_compress_struct cinfo{};
    TJpegError error{};
    cinfo.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = JpegErrorExit;
    error.Manager.emit_message = JpegSilence;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.Jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.Width);
    cinfo.image_height = JDIMENSION(image.Height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = size_t(image.Width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.Pixels.data() + size_t(cinfo.next_scanline) * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    out.assign(reinterpret_cast<const char *>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return true;
}

bool EncodeBmp(const TRgbImage &image, std::string &out) {
    out.clear();
    if (!Usable(image))
        return false;
    const uint32_t stride = (uint32_t(image.Width) * 3 + 3) & ~3u;
    const uint64_t dataSize = uint64_t(stride) * uint32_t(image.Height);
    if (dataSize + 54 > 0xFFFFFFFFu)
        return false;
    out.reserve(size_t(dataSize) + 54);
    // File header.
    out += "BM";
    PutLE(out, uint32_t(54 + dataSize), 4);
    PutLE(out, 0, 4);
    PutLE(out, 54, 4);
    // Information header: 24 bits, uncompressed (BI_RGB), rows bottom-up.
    PutLE(out, 40, 4);
    PutLE(out, uint32_t(image.Width), 4);
    PutLE(out, uint32_t(image.Height), 4);
    PutLE(out, 1, 2);
    PutLE(out, 24, 2);
    PutLE(out, 0, 4);
    PutLE(out, uint32_t(dataSize), 4);
    PutLE(out, 2835, 4); // 72 dpi
    PutLE(out, 2835, 4);
    PutLE(out, 0, 4);
    PutLE(out, 0, 4);
    const size_t rowBytes = size_t(image.Width) * 3;
    for (int32_t y = image.Height - 1; y >= 0; --y) {
        const uint8_t *p = image.Pixels.data() + size_t(y) * rowBytes;
        for (int32_t x = 0; x < image.Width; ++x, p += 3) {
            out += char(p[2]);
            out += char(p[1]);
            out += char(p[0]);
        }
        out.append(stride - rowBytes, '\0');
    }
    return true;
}

bool SaveImage(const TRgbImage &image, TImageFormat format, const std::string &path) {
    std::string bytes;
    const bool encoded = format == ifJPEG  ? EncodeJpeg(image, 90, bytes)
                         : format == ifBMP ? EncodeBmp(image, bytes)
                                           : EncodePng(image, bytes);
    return encoded && platform::WriteFileAtomically(path, bytes);
}

} // namespace scope
