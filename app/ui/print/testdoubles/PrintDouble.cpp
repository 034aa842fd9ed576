// A print library double for the printing tests: it logs every request to the file PRINTDOUBLE_LOG,
// answers the page requests from the environment and, on a print, asks back through the callback as
// the real library does, logging what it got. Its unloading is logged too. With PRINTDOUBLE_PICTURE set,
// the main screen's picture is kept in that image file.
#include "QuorvelPrint.h"

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define DOUBLE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void Note(const std::string &line) {
    const char *path = std::getenv("PRINTDOUBLE_LOG");
    if (!path)
        return;
    if (FILE *f = std::fopen(path, "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

std::string Env(const char *name, const char *fallback) {
    const char *v = std::getenv(name);
    return v ? v : fallback;
}

// CR and LF are logged visibly, so that one log line is one entry.
std::string Visible(const char *text) {
    std::string s;
    for (const char *p = text; *p; ++p)
        s += *p == '\r' ? std::string("\\r") : *p == '\n' ? std::string("\\n") : std::string(1, *p);
    return s;
}

struct TUnloadLog {
    ~TUnloadLog() { Note("unloaded"); }
} UnloadLog;

TPrintCallback Callback = nullptr;
void (*BetweenHook)(int32_t block) = nullptr;

constexpr int GuardBytes = 16;
constexpr char Guard = 0x5A;

void AskText(int32_t block) {
    int32_t length = -1;
    Callback(pcTextLength, block, 0, &length);
    if (BetweenHook)
        BetweenHook(block);
    if (length < 0 || length > 100000) {
        Note("text " + std::to_string(block) + " bad length " + std::to_string(length));
        return;
    }
    std::vector<char> buffer(size_t(length) + 1 + GuardBytes, Guard);
    Callback(pcText, block, 0, buffer.data());
    bool intact = true;
    for (int i = 0; i < GuardBytes; ++i)
        intact = intact && buffer[size_t(length) + 1 + size_t(i)] == Guard;
    const bool terminated = buffer[size_t(length)] == '\0';
    buffer[size_t(length)] = '\0';
    Note("text " + std::to_string(block) + " " + std::to_string(length) + (intact ? "" : " overrun") +
         (terminated ? "" : " unterminated") + " " + Visible(buffer.data()));
}

// Draws a picture block into a white image and logs how many pixels the application changed.
void AskPicture(int32_t block, int width, int height, bool nullPainter) {
    QImage image(width > 0 ? width : 1, height > 0 ? height : 1, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        uint8_t target[ptRecordSize];
        std::memset(target, 0xEE, sizeof target);
        for (int i = 0; i < 4; ++i) {
            target[ptWidthOffset + i] = uint8_t(uint32_t(width) >> (8 * i));
            target[ptHeightOffset + i] = uint8_t(uint32_t(height) >> (8 * i));
        }
        const uint64_t address = nullPainter ? 0 : uint64_t(reinterpret_cast<uintptr_t>(&painter));
        for (int i = 0; i < 8; ++i)
            target[ptPainterOffset + i] = uint8_t(address >> (8 * i));
        Callback(pcDraw, block, 0, target);
    }
    const std::string keep = Env("PRINTDOUBLE_PICTURE", "");
    if (block == 1 && width > 0 && height > 0 && !nullPainter && !keep.empty())
        image.save(QString::fromStdString(keep));
    int changed = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            changed += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    Note("draw " + std::to_string(block) + " " + std::to_string(width) + "x" + std::to_string(height) +
         (nullPainter ? " null" : "") + " changed " + std::to_string(changed));
}

void PrintPage() {
    if (!Callback)
        return;
    Callback(pcLayout, 0, 0, nullptr);
    for (int32_t block = 2; block <= 7; ++block)
        AskText(block);
    // The main screen at its own size, so that no line of it is lost to the scaling.
    AskPicture(1, 600, 400, false);
    AskPicture(8, 200, 20, false);
    AskPicture(1, 0, 400, false);
    AskPicture(1, 600, 400, true);
}

} // namespace

#ifndef PRINTDOUBLE_NO_ENTRY
DOUBLE_EXPORT void ApplicationRequest(int32_t Code, int32_t A, int32_t B, void *P) {
    std::string line = "req " + std::to_string(Code) + " " + std::to_string(A) + " " + std::to_string(B);
    if ((Code == prBlockName || Code == prFamily) && P)
        line += " " + std::string(static_cast<const char *>(P));
    Note(line);
    switch (Code) {
    case prRegisterCallback:
        Callback = reinterpret_cast<TPrintCallback>(P);
        break;
    case prHorizontalScale:
    case prVerticalScale:
        *static_cast<double *>(P) = std::strtod(Env("PRINTDOUBLE_SCALE", "20").c_str(), nullptr);
        break;
    case prPageWidth:
        *static_cast<int32_t *>(P) = std::atoi(Env("PRINTDOUBLE_PAGE_W", "4205").c_str());
        break;
    case prPageHeight:
        *static_cast<int32_t *>(P) = std::atoi(Env("PRINTDOUBLE_PAGE_H", "6293").c_str());
        break;
    case prSetup:
        *static_cast<uint8_t *>(P) = Env("PRINTDOUBLE_SETUP", "1") == "1" ? 1 : 0;
        break;
    case prPrint:
        PrintPage();
        break;
    }
}
#endif

// Called between a text's length and its copy: lets a test change the text in between.
DOUBLE_EXPORT void double_SetBetweenHook(void (*Hook)(int32_t block)) {
    BetweenHook = Hook;
}
