// The demonstration instrument, the settings, the bus, the acquisition thread and the data source together,
// with this test's thread standing in for the GUI thread.
#include "acquisition/AcquisitionThread.h"
#include "acquisition/DataSourceTarn.h"
#include "acquisition/QueuedSynchronizer.h"
#include "bus/ObjMasterTarn.h"
#include "device/DemoDevice.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ServeUntil.h"
#include "testkit/TestSettings.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

// The demonstration device with a log of what was sent to it and of every poll.
class TSpyDevice : public TDAO_DEMO {
public:
    std::mutex Mutex;
    std::vector<std::string> Log;
    void Note(const std::string &s) {
        std::lock_guard<std::mutex> g(Mutex);
        Log.push_back(s);
    }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> g(Mutex);
        std::vector<std::string> out;
        out.swap(Log);
        return out;
    }
    int32_t ReadAcquisition(TAcquiredData &data) override {
        ++Polls;
        Note("poll");
        return TDAO_DEMO::ReadAcquisition(data);
    }
    void SetMemorySize(int32_t samples) override {
        Note("memory " + std::to_string(samples));
        TDAO_DEMO::SetMemorySize(samples);
    }
    void StartAcquisition() override {
        Note("start");
        TDAO_DEMO::StartAcquisition();
    }
    std::atomic<int> Polls{0};
};

struct TEndToEnd : ::testing::Test {
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;
    // What the displays see: every new record must already be reduced when the messages arrive.
    TBusRecorder Screens;
    bool ColumnsValid = true;
    int ScreenReady() const { return int(Screens.Count(bmScreenDataReady)); }
    TSpyDevice Device;
    TQueuedSynchronizer Gui;

    void SetUp() override {
        ASSERT_TRUE(DemoInstrument(Device, Settings));
        TXMLSettings empty;
        Settings.LoadFromXML(empty);
        Settings.QuickViewOn = true;
        Settings.RequestedSettings().MemorySize = 1024;
        Settings.RequestedSettings().TimeBase = 13; // 10 million samples per second: records are quick
        Settings.DisplayRatio = 1024.0 / Settings.PointsOnScreen;
        Settings.StartAcquisitionSettings();
        Settings.ShowAcquisitionSettings();
        Screens.Answers[bmQueryQuickViewWidth] = 120;
        Screens.OnMessage = [this](int32_t Msg, int32_t Param, void *) {
            if (Msg == bmScreenDataReady)
                for (int32_t c = 0; c < 2; ++c)
                    ColumnsValid = ColumnsValid && (Param & (1 << c)) && Source.ScreenColumns(c).Valid &&
                                   Source.ScreenColumns(c).LastColumn >= Source.ScreenColumns(c).FirstColumn;
            if (Msg == bmQuickViewDataReady)
                for (int32_t c = 0; c < 2; ++c)
                    ColumnsValid = ColumnsValid && Source.QuickViewColumns(c).Valid &&
                                   Source.QuickViewColumns(c).Columns.size() == 120;
        };
        JoinBus(Bus, Settings, {&Source, &Screens});
        Bus.Broadcast(bmInitialize, 0, nullptr);
    }

    // Runs the queued calls, as the GUI thread's event loop would, until the condition holds.
    bool ServeUntil(const std::function<bool()> &done, int timeoutMs = 20000) {
        return scope::ServeUntil(Gui, done, timeoutMs);
    }
};

TEST_F(TEndToEnd, RecordsFlowContinuouslySettingsReachTheDeviceAndHoldStopsCapture) {
    TAcquisitionContext context;
    context.Settings = &Settings;
    context.DataSource = &Source;
    context.Bus = &Bus;
    context.Device = &Device;
    context.Synchronizer = &Gui;
    context.ServePending = [this] { Gui.ServePending(); };
    context.ShowCommBroken = [] { return true; };
    TAcquisitionThread thread(context);
    thread.Start();

    ASSERT_TRUE(ServeUntil([&] { return ScreenReady() >= 5; }));
    EXPECT_EQ(int(Screens.Count(bmQuickViewDataReady)), ScreenReady());
    EXPECT_TRUE(ColumnsValid);
    ASSERT_FALSE(Screens.Params(bmAcquisitionState).empty());
    EXPECT_EQ(Screens.Params(bmAcquisitionState).back(), asRecordRead);
    EXPECT_EQ(Source.Waveforms()[0].Data.size(), 1024u);
    EXPECT_FALSE(Source.Waveforms()[0].Empty());

    // A new memory size is sent by the push before the next poll, and the next record has it.
    Device.Take();
    Settings.RequestedSettings().MemorySize = 2048;
    const int before = ScreenReady();
    ASSERT_TRUE(ServeUntil([&] { return ScreenReady() >= before + 2; }));
    const std::vector<std::string> log = Device.Take();
    ASSERT_FALSE(log.empty());
    size_t sent = 0;
    while (sent < log.size() && log[sent] != "memory 2048")
        ++sent;
    ASSERT_LT(sent, log.size());
    // At most the poll that was in flight when the setting changed comes before it.
    EXPECT_LE(std::count(log.begin(), log.begin() + long(sent), std::string("poll")), 1);
    EXPECT_EQ(Source.Waveforms()[0].Data.size(), 2048u);
    EXPECT_GE(int(Screens.Count(bmRecordLengthChanged)), 2);

    // Hold: the push sees it, polling stops; releasing restarts the capture at once.
    Settings.TriggerHold = true;
    ASSERT_TRUE(ServeUntil([&] { return thread.Holding(); }));
    // Counted once the pass that saw the hold is over, over the held passes after it.
    const uint64_t held = thread.Passes();
    ASSERT_TRUE(ServeUntil([&] { return thread.Passes() >= held + 2; }));
    const int polls = Device.Polls, records = ScreenReady();
    ASSERT_TRUE(ServeUntil([&] { return thread.Passes() >= held + 50; }));
    EXPECT_EQ(Device.Polls, polls);
    EXPECT_EQ(ScreenReady(), records);
    Device.Take();
    Settings.TriggerHold = false;
    ASSERT_TRUE(ServeUntil([&] { return ScreenReady() >= records + 3; }));
    EXPECT_EQ(Device.Take().front(), "start");

    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
}

} // namespace

} // namespace scope
