#include "controllers/SaveLoadWrapperTarn.h"

#include "MainForm.h"
#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "controllers/ChannelWrapperTarn.h"
#include "controllers/KeyboardControlWrapperTarn.h"
#include "controllers/TimeBaseWrapperTarn.h"
#include "controllers/TriggerWrapperTarn.h"
#include "controllers/ZoomWrapperTarn.h"
#include "controls/ColorShape.h"
#include "controls/GlyphRotateBtnTarn.h"
#include "controls/HLEditTarn.h"
#include "device/DemoDevice.h"
#include "dialogs/WaitScreen.h"
#include "platform/Platform.h"
#include "records/LoadedData.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/TestFolder.h"
#include "testkit/WriteTargets.h"
#include "testkit/ui/QtTestKit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <tuple>

namespace scope {
namespace {

namespace fs = std::filesystem;

// A dialog answered from a script: a file name and filter entry for OK, nothing for Cancel.
class TScriptedDialog : public IRecordFileDialog {
public:
    struct TAnswer {
        std::string FileName;
        int32_t FilterIndex = 1;
    };
    bool Execute() override {
        // Only the first run does its extra work, so that a dialog opened again inside it ends.
        if (++Runs == 1 && During)
            During();
        if (Answers.empty())
            return false;
        const std::optional<TAnswer> a = Answers.front();
        Answers.pop_front();
        if (!a)
            return false;
        FileName = a->FileName;
        FilterIndex = a->FilterIndex;
        return true;
    }
    std::deque<std::optional<TAnswer>> Answers;
    std::function<void()> During;
    int Runs = 0;
};

// The Save/load group on the instrument of the record tests: two channels, two module channels, two
// loaded-trace slots, 8192-sample records of channels A and B on the screen.
class SaveLoadGroup : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        TestApp();
        RecordInstrument(s);
        s.Messages = &boxes;

        source.SetSettings(&s);
        source.SetObjMaster(&bus);
        c.DataSource = &source;
        c.LoadEdit = &loadEdit;
        c.SaveEdit = &saveEdit;
        c.LoadBrowseBtn = &loadBrowse;
        c.LoadBtn = &load;
        c.UnloadBtn = &unload;
        c.SaveBrowseBtn = &saveBrowse;
        c.SaveBtn = &save;
        c.ApplySettingsBtn = &apply;
        c.AutoSaveBox = &autoSave;
        c.OpenDialog = &openDialog;
        c.SaveDialog = &saveDialog;
        c.SaveIndicator = &saveLamp;
        c.LoadIndicator = &loadLamp;
        c.ApplySettingsIndicator = &applyLamp;
        c.OnWaitDisplay = [this] { waits.push_back("display"); };
        c.OnWaitHide = [this] { waits.push_back("hide"); };
        c.ButtonFace = Face;
        c.SetSettings(&s);
        c.SetObjMaster(&bus);
        recorder.SetObjMaster(&bus);
        bus.Broadcast(bmInitialize, 0, nullptr);
        BroadcastSettingsApplied(bus);
        TAcquiredData record(2);
        for (size_t ch = 0; ch < 2; ++ch) {
            record[ch].Data.resize(8192);
            for (size_t i = 0; i < 8192; ++i)
                record[ch].Data[i] = uint8_t(i * (ch + 1));
            record[ch].First = 0;
            record[ch].Last = 8191;
        }
        source.SetAcquiredData(record);
        recorder.Clear();
    }

    void SetOption(int32_t id, bool value) { SetBoolOption(s, id, value); }
    void EnableAutoSave() {
        SetOption(opEnableAutosave, true);
        BroadcastSettingsApplied(bus);
        autoSave.setChecked(true);
        recorder.Clear();
    }
    void NewData() { bus.Broadcast(bmScreenDataReady, 3, nullptr); }
    std::string Edit(const QLineEdit &e) const { return e.text().toStdString(); }
    void Type(QLineEdit &e, const std::string &text) { e.setText(QString::fromStdString(text)); }
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (const auto &b : boxes.Log) {
            EXPECT_EQ(b.Kind, TMsgKind::Error);
            EXPECT_EQ(b.Buttons, unsigned(mbOK));
            out.push_back(b.Text);
        }
        return out;
    }
    // Saves the screen record under a name of the test folder.
    std::string SaveAs(const std::string &name) {
        Type(saveEdit, PathOf(name));
        save.click();
        EXPECT_TRUE(fs::exists(PathOf(name))) << name;
        return PathOf(name);
    }
    bool LoadFile(const std::string &path) {
        Type(loadEdit, path);
        load.click();
        return c.LoadedRecord() != nullptr;
    }
    std::vector<int32_t> Toggled() const {
        std::vector<int32_t> out;
        for (const auto &e : recorder.Of(bmChannelToggled))
            out.push_back(e.Param);
        return out;
    }

    static constexpr TColor Face = 0x123456;
    TTestAppFirst appFirst;
    TObjMasterTarn bus;
    TSettingsTarn s;
    TScriptedMessages boxes;
    TDataSourceTarn source;
    QLineEdit loadEdit, saveEdit;
    QToolButton loadBrowse, load, unload, saveBrowse, save, apply;
    QCheckBox autoSave;
    TColorShape saveLamp, loadLamp, applyLamp;
    TScriptedDialog openDialog, saveDialog;
    std::vector<std::string> waits;
    TSaveLoadWrapperTarn c;
    TBusRecorder recorder;
};

TEST_F(SaveLoadGroup, FiltersComeFromTheFormatTable) {
    EXPECT_EQ(saveDialog.Filter,
              "TRN Scope Binary format (*.rsb)|*.rsb|TRN Scope Compressed format (*.rsc)|*.rsc|"
              "TRN Scope ASCII format (*.rsa)|*.rsa");
    EXPECT_EQ(saveDialog.DefaultExt, "rsb");
    EXPECT_EQ(openDialog.Filter,
              "All supported formats|*.rsb;*.rsc;*.rsa|TRN Scope Binary format (*.rsb)|*.rsb|"
              "TRN Scope Compressed format (*.rsc)|*.rsc|TRN Scope ASCII format (*.rsa)|*.rsa");
    EXPECT_EQ(c.SaveExtensions(), (std::vector<std::string>{".rsb", ".rsc", ".rsa"}));
}

TEST_F(SaveLoadGroup, IncrementFileNameCountsTheTrailingDigitsUp) {
    const std::pair<const char *, const char *> cases[] = {
        {"rec007.rsb", "rec008.rsb"},
        {"rec9.rsb", "rec10.rsb"},
        {"rec099.rsa", "rec100.rsa"},
        {"record.rsc", "record.rsc"},
        {"data", "data"},
        {"rec12", "rec13"},
        {"/home/u/run5/rec019.rsb", "/home/u/run5/rec020.rsb"},
        {"/home/u/run5/rec.rsb", "/home/u/run5/rec.rsb"},
        {"/home/u/v1.2/rec", "/home/u/v1.2/rec"},
        {"/home/u/v1.2/rec3", "/home/u/v1.2/rec4"},
        {"rec2147483647.rsb", "rec2147483648.rsb"},
        {"rec4294967295.rsb", "rec4294967296.rsb"},
        {"rec99999999999999999999.rsa", "rec100000000000000000000.rsa"},
        {"rec00000000000000000000009.rsb", "rec00000000000000000000010.rsb"},
        {"7.rsb", "8.rsb"},
        {"rec1.2.rsb", "rec1.3.rsb"},
        {"", ""},
    };
    for (const auto &[from, to] : cases)
        EXPECT_EQ(TSaveLoadWrapperTarn::IncrementFileName(from), to) << from;
}

TEST_F(SaveLoadGroup, SaveWritesTheRecordAndNumbersTheName) {
    Type(saveEdit, PathOf("rec007"));
    save.click();
    EXPECT_TRUE(fs::exists(PathOf("rec007.rsb")));
    EXPECT_EQ(Edit(saveEdit), PathOf("rec008.rsb"));
    EXPECT_EQ(saveEdit.cursorPosition(), saveEdit.text().size());
    EXPECT_EQ(recorder.Messages(), (std::vector<int32_t>{bmSaveLampOff, bmSaveDone}));
    // A name without digits stays; the binary format is no wait.
    Type(saveEdit, PathOf("data"));
    save.click();
    EXPECT_TRUE(fs::exists(PathOf("data.rsb")));
    EXPECT_EQ(Edit(saveEdit), PathOf("data.rsb"));
    EXPECT_TRUE(waits.empty());
    // The text format shows the wait form around the write.
    SaveAs("text1.rsa");
    EXPECT_EQ(waits, (std::vector<std::string>{"display", "hide"}));
    // Without numbering the name stays, unless auto-save is on.
    SetOption(opSaveIncrementFilename, false);
    SaveAs("same5.rsc");
    EXPECT_EQ(Edit(saveEdit), PathOf("same5.rsc"));
    SetOption(opEnableAutosave, true);
    BroadcastSettingsApplied(bus);
    autoSave.setChecked(true);
    SaveAs("same5.rsc");
    EXPECT_EQ(Edit(saveEdit), PathOf("same6.rsc"));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(SaveLoadGroup, EveryFailureShowsItsBoxAndLeavesNothingLoaded) {
    const std::string good = SaveAs("good.rsb");
    WriteFile("bad.rsa", "Range[2] = 0.5\r\n");
    WriteFile("short.rsa", "MemorySize = 8192\r\n");
    const std::string text = ReadFile(SaveAs("whole.rsa"));
    WriteFile("spoilt.rsa", text + "LastValidSample[2] = 9000,9000\r\n");
    WriteFile("before.rsa", "previous");
    // A compressed record one sample longer than the longest one: refused before it is inflated.
    {
        TAcquiredData tooLong(1);
        tooLong[0].Data.assign(size_t(RecordSampleLimit) + 1, 0);
        auto f = TSaveLoadFormatDesc[1].Create();
        f->AddValue("AcquiredData", &tooLong);
        ASSERT_EQ(f->SaveToFile(PathOf("long.rsc")), slOK);
    }
    const std::string tooLongBytes = ReadFile(PathOf("long.rsc"));
    struct Case {
        const char *What;
        bool Load;
        std::string Name;
        std::string Box;
    };
    const Case cases[] = {
        {"save with an unknown extension", false, PathOf("rec.txt"),
         "The file " + PathOf("rec.txt") + " has unknown extension."},
        {"save in capitals", false, PathOf("REC.RSB"),
         "The file " + PathOf("REC.RSB") + " has unknown extension."},
        {"save in a missing folder", false, PathOf("none/rec.rsb"),
         "Cannot create " + PathOf("none/rec.rsb") + "."},
        {"load with an unknown extension", true, PathOf("rec.dat"),
         "The file " + PathOf("rec.dat") + " has unknown extension."},
        {"load a missing file", true, PathOf("missing.rsb"), "Cannot open " + PathOf("missing.rsb") + "."},
        {"load a damaged file", true, PathOf("bad.rsa"),
         "Unable to read from " + PathOf("bad.rsa") + ". File may be corrupted."},
        {"load a file lacking values", true, PathOf("short.rsa"),
         "The " + PathOf("short.rsa") + " is corrupted. Unable to load data."},
        {"load a record contradicting itself", true, PathOf("spoilt.rsa"),
         "The " + PathOf("spoilt.rsa") + " is corrupted. Unable to load data."},
        {"load a compressed record past the longest one", true, PathOf("long.rsc"),
         "Unable to read from " + PathOf("long.rsc") + ". File may be corrupted."},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.What);
        ASSERT_TRUE(LoadFile(good));
        boxes.Log.clear();
        recorder.Clear();
        if (k.Load) {
            // A name no format takes is refused before the loaded record goes; any later failure
            // leaves none.
            const bool unknown = k.Box.find("unknown extension") != std::string::npos;
            EXPECT_EQ(LoadFile(k.Name), unknown);
            EXPECT_EQ(recorder.Messages().front(), bmLoadLampOff);
            EXPECT_EQ(recorder.Count(bmLoadDone), 0u);
        } else {
            Type(saveEdit, k.Name);
            save.click();
            EXPECT_EQ(recorder.Messages(), (std::vector<int32_t>{bmSaveLampOff}));
            EXPECT_EQ(Edit(saveEdit), k.Name);
        }
        EXPECT_EQ(Errors(), (std::vector<std::string>{k.Box}));
    }
    EXPECT_EQ(ReadFile(PathOf("long.rsc")), tooLongBytes) << "a refused file is only read";
    // A write that fails part way reports it and keeps the file that was there.
    s.TimeBases[1].SampleRate = std::numeric_limits<double>::quiet_NaN();
    boxes.Log.clear();
    Type(saveEdit, PathOf("before.rsa"));
    save.click();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Unable to save to " + PathOf("before.rsa") + "."}));
    EXPECT_EQ(ReadFile(PathOf("before.rsa")), "previous");
}

// The places of the writers' table: what the user is told for each, in every format.
TEST_F(SaveLoadGroup, SavesLandAtTheFinalTargetAndRefusalsSayCannotCreate) {
    SetOption(opSaveIncrementFilename, false);
    int n = 0;
    for (const char *ext : {".rsb", ".rsc", ".rsa"})
        for (const TWriteTargetKind kind : TWriteTarget::Kinds()) {
            SCOPED_TRACE(ext + (" onto a " + TWriteTarget::KindName(kind)));
            const TWriteTarget target(kind, Folder / std::to_string(n++), ext);
            boxes.Log.clear();
            recorder.Clear();
            Type(saveEdit, target.Path);
            save.click();
            const bool saved = recorder.Count(bmSaveDone) == 1;
            target.ExpectOnDisk(saved);
            EXPECT_EQ(Errors(), target.Saves
                                    ? std::vector<std::string>{}
                                    : std::vector<std::string>{"Cannot create " + target.Path + "."});
            if (saved) {
                // What was saved through a link loads through it.
                EXPECT_TRUE(LoadFile(target.Path));
                EXPECT_TRUE(Errors().empty());
            }
        }
}

// Special files never hold the program up: each is refused with the usual box at once.
TEST_F(SaveLoadGroup, FifosDevicesAndFoldersAreRefusedAsCannotOpen) {
    ASSERT_EQ(mkfifo(PathOf("pipe.rsb").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", PathOf("zero.rsc"));
    fs::create_directory(PathOf("folder.rsa"));
    for (const char *name : {"pipe.rsb", "zero.rsc", "folder.rsa"}) {
        SCOPED_TRACE(name);
        boxes.Log.clear();
        EXPECT_FALSE(LoadFile(PathOf(name)));
        EXPECT_EQ(Errors(), (std::vector<std::string>{"Cannot open " + PathOf(name) + "."}));
    }
    // A name without extension does not take a FIFO for the file of a format.
    ASSERT_EQ(mkfifo(PathOf("only.rsb").c_str(), 0644), 0);
    boxes.Log.clear();
    EXPECT_FALSE(LoadFile(PathOf("only")));
    EXPECT_EQ(Errors(), (std::vector<std::string>{"The file " + PathOf("only") + " has unknown extension."}));
}

TEST_F(SaveLoadGroup, ANameWithoutExtensionFindsTheFormatsInTableOrder) {
    SetOption(opSaveIncrementFilename, false);
    SaveAs("rec.rsa");
    waits.clear();
    EXPECT_TRUE(LoadFile(PathOf("rec")));
    EXPECT_EQ(Edit(loadEdit), PathOf("rec.rsa"));
    EXPECT_EQ(loadEdit.cursorPosition(), loadEdit.text().size());
    EXPECT_EQ(waits, (std::vector<std::string>{"display", "hide"}));
    SaveAs("rec.rsc");
    EXPECT_TRUE(LoadFile(PathOf("rec")));
    EXPECT_EQ(Edit(loadEdit), PathOf("rec.rsc"));
    // The extension must match in its letter case.
    fs::copy_file(PathOf("rec.rsc"), PathOf("REC.RSB"));
    boxes.Log.clear();
    TLoadedData *before = c.LoadedRecord();
    LoadFile(PathOf("REC.RSB"));
    EXPECT_EQ(c.LoadedRecord(), before);
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{"The file " + PathOf("REC.RSB") + " has unknown extension."}));
    // Nothing found: no format fits the empty extension.
    boxes.Log.clear();
    LoadFile(PathOf("other"));
    EXPECT_EQ(c.LoadedRecord(), before);
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{"The file " + PathOf("other") + " has unknown extension."}));
}

TEST_F(SaveLoadGroup, LoadShowsTheTracesAndUnloadRemovesThem) {
    const std::string path = SaveAs("rec.rsb");
    recorder.Clear();
    ASSERT_TRUE(LoadFile(path));
    EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 1, 0, 0, 1, 1}));
    EXPECT_EQ(source.Waveforms()[4].Data, source.Waveforms()[0].Data);
    EXPECT_EQ(source.Waveforms()[5].Last, 8191);
    EXPECT_EQ(recorder.Messages().front(), bmLoadLampOff);
    EXPECT_EQ(recorder.Count(bmLoadDone), 1u);
    EXPECT_TRUE(unload.isEnabled());
    EXPECT_TRUE(apply.isEnabled());
    EXPECT_EQ(applyLamp.FillColor(), LampGreen);
    EXPECT_EQ(loadLamp.FillColor(), LampGreen);
    EXPECT_EQ(Edit(loadEdit), path); // numbering the load name is off by default

    recorder.Clear();
    unload.click();
    EXPECT_EQ(c.LoadedRecord(), nullptr);
    EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Toggled(), (std::vector<int32_t>{4, 5}));
    EXPECT_FALSE(unload.isEnabled());
    EXPECT_FALSE(apply.isEnabled());
    EXPECT_EQ(applyLamp.FillColor(), Face);
    recorder.Clear();
    c.Unload();
    EXPECT_TRUE(recorder.Log.empty());
}

TEST_F(SaveLoadGroup, AFailingSecondLoadLeavesNone) {
    const std::string path = SaveAs("rec.rsb");
    ASSERT_TRUE(LoadFile(path));
    recorder.Clear();
    boxes.Log.clear();
    WriteFile("bad.rsb", "\x10\x00\x00\x00");
    EXPECT_FALSE(LoadFile(PathOf("bad.rsb")));
    // The first record went before the second was read.
    EXPECT_EQ(Toggled(), (std::vector<int32_t>{4, 5}));
    EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(boxes.Log.size(), 1u);
    EXPECT_FALSE(unload.isEnabled());
}

TEST_F(SaveLoadGroup, ARecordOfAnotherRangeListIsDroppedWithoutABox) {
    s.PhysicalChannelCount = 3;
    s.BringWithinCapabilities(s.ShownSettings());
    const std::string path = SaveAs("three.rsb");
    s.PhysicalChannelCount = 2;
    EXPECT_FALSE(LoadFile(path));
    EXPECT_TRUE(boxes.Log.empty());
    EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 1, 0, 0, 0, 0}));
}

TEST_F(SaveLoadGroup, LoadOptionsApplyAtOnceAndNumberTheName) {
    s.ShownSettings().TimeBase = 2;
    s.ShownSettings().MemorySize = 4096;
    const std::string path = SaveAs("run01.rsc");
    SetOption(opLoadApplySettings, true);
    SetOption(opLoadIncrementFilename, true);
    recorder.Clear();
    ASSERT_TRUE(LoadFile(path));
    EXPECT_EQ(s.RequestedSettings().TimeBase, 2);
    EXPECT_EQ(s.RequestedSettings().MemorySize, 4096);
    EXPECT_EQ(recorder.Count(bmSettingsApplied), 10u);
    EXPECT_EQ(Edit(loadEdit), PathOf("run02.rsc"));
}

TEST_F(SaveLoadGroup, TheApplyLampTellsHowFarTheSettingsDiffer) {
    EXPECT_EQ(applyLamp.FillColor(), Face);
    s.ShownSettings().TimeBase = 2;
    const std::string path = SaveAs("rec.rsb");
    ASSERT_TRUE(LoadFile(path));
    EXPECT_EQ(applyLamp.FillColor(), LampRed);
    apply.click();
    EXPECT_EQ(s.RequestedSettings().TimeBase, 2);
    NewData();
    EXPECT_EQ(applyLamp.FillColor(), LampGreen);
    s.RequestedSettings().HoldOff += 1;
    NewData();
    EXPECT_EQ(applyLamp.FillColor(), LampYellow);
    s.RequestedSettings().Range[0] = 0;
    NewData();
    EXPECT_EQ(applyLamp.FillColor(), LampRed);
}

TEST_F(SaveLoadGroup, LampsFollowTheirMessages) {
    const std::pair<int32_t, TColor> steps[] = {
        {bmSaveDone, LampGreen}, {bmSaveLampOff, Face}, {bmLoadDone, LampGreen}, {bmLoadLampOff, Face}};
    for (const auto &[msg, colour] : steps) {
        bus.Broadcast(msg, 0, nullptr);
        TColorShape &lamp = msg == bmSaveDone || msg == bmSaveLampOff ? saveLamp : loadLamp;
        EXPECT_EQ(lamp.FillColor(), colour) << msg;
    }
}

TEST_F(SaveLoadGroup, LoadedTracesFollowTheLiveChannels) {
    ASSERT_TRUE(LoadFile(SaveAs("rec.rsb")));
    recorder.Clear();
    s.ChannelsOn[1] = 0;
    NewData();
    EXPECT_EQ(Toggled(), (std::vector<int32_t>{5}));
    EXPECT_EQ(s.ChannelsOn, (TChannelsOn{1, 0, 0, 0, 1, 0}));
    recorder.Clear();
    NewData();
    EXPECT_TRUE(Toggled().empty());
}

TEST_F(SaveLoadGroup, DraggingMovesTheLoadedTraces) {
    ASSERT_TRUE(LoadFile(SaveAs("rec.rsb")));
    struct Case {
        const char *What;
        int32_t Msg;
        int32_t Index;
        int32_t Drag;
        double Ratio;
        int32_t Option;
        bool On;
        TIntArray X, Y;
    };
    const Case cases[] = {
        {"half a sample per point", bmTraceDraggedX, 4, 3, 0.5, opLoadAllowXOffset, true, {3, 0}, {0, 0}},
        {"16.4 samples per point", bmTraceDraggedX, 5, 3, 16.4, opLoadAllowXOffset, true, {0, 49}, {0, 0}},
        {"halves to even", bmTraceDraggedX, 4, 5, 2.5, opLoadAllowXOffset, true, {12, 0}, {0, 0}},
        {"left", bmTraceDraggedX, 4, -2, 1, opLoadAllowXOffset, true, {-2, 0}, {0, 0}},
        {"the third trace", bmTraceDraggedX, 6, 3, 1, opLoadAllowXOffset, true, {0, 0}, {0, 0}},
        {"a live channel", bmTraceDraggedX, 1, 3, 1, opLoadAllowXOffset, true, {0, 0}, {0, 0}},
        {"horizontal drags off", bmTraceDraggedX, 4, 3, 1, opLoadAllowXOffset, false, {0, 0}, {0, 0}},
        {"vertical", bmTraceDraggedY, 5, -7, 1, opLoadAllowYOffset, true, {0, 0}, {0, -7}},
        {"vertical drags off", bmTraceDraggedY, 4, 7, 1, opLoadAllowYOffset, false, {0, 0}, {0, 0}},
        {"vertical on a module channel", bmTraceDraggedY, 3, 7, 1, opLoadAllowYOffset, true, {0, 0}, {0, 0}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.What);
        TLoadedData &d = *c.LoadedRecord();
        d.XOffsets = {0, 0};
        d.YOffsets = {0, 0};
        s.DisplayRatio = k.Ratio;
        SetOption(k.Option, k.On);
        recorder.Clear();
        int32_t index = k.Index;
        bus.Broadcast(k.Msg, k.Drag, &index);
        EXPECT_EQ(d.XOffsets, k.X);
        EXPECT_EQ(d.YOffsets, k.Y);
        const bool moved = k.X != TIntArray{0, 0} || k.Y != TIntArray{0, 0};
        EXPECT_EQ(recorder.Count(bmScreenDataReady), moved ? 1u : 0u);
        SetOption(k.Option, true);
    }
    // The trace on the screen moved with it.
    s.DisplayRatio = 1;
    c.LoadedRecord()->XOffsets = {0, 0};
    int32_t index = 4;
    bus.Broadcast(bmTraceDraggedX, 10, &index);
    EXPECT_EQ(source.Waveforms()[4].First, 10);
    EXPECT_EQ(source.Waveforms()[4].Data[10], source.Waveforms()[0].Data[0]);
}

TEST_F(SaveLoadGroup, AutoSaveWritesOneNumberedFilePerNewRecord) {
    SetOption(opSaveIncrementFilename, false);
    EnableAutoSave();
    Type(saveEdit, PathOf("auto000.rsb"));
    for (int i = 0; i < 3; ++i)
        NewData();
    for (const char *name : {"auto000.rsb", "auto001.rsb", "auto002.rsb"})
        EXPECT_TRUE(fs::exists(PathOf(name))) << name;
    EXPECT_FALSE(fs::exists(PathOf("auto003.rsb")));
    EXPECT_EQ(Edit(saveEdit), PathOf("auto003.rsb"));
    EXPECT_EQ(recorder.Count(bmSaveDone), 3u);
    // Not ticked, or not enabled: nothing.
    autoSave.setChecked(false);
    NewData();
    autoSave.setChecked(true);
    SetOption(opEnableAutosave, false);
    BroadcastSettingsApplied(bus);
    EXPECT_FALSE(autoSave.isEnabled());
    NewData();
    EXPECT_FALSE(fs::exists(PathOf("auto003.rsb")));
}

TEST_F(SaveLoadGroup, AutoSaveWithoutANameAsksAndCancelStopsIt) {
    EnableAutoSave();
    NewData();
    EXPECT_EQ(saveDialog.Runs, 1);
    EXPECT_FALSE(autoSave.isChecked());
    NewData();
    EXPECT_EQ(saveDialog.Runs, 1);
    // Chosen in the dialog: the filter entry gives the extension.
    autoSave.setChecked(true);
    saveDialog.Answers.push_back(TScriptedDialog::TAnswer{PathOf("picked01.txt"), 3});
    NewData();
    EXPECT_TRUE(fs::exists(PathOf("picked01.rsa")));
    EXPECT_EQ(Edit(saveEdit), PathOf("picked02.rsa"));
    EXPECT_TRUE(autoSave.isChecked());
}

TEST_F(SaveLoadGroup, AFailingAutoSaveShowsOneBoxAndStops) {
    EnableAutoSave();
    for (const std::string &name : {PathOf("none/rec.rsb"), PathOf("rec.txt")}) {
        SCOPED_TRACE(name);
        autoSave.setChecked(true);
        boxes.Log.clear();
        Type(saveEdit, name);
        for (int i = 0; i < 3; ++i)
            NewData();
        EXPECT_EQ(boxes.Log.size(), 1u);
        EXPECT_FALSE(autoSave.isChecked());
        EXPECT_EQ(Edit(saveEdit), name);
    }
    // A manual save shows its box every time.
    boxes.Log.clear();
    autoSave.setChecked(true);
    autoSave.setEnabled(false);
    Type(saveEdit, PathOf("none/rec.rsb"));
    save.click();
    save.click();
    EXPECT_EQ(boxes.Log.size(), 2u);
}

// A message box that looks at the group while it is open.
class TPeekingMessages : public IUserMessages {
public:
    TMsgButton Show(TMsgKind, const std::string &, const std::string &text, unsigned, TMsgButton d) override {
        Texts.push_back(text);
        if (During)
            During();
        return d;
    }
    std::vector<std::string> Texts;
    std::function<void()> During;
};

TEST_F(SaveLoadGroup, NoSecondSaveWhileADialogOrBoxOfTheGroupIsOpen) {
    EnableAutoSave();
    // New data while the save dialog of an auto-save is open.
    saveDialog.During = [this] { NewData(); };
    saveDialog.Answers.push_back(TScriptedDialog::TAnswer{PathOf("first.rsb"), 1});
    NewData();
    EXPECT_EQ(saveDialog.Runs, 1);
    EXPECT_TRUE(fs::exists(PathOf("first.rsb")));
    // ... and while the box of a failed auto-save is open: the box sees auto-save off already.
    TPeekingMessages peek;
    s.Messages = &peek;
    bool tickedDuringBox = true;
    peek.During = [&] {
        tickedDuringBox = autoSave.isChecked();
        NewData();
    };
    Type(saveEdit, PathOf("none/rec.rsb"));
    NewData();
    EXPECT_EQ(peek.Texts.size(), 1u);
    EXPECT_FALSE(tickedDuringBox);
    // ... and while a load's box or the open dialog is open.
    autoSave.setChecked(true);
    Type(saveEdit, PathOf("during.rsb"));
    peek.Texts.clear();
    Type(loadEdit, PathOf("missing.rsb"));
    load.click();
    EXPECT_EQ(peek.Texts.size(), 1u);
    EXPECT_FALSE(fs::exists(PathOf("during.rsb")));
    openDialog.During = [this] { NewData(); };
    loadBrowse.click();
    EXPECT_FALSE(fs::exists(PathOf("during.rsb")));
    NewData();
    EXPECT_TRUE(fs::exists(PathOf("during.rsb")));
}

TEST_F(SaveLoadGroup, BrowsingFillsTheEditsWithTheCaretAtTheEnd) {
    openDialog.Answers.push_back(TScriptedDialog::TAnswer{PathOf("some.rsc"), 1});
    loadBrowse.click();
    EXPECT_EQ(Edit(loadEdit), PathOf("some.rsc"));
    EXPECT_EQ(loadEdit.cursorPosition(), loadEdit.text().size());
    // Cancel changes nothing.
    loadBrowse.click();
    EXPECT_EQ(Edit(loadEdit), PathOf("some.rsc"));
    // The filter entry chosen gives the extension; a name without one gets it too.
    const std::pair<TScriptedDialog::TAnswer, std::string> saves[] = {
        {{PathOf("a.rsb"), 3}, PathOf("a.rsa")},
        {{PathOf("b"), 2}, PathOf("b.rsc")},
        {{PathOf("c.x.y"), 1}, PathOf("c.x.rsb")},
    };
    for (const auto &[answer, expected] : saves) {
        saveDialog.Answers.push_back(answer);
        saveBrowse.click();
        EXPECT_EQ(Edit(saveEdit), expected);
        EXPECT_EQ(saveEdit.cursorPosition(), saveEdit.text().size());
    }
    // Save with an empty edit browses; Cancel ends the save.
    saveEdit.clear();
    recorder.Clear();
    save.click();
    EXPECT_TRUE(recorder.Log.empty());
    // Load with an empty edit browses, and loads the chosen file.
    SaveAs("pick.rsb");
    loadEdit.clear();
    openDialog.Answers.push_back(TScriptedDialog::TAnswer{PathOf("pick.rsb"), 1});
    load.click();
    EXPECT_NE(c.LoadedRecord(), nullptr);
}

// The main form on the demonstration instrument: a record of the screen saved in one state and loaded
// in another through the Save/load group, its settings applied as the user does.
class ApplyOnTheMainForm : public TTestFolder {
public:
    using TStep = std::function<void(ApplyOnTheMainForm &)>;

    void SetUp() override {
        TTestFolder::SetUp();
        TestApp();
        Fresh();
    }
    // A new form started with the defaults, or with what the given settings file changes in them.
    void Fresh(const TStep &settingsFile = {}) {
        form.reset();
        form = std::make_unique<TMainForm>(messages);
        TDAO_DEMO().GetCapabilities(s());
        s().Document.ResetRoot();
        s().LoadFromXML(s().Document);
        if (settingsFile)
            settingsFile(*this);
        bus().Broadcast(bmInitialize, 0, nullptr);
        BroadcastSettingsApplied(bus());
    }

    TSettingsTarn &s() { return form->SettingsTarn1(); }
    TDeviceSettings &r() { return s().RequestedSettings(); }
    TObjMasterTarn &bus() { return form->ObjMasterTarn1(); }
    TTriggerWrapperTarn &t() { return form->TriggerWrapperTarn1(); }
    TSaveLoadWrapperTarn &c() { return form->SaveLoadWrapperTarn1(); }
    // What a settings file loaded while running brings: the values, then the ten stages.
    void Settle() { BroadcastSettingsApplied(bus()); }
    // The trigger values the panel ends with.
    auto TriggerValues() {
        return std::make_tuple(r().TriggerLength, r().TriggerCount, r().AfterTrigger, r().HoldOff,
                               r().MemorySize);
    }
    void StepBar(QScrollBar *bar, int by) { bar->setValue(bar->value() + by); }
    void MemoryStep(int by) { StepBar(form->ZoomWrapperTarn1().MemSizeBar, by); }
    void TimeBaseStep(int by) { StepBar(form->TimeBaseWrapperTarn1().TimeBaseBar, by); }
    // The acquisition's part: the next record is taken with the requested settings.
    void NextRecord() {
        TSettingsTarn::CopyDeviceSettings(r(), s().ShownSettings());
        TAcquiredData record(2);
        for (TWaveform &w : record) {
            w.Data.assign(size_t(r().MemorySize), 128);
            w.First = 0;
            w.Last = r().MemorySize - 1;
        }
        form->DataSourceTarn1().SetAcquiredData(record);
        bus().Broadcast(bmScreenDataReady, 3, nullptr);
    }
    void SaveRecord() {
        NextRecord();
        c().SaveEdit->setText(QString::fromStdString(PathOf("rec.rsb")));
        c().SaveBtn->click();
        ASSERT_TRUE(fs::exists(PathOf("rec.rsb")));
    }
    const TLoadedData *Load() {
        c().LoadEdit->setText(QString::fromStdString(PathOf("rec.rsb")));
        c().LoadBtn->click();
        return c().LoadedRecord();
    }
    TColor ApplyLamp() { return dynamic_cast<TColorShape &>(*c().ApplySettingsIndicator).FillColor(); }

    TScriptedMessages messages;
    std::unique_ptr<TMainForm> form;
};

TEST_F(ApplyOnTheMainForm, TheRecordsSettingsStandAfterApplyWhateverDiffered) {
    const auto lengths = [](ApplyOnTheMainForm &f) {
        f.t().SimpleBtn->click();
        TypeAndEnter(f.t().PrimaryLengthBox, "20us");
        TypeAndEnter(f.t().SecondaryLengthBox, "50us");
    };
    const struct {
        const char *Name;
        TStep Record;       // the state the record is saved in, as a settings file brings it
        TStep SettingsFile; // what the program is started with afterwards, if it is started again
        TStep Live;         // what the user changes before loading the record
        bool Differs;
    } cases[] = {
        {"memory size",
         {},
         {},
         [&](auto &f) {
             f.MemoryStep(-1);
             lengths(f);
         },
         true},
        {"time base",
         {},
         {},
         [&](auto &f) {
             f.TimeBaseStep(-1);
             lengths(f);
         },
         true},
        {"memory size and time base",
         {},
         {},
         [&](auto &f) {
             f.MemoryStep(-1);
             f.TimeBaseStep(1);
             lengths(f);
         },
         true},
        {"nothing", {}, {}, {}, false},
        {"both, started from a settings file with the lengths the other way round",
         [](auto &f) {
             f.r().TimeBase = 7; // 100 kS/s
             f.s().SimpleTrigger = false;
             f.r().TriggerLength = {8, 0};
             f.Settle();
         },
         [](auto &f) {
             f.r().MemorySize = 4096;
             f.s().SimpleTrigger = false;
             f.r().TriggerLength = {50, 124};
         },
         {},
         true},
        {"after-trigger time",
         [](auto &f) {
             f.s().ATMode = 2;
             f.r().AfterTrigger = 1000;
             f.Settle();
         },
         {},
         [](auto &f) {
             f.MemoryStep(-1);
             TypeAndEnter(f.t().AfterTriggerBox, "100us");
         },
         true},
        {"after-trigger percentage",
         [](auto &f) {
             f.s().ATMode = 2;
             f.s().ATValueMode = 1;
             f.r().AfterTrigger = 2048;
             f.Settle();
         },
         {},
         [](auto &f) {
             f.MemoryStep(1);
             TypeAndEnter(f.t().AfterTriggerBox, "10%");
         },
         true},
        {"after-trigger mode",
         {},
         {},
         [](auto &f) {
             f.MemoryStep(-1);
             f.t().AfterTriggerBtn->click();
         },
         true},
        {"hold-off",
         [](auto &f) {
             f.s().SimpleTrigger = false;
             f.s().HFMode = 1;
             f.r().HoldOff = 5000;
             f.Settle();
         },
         {},
         [](auto &f) {
             f.MemoryStep(-1);
             TypeAndEnter(f.t().HoldOffBox, "1ms");
         },
         true},
        {"hold-off mode",
         [](auto &f) {
             f.s().SimpleTrigger = false;
             f.Settle();
         },
         {},
         [](auto &f) {
             f.MemoryStep(-1);
             f.t().HoldOffBtn->click();
         },
         true},
        {"counts",
         [](auto &f) {
             f.s().SimpleTrigger = false;
             f.r().TriggerCount = {3, 5};
             f.Settle();
         },
         {},
         [](auto &f) {
             f.MemoryStep(-1);
             TypeAndEnter(f.t().PrimaryAmountBox, "7");
             TypeAndEnter(f.t().SecondaryAmountBox, "9");
         },
         true},
        {"trigger mode",
         [](auto &f) {
             f.r().TriggerMode = 1;
             f.Settle();
         },
         {},
         [](auto &f) {
             f.MemoryStep(-1);
             f.t().TriggerModeBtn->click();
         },
         true},
        {"sources and edges",
         [](auto &f) {
             f.s().SimpleTrigger = false;
             f.Settle();
         },
         {},
         [](auto &f) {
             f.MemoryStep(-1);
             f.t().SecondarySrcBBtn->click();
             f.t().PrimarySrcEBtn->click();
             LeftClick(f.t().PrimaryEdgeABtn);
         },
         true},
        {"simple trigger",
         {},
         {},
         [](auto &f) {
             f.MemoryStep(-1);
             f.t().SimpleBtn->click();
         },
         true},
        {"trigger level",
         {},
         {},
         [](auto &f) {
             f.MemoryStep(-1);
             int32_t level = 40;
             f.bus().Broadcast(bmSetTriggerLevel, 0, &level);
         },
         true},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.Name);
        fs::remove(PathOf("rec.rsb"));
        Fresh();
        if (k.Record)
            k.Record(*this);
        SaveRecord();
        if (k.SettingsFile)
            Fresh(k.SettingsFile);
        if (k.Live)
            k.Live(*this);
        NextRecord();
        const TLoadedData *record = Load();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->CompareSettings() != 0, k.Differs) << "the row sets up a difference";

        c().ApplySettingsBtn->click();
        NextRecord();
        EXPECT_EQ(record->CompareSettings(), 0);
        EXPECT_EQ(ApplyLamp(), LampGreen);
        const TDeviceSettings &rec = record->Copy;
        EXPECT_EQ(r().MemorySize, rec.MemorySize);
        EXPECT_EQ(r().TimeBase, rec.TimeBase);
        EXPECT_EQ(r().TriggerLength, rec.TriggerLength);
        EXPECT_EQ(r().TriggerCount, rec.TriggerCount);
        EXPECT_EQ(r().AfterTrigger, rec.AfterTrigger);
        EXPECT_EQ(r().HoldOff, rec.HoldOff);
        EXPECT_EQ(r().TriggerMode, rec.TriggerMode);
        EXPECT_EQ(r().TriggerSourceOn, rec.TriggerSourceOn);
        EXPECT_EQ(r().TriggerLeading, rec.TriggerLeading);
        EXPECT_EQ(r().TriggerLevel, rec.TriggerLevel);
        EXPECT_EQ(s().ATMode, record->ATMode);
        EXPECT_EQ(s().HFMode, record->HFMode);
        EXPECT_EQ(s().SimpleTrigger, record->SimpleTrigger);

        // The applied lengths are the panel's reference too: the next memory change keeps their times.
        const auto lengthsBefore = r().TriggerLength;
        MemoryStep(r().MemorySize > 1024 ? -1 : 1);
        EXPECT_EQ(r().TriggerLength, lengthsBefore);
    }
}

TEST_F(ApplyOnTheMainForm, ASettingsFileOfAnotherMemorySizeKeepsItsTriggerValuesWhenLoadedWhileRunning) {
    const TStep file = [](auto &f) {
        f.r().MemorySize = 4096;
        f.s().SimpleTrigger = false;
        f.s().ATMode = 2;
        f.s().HFMode = 1;
        f.r().TriggerLength = {48, 124};
        f.r().AfterTrigger = 1000;
        f.r().HoldOff = 2000;
    };
    Fresh(file);
    const auto atStart = TriggerValues();
    Fresh();
    file(*this);
    Settle();
    EXPECT_EQ(TriggerValues(), atStart);
}

TEST(SaveLoadOnMainForm, TheGroupHoldsItsControlsAndTheControllerComesAfterTheChannels) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    QGroupBox *box = form.GroupBox12;
    ASSERT_NE(box, nullptr);
    const std::pair<const char *, const char *> hinted[] = {
        {"SpeedButton23", "Browse for data file"}, {"SpeedButton33", "Browse for data file"},
        {"SpeedButton24", "Load data from file"},  {"SpeedButton25", "Save data to file"},
        {"SpeedButton31", "Unload loaded data"},   {"SpeedButton32", "Set settings from loaded data"},
    };
    for (const auto &[name, hint] : hinted) {
        QWidget *w = box->findChild<QWidget *>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->toolTip().toStdString(), hint) << name;
    }
    for (QWidget *w : box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect g = w->geometry();
        EXPECT_TRUE(QRect(0, 0, 165, 126).contains(g)) << w->objectName().toStdString();
    }
    TSaveLoadWrapperTarn &c = form.SaveLoadWrapperTarn1();
    ASSERT_NE(c.AutoSaveBox, nullptr);
    EXPECT_EQ(c.AutoSaveBox->text().toStdString(), "Autosave");
    EXPECT_EQ(c.AutoSaveBox->parentWidget(), box);
    EXPECT_EQ(c.SaveBtn, box->findChild<QAbstractButton *>("SpeedButton25"));
    EXPECT_EQ(c.LoadBrowseBtn, box->findChild<QAbstractButton *>("SpeedButton23"));
    ASSERT_NE(c.SaveDialog, nullptr);
    ASSERT_NE(c.DataSource, nullptr);

    // Bus order: after the channel controller, before the keyboard controller.
    auto position = [&](const TBusMember &m) { return BusPlace(form.ObjMasterTarn1(), m); };
    const int channels = position(form.ChannelWrapperTarn1()), saveLoad = position(c),
              keyboard = position(form.KeyboardControlWrapperTarn1());
    EXPECT_GE(channels, 0);
    EXPECT_EQ(saveLoad, channels + 1);
    EXPECT_LT(saveLoad, keyboard);

    // The wait events reach the form's wait notice.
    c.OnWaitDisplay();
    EXPECT_NE(form.WaitForm(), nullptr);
    c.OnWaitHide();
    EXPECT_EQ(form.WaitForm(), nullptr);
}

} // namespace
} // namespace scope
