// The print library stand-in driven as an application drives it, printing to a PDF file.
#include "QuorvelPrint.h"

#include "testkit/TestFolder.h"
#include "testkit/ui/QtTestKit.h"

#include <QPainter>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct TCall {
    int32_t Type, Kind, Width = 0, Height = 0;
    double Dx = 0, Dy = 0;
};

struct TApplication {
    static inline TApplication *Current = nullptr;
    void *Handle = nullptr;
    TApplicationRequest Request = nullptr;
    std::vector<TCall> Calls;
    std::string Text = "Line one\r\nLine two";
    // Where the layout puts the blocks, in millimetres.
    std::function<void()> Layout;

    TApplication() {
        scope::TestApp();
        Handle = dlopen(PROGRAM_FOLDER "/Quorvel.so", RTLD_NOW | RTLD_LOCAL);
        if (Handle)
            Request = reinterpret_cast<TApplicationRequest>(dlsym(Handle, "ApplicationRequest"));
        Current = this;
    }
    ~TApplication() {
        Current = nullptr;
        if (Handle)
            dlclose(Handle);
    }
    static int32_t Get32(const uint8_t *p) {
        return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    }
    static void Callback(int32_t type, int32_t kind, int32_t, void *p) {
        TApplication &a = *Current;
        TCall call{type, kind};
        switch (type) {
        case pcTextLength:
            *static_cast<int32_t *>(p) = int32_t(a.Text.size());
            break;
        case pcText:
            std::memcpy(p, a.Text.c_str(), a.Text.size() + 1);
            break;
        case pcLayout:
            if (a.Layout)
                a.Layout();
            break;
        case pcDraw: {
            const auto *bytes = static_cast<const uint8_t *>(p);
            call.Width = Get32(bytes + ptWidthOffset);
            call.Height = Get32(bytes + ptHeightOffset);
            uint64_t address = 0;
            for (int i = 7; i >= 0; --i)
                address = address << 8 | bytes[ptPainterOffset + i];
            auto *painter = reinterpret_cast<QPainter *>(uintptr_t(address));
            if (painter) {
                call.Dx = painter->transform().dx();
                call.Dy = painter->transform().dy();
                painter->fillRect(0, 0, call.Width, call.Height, Qt::black);
            }
            break;
        }
        }
        a.Calls.push_back(call);
    }
    void Declare(int32_t id, const char *name, int32_t kind, bool on) {
        Request(prDeclareBlock, id, 0, nullptr);
        Request(prBlockName, id, 0, const_cast<char *>(name));
        Request(prBlockKind, id, kind, nullptr);
        Request(prBlockOn, id, on ? 1 : 0, nullptr);
    }
    void Place(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
        Request(prBlockLeft, id, x, nullptr);
        Request(prBlockTop, id, y, nullptr);
        Request(prBlockWidth, id, w, nullptr);
        Request(prBlockHeight, id, h, nullptr);
    }
};

TEST(QuorvelStandIn, PdfPageInMillimetresThroughTheCallbacks) {
    TApplication app;
    ASSERT_NE(app.Request, nullptr) << dlerror();
    const std::filesystem::path pdf = scope::FreshTestFolder() / "page.pdf";
    setenv("QUORVEL_PDF", pdf.c_str(), 1);
    app.Request(prRegisterCallback, 0, 0, reinterpret_cast<void *>(&TApplication::Callback));
    app.Request(prFamily, 0, 0, const_cast<char *>("Tarnel"));
    app.Declare(1, "Picture", pkPicture, true);
    app.Declare(8, "Picture off", pkPicture, false);
    app.Declare(2, "Text", pkInfoText, true);
    app.Declare(6, "Free", pkFreeText, true);

    // A4 at 300 dpi: the page over the pixels per centimetre, times ten, is 210 x 297 mm.
    double sx = 0, sy = 0;
    int32_t w = 0, h = 0;
    app.Request(prHorizontalScale, 0, 0, &sx);
    app.Request(prVerticalScale, 0, 0, &sy);
    app.Request(prPageWidth, 0, 0, &w);
    app.Request(prPageHeight, 0, 0, &h);
    EXPECT_NEAR(sx, 300 / 2.54, 1e-9);
    EXPECT_NEAR(sy, 300 / 2.54, 1e-9);
    EXPECT_EQ(std::nearbyint(w * 10 / sx), 210);
    EXPECT_EQ(std::nearbyint(h * 10 / sy), 297);

    uint8_t answer = 0;
    app.Request(prSetup, 0, 0, &answer);
    EXPECT_EQ(answer, 1) << "nothing is asked with a PDF file named";
    EXPECT_TRUE(app.Calls.empty());
    app.Layout = [&] {
        app.Place(1, 20, 50, 100, 60);
        app.Place(2, 120, 200, 50, 30);
        app.Place(6, 20, 250, 50, 30);
    };
    app.Request(prPrint, 0, 0, nullptr);
    unsetenv("QUORVEL_PDF");

    ASSERT_EQ(app.Calls.size(), 4u);
    EXPECT_EQ(app.Calls[0].Type, pcLayout);
    // The picture in device pixels, with the painter moved to the block's corner.
    EXPECT_EQ(app.Calls[1].Type, pcDraw);
    EXPECT_EQ(app.Calls[1].Kind, 1);
    EXPECT_EQ(app.Calls[1].Width, std::lround(100 * sx / 10));
    EXPECT_EQ(app.Calls[1].Height, std::lround(60 * sy / 10));
    EXPECT_NEAR(app.Calls[1].Dx, 20 * sx / 10, 1);
    EXPECT_NEAR(app.Calls[1].Dy, 50 * sy / 10, 1);
    EXPECT_EQ(app.Calls[2].Type, pcTextLength);
    EXPECT_EQ(app.Calls[2].Kind, 2);
    EXPECT_EQ(app.Calls[3].Type, pcText);
    EXPECT_EQ(app.Calls[3].Kind, 2);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u);

    // Nothing is kept after a print: a second print has no callback and no blocks.
    app.Calls.clear();
    std::filesystem::remove(pdf);
    setenv("QUORVEL_PDF", pdf.c_str(), 1);
    app.Request(prPrint, 0, 0, nullptr);
    unsetenv("QUORVEL_PDF");
    EXPECT_TRUE(app.Calls.empty());
}

// Answers every text length with a negative number.
void NegativeLengths(int32_t type, int32_t kind, int32_t c, void *p) {
    if (type != pcTextLength)
        return TApplication::Callback(type, kind, c, p);
    *static_cast<int32_t *>(p) = -5;
    TApplication::Current->Calls.push_back({type, kind});
}

TEST(QuorvelStandIn, BrokenTextLengthsAndEmptyBlocksAreSkipped) {
    TApplication app;
    ASSERT_NE(app.Request, nullptr) << dlerror();
    const std::filesystem::path pdf = scope::FreshTestFolder() / "page.pdf";
    setenv("QUORVEL_PDF", pdf.c_str(), 1);
    app.Request(prRegisterCallback, 0, 0, reinterpret_cast<void *>(&NegativeLengths));
    app.Declare(1, "Picture", pkPicture, true);
    app.Declare(2, "Text", pkInfoText, true);
    app.Layout = [&] {
        app.Place(1, 20, 50, 0, 60); // no width
        app.Place(2, 120, 200, 50, 30);
    };
    app.Request(prPrint, 0, 0, nullptr);
    unsetenv("QUORVEL_PDF");
    ASSERT_EQ(app.Calls.size(), 2u);
    EXPECT_EQ(app.Calls[0].Type, pcLayout);
    EXPECT_EQ(app.Calls[1].Type, pcTextLength) << "no text copy after a negative length, no empty picture";
    EXPECT_TRUE(std::filesystem::exists(pdf));
}

} // namespace
