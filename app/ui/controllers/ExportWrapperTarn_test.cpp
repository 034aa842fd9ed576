#include "controllers/ExportWrapperTarn.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/TestFolder.h"
#include "testkit/WriteTargets.h"
#include "testkit/ui/QtTestKit.h"
#include "testkit/ui/ScriptedSaveDialog.h"

#include <QAction>
#include <QMenu>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>

namespace scope {

namespace {

// The clipboard as the export sees it: every hand-over is kept.
class TClipboardExport : public TExportWrapperTarn {
public:
    std::vector<std::string> Clipboard;

protected:
    void SetClipboardText(const std::string &text) override { Clipboard.push_back(text); }
};

// Two channels at 0.5 V/div, 2 MS/s, ten samples with the trigger at sample 5; the screen shows ten
// points. Channel A holds 160 (0.5 V), B 120 (-0.125 V).
class ExportWrapperFixture : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        TestApp();
        S.SetDefaultCapabilities();
        S.PointsOnScreen = 10;
        S.Ranges = {{0.5, 0}};
        S.TimeBases = {{2000000, 2000000, 0, 0}};
        S.Options = std::make_unique<TOptions>(&S);
        S.Messages = &Messages;
        TDeviceSettings &shown = S.ShownSettings();
        shown.MemorySize = 10;
        shown.AfterTrigger = 5;
        shown.Range = {0, 0};
        shown.GroundPosition = {128, 128};
        shown.ProbeMode = {0, 0};
        S.DisplayRatio = 1;
        Source.SetSettings(&S);
        Screen.SetSettings(&S);
        Screen.SetDataSource(&Source);
        Waves().assign(size_t(S.ChannelCount), TWaveform{});
        Waves()[0] = {std::vector<uint8_t>(10, 160), 0, 9};
        Waves()[1] = {std::vector<uint8_t>(10, 120), 0, 9};

        Menu.addSeparator();
        Menu.addAction("Manage exports");
        Export.SetSettings(&S);
        Export.SetObjMaster(&Bus);
        Export.DataSource = &Source;
        Export.ScopeScreen = &Screen;
        Export.ExportMenu = &Menu;
        Export.SaveDialog = &Dialog;
        Export.OnWaitDisplay = [this] { Log.push_back("wait"); };
        Export.OnWaitHide = [this] { Log.push_back("hide"); };
    }
    TAcquiredData &Waves() { return Source.Waveforms(); }
    TExportArrayOption &Defined() {
        return *static_cast<TExportArrayOption *>(S.Options->GetOption(opDefinedExport));
    }
    // Replaces the defined exports: name;units;area;style;target;source; each.
    void Define(const std::vector<std::string> &presets) {
        Defined().Clear();
        for (const std::string &text : presets) {
            auto p = std::make_unique<TExportOption>();
            p->SetFromText(text);
            Defined().Add(std::move(p));
        }
    }
    const TExportOption &Preset(const std::string &text) {
        Presets.push_back(std::make_unique<TExportOption>());
        Presets.back()->SetFromText(text);
        return *Presets.back();
    }
    std::vector<std::string> Captions() const { return MenuCaptions(Menu); }

    TTestAppFirst AppFirst;
    TObjMasterTarn Bus;
    TSettingsTarn S;
    TDataSourceTarn Source;
    TScopeScreenTarn Screen;
    QMenu Menu;
    TScriptedMessages Messages;
    TScriptedSaveDialog Dialog;
    TClipboardExport Export;
    std::vector<std::string> Log;
    std::vector<std::unique_ptr<TExportOption>> Presets;
};

TEST_F(ExportWrapperFixture, MenuIsRebuiltAtTheLastStageWithOneTaggedItemPerExport) {
    Define({"First;0;0;0;0;3;", "Second;1;0;0;0;3;"});
    for (int32_t stage = 0; stage < SettingsStageCount - 1; ++stage)
        Bus.Broadcast(bmSettingsApplied, stage, nullptr);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"|", "Manage exports"}));
    Bus.Broadcast(bmSettingsApplied, SettingsStageCount - 1, nullptr);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"First", "Second", "|", "Manage exports"}));

    // Again with another list: the old items are gone, not doubled.
    Define({"C;0;0;0;0;3;", "A;0;0;0;0;3;", "B;0;0;0;0;3;"});
    Export.RebuildMenu();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"C", "A", "B", "|", "Manage exports"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Menu.actions()[i]->data().toInt(), i);
    ASSERT_EQ(Export.MenuItems().size(), 3u);

    Define({});
    Export.RebuildMenu();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"|", "Manage exports"}));
}

TEST_F(ExportWrapperFixture, ClickedItemPutsTheRowsOnTheClipboardOnce) {
    Define({"mV;0;0;0;0;1;", "A and B in V with time;1;0;1;0;3;"});
    Export.RebuildMenu();
    Menu.actions()[1]->trigger();
    ASSERT_EQ(Export.Clipboard.size(), 1u);
    const std::string &text = Export.Clipboard[0];
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "-2.5\t0.5\t-0.125\r\n");
    // Time 0 at the trigger position, the last row 4 samples after it.
    EXPECT_NE(text.find("\r\n0\t0.5\t-0.125\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 16), "\r\n2\t0.5\t-0.125\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10);
    EXPECT_EQ(Log, (std::vector<std::string>{"wait", "hide"}));
    EXPECT_TRUE(Messages.Log.empty());

    // The user's separator; C and D hold nothing and write dashes.
    platform::SetDecimalSeparator(',');
    Export.Export(Preset("x;0;0;1;0;13;"));
    ASSERT_EQ(Export.Clipboard.size(), 2u);
    EXPECT_EQ(Export.Clipboard[1].substr(0, 16), "-2,5\t500\t-\t-\r\n-2");
}

TEST_F(ExportWrapperFixture, RangesOfScreenAndCursorsFollowTheScreen) {
    for (int i = 0; i < 10; ++i)
        Waves()[0].Data[size_t(i)] = uint8_t(100 + i);
    Waves()[0].First = 1;
    // Half a sample per point from sample 3, with the quick view one sample further.
    S.DisplayRatio = 0.5;
    S.DisplayStart = 3;
    S.QuickViewOn = true;
    S.QuickViewStart = 1;
    Export.Export(Preset("screen;2;1;0;0;1;"));
    // Points 0..9 reach samples 4 to 8.
    EXPECT_EQ(Export.Clipboard.back(), "104\r\n105\r\n106\r\n107\r\n108\r\n");

    S.DisplayStart = -3;
    S.QuickViewOn = false;
    Export.Export(Preset("screen;2;1;0;0;1;"));
    // Cut at A's first valid sample.
    EXPECT_EQ(Export.Clipboard.back(), "101\r\n");

    // Both cursors at one point: one row.
    S.DisplayRatio = 1;
    S.DisplayStart = 0;
    S.SetVerCursorPos(0, 6);
    S.SetVerCursorPos(1, 6);
    Export.Export(Preset("cursors;2;2;0;0;1;"));
    EXPECT_EQ(Export.Clipboard.back(), "106\r\n");
    S.SetVerCursorPos(0, 8);
    S.SetVerCursorPos(1, 3);
    Export.Export(Preset("cursors;2;2;1;0;1;"));
    EXPECT_EQ(Export.Clipboard.back(),
              "-1\t103\r\n-0.5\t104\r\n0\t105\r\n0.5\t106\r\n1\t107\r\n1.5\t108\r\n");
}

TEST_F(ExportWrapperFixture, EmptyChannelAGivesEmptyTextAndEmptyFile) {
    Waves()[0].MakeEmpty();
    Export.Export(Preset("x;1;0;1;0;3;"));
    EXPECT_EQ(Export.Clipboard, (std::vector<std::string>{""}));

    WriteFile("old.txt", "old rows");
    Dialog.Answers = {{PathOf("old.txt"), 1}};
    Messages.Answers = {mbYes};
    Export.Export(Preset("x;1;0;1;1;3;"));
    EXPECT_TRUE(std::filesystem::exists(PathOf("old.txt")));
    EXPECT_EQ(ReadFile(PathOf("old.txt")), "");
}

TEST_F(ExportWrapperFixture, FileTargetTakesTheEntrysExtensionAndAsksBeforeOverwriting) {
    const TExportOption &toFile = Preset("file;1;0;0;1;1;");
    // The text entry gives ".txt"; the other entry keeps the name as typed.
    Dialog.Answers = {{PathOf("rows.dat"), 1}};
    Export.Export(toFile);
    std::string rows;
    for (int i = 0; i < 10; ++i)
        rows += "0.5\r\n";
    EXPECT_EQ(ReadFile(PathOf("rows.txt")), rows);
    EXPECT_FALSE(std::filesystem::exists(PathOf("rows.dat")));
    Dialog.Answers = {{PathOf("rows.dat"), 2}};
    Export.Export(toFile);
    EXPECT_EQ(ReadFile(PathOf("rows.dat")), rows);
    EXPECT_TRUE(Messages.Log.empty());
    EXPECT_TRUE(Export.Clipboard.empty());

    // An existing file: No asks for another name, Yes takes it.
    WriteFile("kept.txt", "kept");
    WriteFile("taken.txt", "old");
    Dialog.Answers = {{PathOf("kept"), 1}, {PathOf("taken.txt"), 1}};
    Messages.Answers = {mbNo, mbYes};
    EXPECT_EQ(Export.ChooseFile(), PathOf("taken.txt"));
    ASSERT_EQ(Messages.Log.size(), 2u);
    for (const auto &m : Messages.Log) {
        EXPECT_EQ(m.Text, "File already exists. Do you want to overwite?");
        EXPECT_EQ(m.Buttons, unsigned(mbYes | mbNo));
        EXPECT_EQ(m.Kind, TMsgKind::Warning);
    }
    EXPECT_EQ(ReadFile(PathOf("kept.txt")), "kept");

    // Cancelled: no file, no message, no wait notice.
    Log.clear();
    Messages.Log.clear();
    Dialog.Answers = {{"", 1}};
    Export.Export(toFile);
    EXPECT_TRUE(Log.empty());
    EXPECT_TRUE(Messages.Log.empty());
}

TEST_F(ExportWrapperFixture, FileThatCannotBeCreatedShowsItsNameAndTheSystemsMessage) {
    const std::string name = PathOf("missing/rows.txt");
    Dialog.Answers = {{name, 1}};
    Export.Export(Preset("file;1;0;0;1;1;"));
    ASSERT_EQ(Messages.Log.size(), 1u);
    EXPECT_EQ(Messages.Log[0].Kind, TMsgKind::Error);
    EXPECT_EQ(Messages.Log[0].Text, name + ": No such file or directory");
    EXPECT_TRUE(Log.empty());
    EXPECT_FALSE(std::filesystem::exists(PathOf("missing")));
}

TEST_F(ExportWrapperFixture, WriteErrorStopsTheRowsWithTheErrorBoxAndKeepsTheOldFile) {
    const std::string file = WriteFile("rows.txt", "previous");
    Dialog.Answers = {{file, 1}};
    Messages.Answers = {mbYes}; // it exists
    // The file system refuses to grow the file past 4 bytes, as a full disk would.
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Export.Export(Preset("file;1;0;0;1;1;"));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(Messages.Log.size(), 2u);
    EXPECT_EQ(Messages.Log[1].Kind, TMsgKind::Error);
    EXPECT_EQ(Messages.Log[1].Text, "Error has occured during export");
    EXPECT_EQ(Log, (std::vector<std::string>{"wait", "hide"}));
    EXPECT_EQ(ReadFile(file), "previous");
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(Folder), std::filesystem::directory_iterator()), 1);
}

// The places of the writers' table: the rows land at a link's final target; a refusal shows the name and
// the system's words and writes nothing.
TEST_F(ExportWrapperFixture, RowsLandAtTheFinalTargetAndRefusalsShowTheSystemsWords) {
    const std::map<TWriteTargetKind, std::string> why = {
        {TWriteTargetKind::LinkToReadOnlyFile, "Permission denied"},
        {TWriteTargetKind::LinkIntoReadOnlyFolder, "Permission denied"},
        {TWriteTargetKind::LinkToDevice, "Not a regular file"},
        {TWriteTargetKind::Name256, "File name too long"},
    };
    int n = 0;
    for (const TWriteTargetKind kind : TWriteTarget::Kinds()) {
        SCOPED_TRACE(TWriteTarget::KindName(kind));
        const TWriteTarget target(kind, Folder / std::to_string(n++), ".txt");
        Messages.Log.clear();
        Messages.Answers = {mbYes, mbYes}; // to overwrite what is there
        Dialog.Answers = {{target.Path, 1}};
        Export.Export(Preset("file;1;0;0;1;1;"));
        std::vector<std::string> errors;
        for (const auto &m : Messages.Log)
            if (m.Kind == TMsgKind::Error)
                errors.push_back(m.Text);
        target.ExpectOnDisk(errors.empty());
        if (target.Saves) {
            EXPECT_EQ(target.TargetContents().substr(0, 5), "0.5\r\n");
        } else {
            EXPECT_EQ(errors, (std::vector<std::string>{target.Path + ": " + why.at(kind)}));
        }
    }
}

} // namespace

} // namespace scope
