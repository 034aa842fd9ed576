#include "print/ScreenPrint.h"

#include "acquisition/AcquisitionThread.h"
#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "screens/QVScreenTarn.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/FakeDevice.h"
#include "testkit/TestFolder.h"
#include "testkit/TestSettings.h"
#include "testkit/ui/QtTestKit.h"

#include <QFontMetrics>
#include <QImage>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace scope {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadLines(const fs::path &file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Visible(const std::string &text) {
    std::string s;
    for (char c : text)
        s += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return s;
}

// The screens on a bus with settings of a small instrument and a trace on channel A; a program folder
// of the test's own with a print library double in it, logging to a file there.
struct TPrintRig {
    TTestAppFirst AppFirst;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;
    TScopeScreenTarn Screen;
    TQVScreenTarn Strip;
    TScriptedMessages Messages;
    std::vector<std::string> DeviceLog;
    TFakeDevice Device{TFakeDevice::TScript{drOk, false, {}, drOk, "Fake Pellan"}, &DeviceLog};
    fs::path Folder;
    fs::path Log;

    explicit TPrintRig(const char *library = "printdouble_recording.so") {
        Folder = FreshTestFolder();
        Log = Folder / "print.log";
        if (library)
            fs::copy_file(fs::path(PRINT_DOUBLES_DIR) / library, Folder / "Quorvel.so");
        setenv("PRINTDOUBLE_LOG", Log.c_str(), 1);
        for (const char *v : {"PRINTDOUBLE_SETUP", "PRINTDOUBLE_SCALE", "PRINTDOUBLE_PAGE_W",
                              "PRINTDOUBLE_PAGE_H", "PRINTDOUBLE_PICTURE", "QUORVEL_PDF"})
            unsetenv(v);
        ScreenInstrument(Settings);
        Source.SetSettings(&Settings);
        Source.SetObjMaster(&Bus);
        Screen.SetSettings(&Settings);
        Screen.SetDataSource(&Source);
        Screen.SetObjMaster(&Bus);
        Strip.SetSettings(&Settings);
        Strip.SetDataSource(&Source);
        Strip.SetObjMaster(&Bus);
        Bus.Broadcast(bmInitialize, 0, nullptr);
        BroadcastSettingsApplied(Bus);
    }
    ~TPrintRig() { unsetenv("PRINTDOUBLE_LOG"); }

    TPrintSources Sources() {
        TPrintSources s;
        s.ProgramFolder = Folder.string();
        s.Messages = &Messages;
        s.Settings = &Settings;
        s.Screen = &Screen;
        s.QuickView = &Strip;
        s.Device = &Device;
        return s;
    }
    void Print() {
        TScreenPrint print(Sources());
        print.Print1Click();
        EXPECT_FALSE(print.LibraryLoaded());
    }
    std::vector<std::string> Lines() const { return ReadLines(Log); }
    // The log lines that begin with the prefix.
    std::vector<std::string> Lines(const std::string &prefix) const {
        std::vector<std::string> out;
        for (const std::string &l : Lines())
            if (l.rfind(prefix, 0) == 0)
                out.push_back(l);
        return out;
    }
};

std::vector<std::string> Declarations() {
    const struct {
        int id;
        const char *name;
        int kind, height, on;
    } blocks[] = {{1, "Main screen", 0, 5000, 1},       {8, "Quickview", 0, 5000, 0},
                  {2, "General info", 1, 5000, 1},      {3, "Timebase settings", 1, 5000, 0},
                  {4, "Trigger settings", 1, 10000, 0}, {5, "Range settings", 1, 10000, 0},
                  {6, "Free text 1", 2, 10000, 0},      {7, "Free text 2", 2, 10000, 0}};
    std::vector<std::string> e{"req 1 0 0", "req 16 0 0 Tarnel"};
    for (const auto &b : blocks) {
        const std::string id = std::to_string(b.id);
        e.push_back("req 2 " + id + " 0");
        e.push_back("req 3 " + id + " 0 " + b.name);
        e.push_back("req 4 " + id + " " + std::to_string(b.kind));
        e.push_back("req 9 " + id + " 10");
        e.push_back("req 10 " + id + " 10");
        e.push_back("req 11 " + id + " 10000");
        e.push_back("req 12 " + id + " " + std::to_string(b.height));
        e.push_back("req 15 " + id + " " + std::to_string(b.on));
    }
    return e;
}

TEST(ScreenPrint, RequestsLayoutTextsAndDrawingsInTheLibrarysOrder) {
    TPrintRig rig;
    TChannelWave wave;
    wave.Columns.assign(500, TColumn{200, 60, 130, 1});
    wave.FirstColumn = 0;
    wave.LastColumn = 499;
    wave.Valid = true;
    wave.PointsPerSample = 1;
    rig.Source.ScreenColumns(0) = wave;
    rig.Bus.Broadcast(bmScreenDataReady, 1, nullptr);
    rig.Print();

    std::vector<std::string> expected = Declarations();
    // 4205 and 6293 pixels at 20 pixels/cm: 2102.5 and 3146.5 mm, both rounded to the even neighbour.
    const int W = 2102, H = 3146;
    for (std::string s : {"req 14 0 0", "req 13 0 0", "req 5 0 0", "req 6 0 0", "req 7 0 0", "req 8 0 0"})
        expected.push_back(s);
    const int places[][5] = {{8, 20, 20, W - 40, 25},  {1, 20, 50, W - 40, H - 150}, {3, 20, H - 100, 50, 50},
                             {4, 70, H - 100, 50, 50}, {5, 120, H - 100, 50, 50},    {6, 20, H - 50, 50, 30},
                             {7, 70, H - 50, 50, 30},  {2, 120, H - 50, 50, 30}};
    for (const auto &p : places)
        for (int i = 0; i < 4; ++i)
            expected.push_back("req " + std::to_string(9 + i) + " " + std::to_string(p[0]) + " " +
                               std::to_string(p[1 + i]));
    EXPECT_EQ(rig.Lines("req"), expected);

    const std::vector<std::string> texts = rig.Lines("text");
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_TRUE(std::regex_match(
        texts[0], std::regex(R"(text 2 41 Date: \d\d\.\d\d\.\d\d \d\d:\d\d\\r\\nDevice: Fake Pellan)")))
        << texts[0];
    const std::string info[] = {rig.Settings.HorizontalInfoText(), rig.Settings.TriggerInfoText(),
                                rig.Settings.ChannelInfoText()};
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(info[i].empty());
        EXPECT_EQ(texts[size_t(1 + i)], "text " + std::to_string(3 + i) + " " +
                                            std::to_string(info[i].size()) + " " + Visible(info[i]));
    }
    EXPECT_EQ(texts[4], "text 6 0 ");
    EXPECT_EQ(texts[5], "text 7 0 ");

    const std::vector<std::string> draws = rig.Lines("draw");
    ASSERT_EQ(draws.size(), 4u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(draws[0], m, std::regex(R"(draw 1 600x400 changed (\d+))"))) << draws[0];
    EXPECT_GT(std::stoi(m[1]), 500) << "the trace is on the paper";
    EXPECT_EQ(draws[1], "draw 8 200x20 changed 0") << "the quick view is off";
    EXPECT_EQ(draws[2], "draw 1 0x400 changed 0");
    EXPECT_EQ(draws[3], "draw 1 600x400 null changed 0");
    EXPECT_EQ(rig.Lines().back(), "unloaded");
    EXPECT_TRUE(rig.Messages.Log.empty());

    // With the quick view on, its block draws too.
    rig.Settings.QuickViewOn = true;
    fs::remove(rig.Log);
    rig.Print();
    const std::vector<std::string> again = rig.Lines("draw 8");
    ASSERT_EQ(again.size(), 1u);
    EXPECT_NE(again[0], "draw 8 200x20 changed 0");
}

TEST(ScreenPrint, TheScreensTextsComeOutOnThePaper) {
    // The screen's texts in their default white: on white paper they must still show, in both print
    // modes. The texts are what a page with them has and a page without them has not.
    for (bool blackWhite : {true, false}) {
        SCOPED_TRACE(blackWhite ? "black and white" : "colour");
        TPrintRig rig;
        rig.Settings.VerCursorsOn = true;
        SetBoolOption(rig.Settings, opPrintBlackWhite, blackWhite);
        const auto page = [&rig](bool texts, const char *name) {
            SetBoolOption(rig.Settings, opDispInformation, texts);
            BroadcastSettingsApplied(rig.Bus);
            const fs::path file = rig.Folder / name;
            setenv("PRINTDOUBLE_PICTURE", file.c_str(), 1);
            rig.Print();
            unsetenv("PRINTDOUBLE_PICTURE");
            return QImage(QString::fromStdString(file.string()));
        };
        const QImage with = page(true, "with.png"), without = page(false, "without.png");
        ASSERT_FALSE(with.isNull());
        ASSERT_EQ(with.size(), without.size());
        // The cursor line prints black anyway: the texts are above it (information) and below it (cursor).
        const int lineY = with.height() - QFontMetrics(rig.Screen.font()).boundingRect("TEST").height() - 6;
        int above = 0, below = 0;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x) {
                const bool text = with.pixel(x, y) != without.pixel(x, y) && qGray(with.pixel(x, y)) < 96;
                above += text && y < lineY;
                below += text && y > lineY;
            }
        EXPECT_GT(above, 100) << "the information texts";
        EXPECT_GT(below, 30) << "the cursor text";
    }
}

TEST(ScreenPrint, DeviceNameIsAskedUnderTheAcquisitionThreadsLock) {
    TPrintRig rig;
    TAcquisitionThread thread(TAcquisitionContext{});
    TLockProbe probe([&] { return thread.TryLock(); }, [&] { thread.Unlock(); });
    struct TProbedDevice : TFakeDevice {
        using TFakeDevice::TFakeDevice;
        TLockProbe *Probe = nullptr;
        std::string GetDeviceName() override {
            Probe->Probe();
            return "Probed";
        }
    } device(TFakeDevice::TScript{}, nullptr);
    device.Probe = &probe;
    TPrintSources sources = rig.Sources();
    sources.Device = &device;
    sources.Thread = &thread;
    TScreenPrint print(sources);
    EXPECT_NE(print.BlockText(pbGeneralInfo).find("\r\nDevice: Probed"), std::string::npos);
    EXPECT_TRUE(probe.Probed);
    EXPECT_TRUE(probe.HeldDuringCall);
}

TEST(ScreenPrint, CancelledSetUpPrintsNothingAndSaysNothing) {
    TPrintRig rig;
    setenv("PRINTDOUBLE_SETUP", "0", 1);
    rig.Print();
    const std::vector<std::string> lines = rig.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(rig.Lines("req 14").size(), 1u);
    EXPECT_TRUE(rig.Lines("req 13").empty());
    EXPECT_TRUE(rig.Lines("text").empty());
    EXPECT_EQ(lines.back(), "unloaded");
    EXPECT_TRUE(rig.Messages.Log.empty());
}

TEST(ScreenPrint, MissingLibraryOrEntryPointTellsOnceAndLeavesNothingLoaded) {
    for (const char *library : {static_cast<const char *>(nullptr), "printdouble_noentry.so"}) {
        SCOPED_TRACE(library ? library : "no library");
        TPrintRig rig(library);
        rig.Print();
        ASSERT_EQ(rig.Messages.Log.size(), 1u);
        EXPECT_EQ(rig.Messages.Log[0].Kind, TMsgKind::Error);
        EXPECT_EQ(rig.Messages.Log[0].Text, "Unable to initialize printer");
        // The library without the entry point was loaded and is gone again.
        EXPECT_EQ(rig.Lines(), library ? std::vector<std::string>{"unloaded"} : std::vector<std::string>{});
    }
}

TEST(ScreenPrint, UnusableScaleAnswersLeaveTheLayoutAlone) {
    for (const char *scale : {"0", "-20", "nan", "inf"}) {
        SCOPED_TRACE(scale);
        TPrintRig rig;
        setenv("PRINTDOUBLE_SCALE", scale, 1);
        rig.Print();
        std::vector<std::string> lines = rig.Lines("req");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "req 8 0 0") << "no block was placed";
        EXPECT_EQ(rig.Lines("text").size(), 6u) << "the page still prints";
    }
}

TPrintRig *HookRig = nullptr;

TEST(ScreenPrint, TextThatGrowsBetweenItsLengthAndItsCopyStaysWithinTheBuffer) {
    TPrintRig rig;
    const std::string before = rig.Settings.HorizontalInfoText();
    // Holding the double open ourselves lets the test reach its hook; the print's own load shares it.
    void *handle = dlopen((rig.Folder / "Quorvel.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto setHook = reinterpret_cast<void (*)(void (*)(int32_t))>(dlsym(handle, "double_SetBetweenHook"));
    ASSERT_NE(setHook, nullptr);
    HookRig = &rig;
    // A record with a longer memory size arrives while the library holds the length.
    setHook([](int32_t block) {
        if (block == pbTimebase)
            HookRig->Settings.ShownSettings().MemorySize = 1048576;
    });
    rig.Print();
    setHook(nullptr);
    HookRig = nullptr;
    dlclose(handle);
    ASSERT_NE(rig.Settings.HorizontalInfoText().size(), before.size());
    const std::vector<std::string> texts = rig.Lines("text 3");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "text 3 " + std::to_string(before.size()) + " " + Visible(before));
    for (const std::string &t : rig.Lines("text"))
        EXPECT_EQ(t.find("overrun"), std::string::npos) << t;
}

// The number of page objects and image objects in a PDF file.
void CountPdf(const fs::path &file, int &pages, int &images) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string pdf = ss.str();
    ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
    pages = images = 0;
    const std::regex page(R"(/Type\s*/Page[^s])"), image(R"(/Subtype\s*/Image)");
    pages = int(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
    images = int(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), image), std::sregex_iterator()));
}

TEST(ScreenPrint, ThroughTheStandInOnePageGoesToThePdfFile) {
    TPrintRig rig(nullptr);
    const fs::path pdf = rig.Folder / "page.pdf";
    setenv("QUORVEL_PDF", pdf.c_str(), 1);
    TPrintSources sources = rig.Sources();
    sources.ProgramFolder = PROGRAM_FOLDER;
    {
        TScreenPrint print(sources);
        print.Print1Click();
    }
    unsetenv("QUORVEL_PDF");
    EXPECT_TRUE(rig.Messages.Log.empty());
    ASSERT_TRUE(fs::exists(pdf));
    int pages = 0, images = 0;
    CountPdf(pdf, pages, images);
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(images, 1) << "the main screen; the quick view is off";

    // A file that cannot be written is the library's to tell, on stderr; the program stays silent.
    const fs::path nowhere = rig.Folder / "missing" / "page.pdf";
    setenv("QUORVEL_PDF", nowhere.c_str(), 1);
    testing::internal::CaptureStderr();
    {
        TScreenPrint print(sources);
        print.Print1Click();
    }
    const std::string err = testing::internal::GetCapturedStderr();
    unsetenv("QUORVEL_PDF");
    EXPECT_FALSE(fs::exists(nowhere));
    EXPECT_NE(err.find(nowhere.string()), std::string::npos) << err;
    EXPECT_TRUE(rig.Messages.Log.empty());
}

} // namespace
} // namespace scope
