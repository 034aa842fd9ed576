// The screen picture as a file: PNG, JPEG (quality 90) or BMP from 8-bit RGB rows, written so that a
// failure leaves any file that was there untouched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scope {

// Rows top to bottom, three bytes (red, green, blue) per pixel, no padding.
struct TRgbImage {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Pixels;
};

enum TImageFormat : int32_t { ifPNG, ifJPEG, ifBMP };

// The file dialog's entries, 1 to 3: their extension and format; an entry outside gives PNG.
const char *ImageExtension(int32_t filterEntry);
TImageFormat ImageFormatOfEntry(int32_t filterEntry);
// The entry preselected for a preset's output format; a format outside 0 to 2 selects PNG.
int32_t FilterEntryOfFormat(int32_t outputFormat);

// Encoders into memory; false (out unspecified) on an encoder error or an empty image.
bool EncodePng(const TRgbImage &image, std::string &out);
bool EncodeJpeg(const TRgbImage &image, int quality, std::string &out);
bool EncodeBmp(const TRgbImage &image, std::string &out);

// Encodes and writes the file through a temporary file; false when either step fails.
bool SaveImage(const TRgbImage &image, TImageFormat format, const std::string &path);

} // namespace scope
