#include "acquisition/AcquisitionThread.h"

#include "acquisition/DataSourceTarn.h"
#include "acquisition/QueuedSynchronizer.h"
#include "bus/ObjMasterTarn.h"
#include "device/DriverAbstraction.h"
#include "modules/ModuleHost.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/FakeDevice.h"
#include "testkit/TestSettings.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

using TLog = std::vector<std::string>;

class TFakeHost : public IModuleHost {
public:
    TLog Log;
    std::recursive_mutex Mutex;
    int Depth = 0;
    std::vector<TWaveform *> Buffers = std::vector<TWaveform *>(4, nullptr);
    TDeviceSettings *Served = nullptr;

    void Lock() override {
        Mutex.lock();
        ++Depth;
    }
    void Unlock() override {
        --Depth;
        Mutex.unlock();
    }
    void SetChannelBuffer(int32_t c, TWaveform *b) override {
        EXPECT_GT(Depth, 0);
        Buffers[size_t(c)] = b;
    }
    void SetServedSettings(TDeviceSettings *s) override {
        EXPECT_GT(Depth, 0);
        Served = s;
        Log.push_back("Served");
    }
    void ProcessAcquisition() override { Log.push_back("Process"); }
    void ShowResults() override { Log.push_back("Show"); }
    void LoadUnloadModules() override { Log.push_back("LoadUnload"); }
};

struct TThreadFixture : ::testing::Test {
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;
    TBusRecorder Watcher;
    TFakeDevice Device;
    TFakeHost Host;
    platform::TManualClock Clock;
    std::vector<bool> Recoveries{};
    std::function<bool()> Recovery = [] { return true; };

    void SetUp() override {
        Settings.SetDefaultCapabilities();
        Settings.VirtualChannelCount = 2;
        Settings.PointsOnScreen = 50;
        Settings.TimeBases = {{1e6, 1e6, 0, 100}, {1e7, 1e6, 1, 101}};
        Settings.Ranges = {{1, 200}, {2, 201}, {5, 202}};
        Settings.ShiftMin = -100;
        Settings.ShiftMax = 100;
        TDeviceSettings &r = Settings.RequestedSettings();
        r.MemorySize = 1024;
        Settings.BringWithinCapabilities(r);
        Settings.StartAcquisitionSettings();
        Settings.ShowAcquisitionSettings();
        Settings.ChannelsOn = {1, 1, 0, 0, 0, 0};
        Settings.DisplayRatio = 1024.0 / 50;
        // Every message with its parameter; the shift handler is the vertical controller's.
        Watcher.Answers[bmQueryQuickViewWidth] = 50;
        Watcher.KeepsAnswered = true;
        Watcher.OnMessage = [this](int32_t Msg, int32_t Param, void *Data) {
            if (Msg == bmShiftValueSet)
                Settings.RequestedSettings().Shift[size_t(Param)] = *static_cast<int32_t *>(Data);
        };
        Device.ShiftFromRange = 40;
        Device.ShiftPerPosition = 2;
        Device.ProgressA = 30;
        Device.ProgressB = 60;
        JoinBus(Bus, Settings, {&Source, &Watcher});
        Bus.Broadcast(bmInitialize, 0, nullptr);
    }

    TAcquisitionContext Context(platform::ISynchronizer *sync = nullptr) {
        TAcquisitionContext c;
        c.Settings = &Settings;
        c.DataSource = &Source;
        c.ModuleHost = &Host;
        c.Bus = &Bus;
        c.Device = &Device;
        c.Synchronizer = sync;
        c.Sleeper = &Clock;
        c.ShowCommBroken = [this] { return Recovery(); };
        return c;
    }
};

TEST_F(TThreadFixture, ForcedPushSendsEverySettingInItsFixedOrder) {
    TDeviceSettings &r = Settings.RequestedSettings();
    r.Range = {1, 2};
    r.Shift = {5, -5};
    r.TriggerSourceOn[0] = {1, 0, 0};
    r.TriggerLeading[1] = {0, 1, 0};
    r.TriggerLevel = {100, 110, 120};
    r.TriggerCount = {3, 4};
    r.TriggerLength = {7, 8};
    r.TriggerMode = tmSingle;
    r.StartRequest = true;
    r.AfterTrigger = 512;
    r.HoldOff = 9;
    r.FilterFactor = {4, 6};
    r.ProbeMode = {1, 3};
    r.WCD = 2;
    r.GroundPositionMove = {0, 2.5};
    r.GroundPosition = {128, 100};
    Device.Ground[1] = 101;
    TAcquisitionThread thread(Context());
    thread.SetForced();
    thread.PushSettings();
    const TLog expected = {
        "ChannelHold(0,0)",  "ChannelHold(1,0)", "MemorySize(1024)",
        "TimeBase(100)",     "Range(0,201)",     "Range(1,202)",
        "Shift(0,5)",        "Shift(1,-5)",      "PositionToShift(1,102)", // round(2.5 + 100), halves to even
        "Shift(0,5)",        "Shift(1,204)",     "TriggerMode(2)",
        "Source(0,0,1)",     "Source(0,1,0)",    "Source(0,2,0)",
        "Source(1,0,0)",     "Source(1,1,0)",    "Source(1,2,0)",
        "Leading(0,0,0)",    "Leading(0,1,0)",   "Leading(0,2,0)",
        "Leading(1,0,0)",    "Leading(1,1,1)",   "Leading(1,2,0)",
        "Level(0,100)",      "Level(1,110)",     "Level(2,120)",
        "AfterTrigger(512)", "HoldOff(9)",       "Count(0,3)",
        "Count(1,4)",        "Length(0,7)",      "Length(1,8)",
        "FilterOn(0,0)",     "FilterOn(1,0)",    "FilterFactor(0,4)",
        "FilterFactor(1,6)", "DC(0,1)",          "DC(1,1)",
        "Ground(0,0)",       "Ground(1,0)",      "Probe(0,1)",
        "Probe(1,3)",        "WCD(2)",           "Compensation(0)"};
    EXPECT_EQ(Device.Take(), expected);
    // No shift message from the ranges; the ground move gives one; every ground level is announced.
    EXPECT_EQ(Watcher.Pairs({bmShiftValueSet}), (std::vector<std::pair<int32_t, int32_t>>{{36, 1}}));
    EXPECT_EQ(Watcher.Pairs({bmGroundLevelChanged}),
              (std::vector<std::pair<int32_t, int32_t>>{{31, 0}, {31, 1}}));
    EXPECT_EQ(r.GroundPositionMove[1], 0);
    EXPECT_EQ(r.GroundPosition[1], 101);
    EXPECT_EQ(Settings.AcquisitionSettings().WCD, 2);
    EXPECT_EQ(Host.Log, TLog{"LoadUnload"});
    EXPECT_FALSE(thread.ForcedPending());
    for (const TWaveform &w : thread.Waveforms())
        EXPECT_EQ(w.Data.size(), 1024u);
}

TEST_F(TThreadFixture, UnforcedPushSendsOnlyWhatChanged) {
    TAcquisitionThread thread(Context());
    thread.Prepare(); // the forced first push
    Device.Take();
    Watcher.Clear();
    thread.PushSettings();
    EXPECT_TRUE(Device.Take().empty());
    EXPECT_TRUE(Watcher.Log.empty());

    TDeviceSettings &r = Settings.RequestedSettings();
    r.Range[1] = 2;
    r.TriggerLevel[2] = 50;
    r.ProbeMode[0] = 2;
    r.HoldOff = 77;
    thread.PushSettings();
    // The device's new shift of channel B comes back through the shift message; both shift steps send it
    // (the acquisition copy takes it only at the end of the push).
    EXPECT_EQ(Device.Take(), (TLog{"Range(1,202)", "Shift(1,41)", "Shift(1,41)", "Level(2,50)", "HoldOff(77)",
                                   "Probe(0,2)"}));
    EXPECT_EQ(Watcher.Pairs({bmShiftValueSet}), (std::vector<std::pair<int32_t, int32_t>>{{36, 1}}));
    thread.PushSettings();
    EXPECT_TRUE(Device.Take().empty());
}

TEST_F(TThreadFixture, MemorySizeResizesEveryBufferBeforeTheDeviceIsTold) {
    TAcquisitionThread thread(Context());
    thread.Prepare();
    Settings.RequestedSettings().MemorySize = 4096;
    std::vector<size_t> sizes;
    Device.OnSetMemorySize = [&] {
        for (const TWaveform &w : thread.Waveforms())
            sizes.push_back(w.Data.size());
    };
    thread.PushSettings();
    EXPECT_EQ(sizes, std::vector<size_t>(4, 4096));
}

TEST_F(TThreadFixture, StartRequestOnlyInSingleAndManualModeOnlyWhenChangedNeverForced) {
    struct TRow {
        int32_t Mode;
        bool Forced, Sent;
    };
    for (const TRow row :
         {TRow{tmAuto, false, false}, TRow{tmNormal, false, false}, TRow{tmSingle, false, true},
          TRow{tmManual, false, true}, TRow{tmSingle, true, false}}) {
        SCOPED_TRACE(row.Mode);
        TAcquisitionThread thread(Context());
        TDeviceSettings &r = Settings.RequestedSettings();
        r.TriggerMode = row.Mode;
        Settings.StartAcquisitionSettings();
        r.StartRequest = !Settings.AcquisitionSettings().StartRequest;
        if (row.Forced)
            thread.SetForced();
        Device.Take();
        thread.PushSettings();
        const TLog log = Device.Take();
        const bool sent = std::find(log.begin(), log.end(),
                                    TFakeDevice::Call("StartRequest", {r.StartRequest})) != log.end();
        EXPECT_EQ(sent, row.Sent);
        Device.Take();
        thread.PushSettings(); // unchanged now
        EXPECT_TRUE(Device.Take().empty());
    }
}

TEST_F(TThreadFixture, HoldStopsPollingAndReleasingItRestartsTheCapture) {
    TAcquisitionThread thread(Context());
    thread.Prepare();
    Settings.TriggerHold = true;
    const int reads = Device.Reads;
    const uint32_t before = Clock.Now;
    EXPECT_TRUE(thread.Pass());
    EXPECT_TRUE(thread.Pass());
    EXPECT_EQ(Device.Reads, reads);
    EXPECT_EQ(Clock.Now - before, 2u); // one 1 ms pause per held pass
    Device.Take();
    Settings.TriggerHold = false;
    EXPECT_TRUE(thread.Pass());
    EXPECT_EQ(Device.Take(), TLog{"Start"});
    EXPECT_EQ(Device.Reads, reads + 1);
}

TEST_F(TThreadFixture, StateIsAnnouncedOnChangeAndARecordGoesThroughModulesToTheScreen) {
    TAcquisitionThread thread(Context());
    Device.States = {0, 0, 0, 1, 2, 0};
    thread.Prepare();
    EXPECT_EQ(Host.Buffers[0], &thread.Waveforms()[0]);
    EXPECT_EQ(Host.Served, &Settings.AcquisitionSettings());
    Host.Log.clear();
    for (int i = 0; i < 4; ++i)
        thread.Pass();
    EXPECT_EQ(Watcher.Pairs({bmAcquisitionState}),
              (std::vector<std::pair<int32_t, int32_t>>{{19, 0}, {19, 1}}));
    EXPECT_TRUE(Watcher.Pairs({bmScreenDataReady}).empty());
    Watcher.Clear();
    Host.Log.clear();
    const int starts = Device.Starts;
    Settings.ChannelsOn[2] = 1; // module channel C takes channel A's range, D stays empty
    thread.Waveforms()[3].First = 0;
    thread.Waveforms()[3].Last = 10;
    thread.Pass();
    EXPECT_EQ(Host.Log, (TLog{"LoadUnload", "Served", "Process", "Show", "Served"}));
    EXPECT_EQ(Device.Starts, starts + 1);
    EXPECT_EQ(Watcher.Pairs({bmAcquisitionState}), (std::vector<std::pair<int32_t, int32_t>>{{19, 2}}));
    EXPECT_EQ(Watcher.Pairs({bmScreenDataReady}), (std::vector<std::pair<int32_t, int32_t>>{{9, 0b0111}}));
    EXPECT_EQ(Watcher.Pairs({bmQuickViewDataReady}),
              (std::vector<std::pair<int32_t, int32_t>>{{17, 0b0111}}));
    EXPECT_TRUE(Watcher.Pairs({bmSamplingProgress}).empty()); // not an equivalent-time base
    const TAcquiredData &shown = Source.Waveforms();
    EXPECT_EQ(shown[0].Last, 1023);
    EXPECT_EQ(shown[1].Data[7], 22);
    EXPECT_EQ(shown[2].First, 0);
    EXPECT_EQ(shown[2].Last, 1023);
    EXPECT_TRUE(shown[3].Empty());
    EXPECT_TRUE(Source.ScreenColumns(0).Valid);
    // Between records the modules see the data and settings on screen.
    EXPECT_EQ(Host.Buffers[1], &Source.Waveforms()[1]);
    EXPECT_EQ(Host.Served, &Settings.ShownSettings());
}

TEST_F(TThreadFixture, EquivalentTimeRecordAnnouncesTheSamplingProgress) {
    Settings.RequestedSettings().TimeBase = 1;
    TAcquisitionThread thread(Context());
    Device.States = {2};
    thread.Prepare();
    thread.Pass();
    EXPECT_EQ(Watcher.Pairs({bmSamplingProgress}), (std::vector<std::pair<int32_t, int32_t>>{{37, 30}}));
}

TEST_F(TThreadFixture, NoExceptionLeavesAPassAndTheLockIsFreeAfterwards) {
    TAcquisitionThread thread(Context());
    thread.Prepare();
    Device.ThrowOnRead = true;
    EXPECT_TRUE(thread.Pass());
    // A failing push (a handler of its messages throwing) is swallowed as well.
    Device.ThrowOnRead = false;
    Device.Ground[0] = 3;
    TDeviceSettings &r = Settings.RequestedSettings();
    TBusRecorder thrower(Bus);
    thrower.OnMessage = [](int32_t Msg, int32_t, void *) {
        if (Msg == bmGroundLevelChanged)
            throw std::runtime_error("handler failed");
    };
    EXPECT_TRUE(thread.Pass());
    EXPECT_EQ(r.GroundPosition[0], 3);
    std::thread other([&] {
        thread.Lock();
        thread.Unlock();
    });
    other.join();
}

TEST_F(TThreadFixture, BrokenLinkRecoveryForcesTheNextPushAndAnExitEndsTheLoop) {
    TAcquisitionThread thread(Context());
    thread.Prepare();
    int shown = 0;
    Recovery = [&] {
        ++shown;
        Device.LinkOk = true;
        return true;
    };
    Device.LinkOk = false;
    EXPECT_TRUE(thread.Pass());
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(thread.ForcedPending());
    Device.Take();
    thread.Pass();
    EXPECT_FALSE(thread.ForcedPending());
    EXPECT_GT(Device.Take().size(), 20u); // everything sent to the reopened device

    Recovery = [&] {
        ++shown;
        return false;
    };
    Device.LinkOk = false;
    EXPECT_FALSE(thread.Pass());
    const int reads = Device.Reads;
    EXPECT_FALSE(thread.Pass());
    EXPECT_EQ(Device.Reads, reads);
    EXPECT_EQ(shown, 2);
}

// Runs the call, then does what a settings import in the GUI thread right after it would do.
class TImportAfterPush : public platform::ISynchronizer {
public:
    TAcquisitionThread *Thread = nullptr;
    void Synchronize(const std::function<void()> &call) override {
        call();
        if (Thread)
            Thread->SetForced();
    }
};

TEST_F(TThreadFixture, ForcedRequestMadeAfterAPushIsKeptForTheNextOne) {
    TImportAfterPush sync;
    TAcquisitionThread thread(Context(&sync));
    sync.Thread = &thread;
    thread.Pass();
    EXPECT_TRUE(thread.ForcedPending());
}

TEST_F(TThreadFixture, FirstStartIsMadeUnderTheLock) {
    TAcquisitionThread thread(Context());
    thread.Lock();
    thread.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Device.Starts, 0);
    thread.Unlock();
    thread.WaitFor();
    EXPECT_GE(Device.Starts, 1);
}

TEST_F(TThreadFixture, ShutDownWhileTheThreadWaitsForTheGuiThreadNeverDeadlocks) {
    TQueuedSynchronizer sync; // served by this thread only through WaitFor
    TAcquisitionContext context = Context(&sync);
    context.ServePending = [&] { sync.ServePending(); };
    std::atomic<bool> terminating{false};
    std::atomic<int> shownAfterTerminate{0};
    context.ShowCommBroken = [&] {
        shownAfterTerminate += terminating ? 1 : 0;
        return true;
    };
    Device.LinkOk = false;
    // The first poll waits until this thread has stopped serving; then the recovery call is queued.
    std::atomic<bool> polling{false}, release{false};
    Device.OnRead = [&] {
        if (!polling.exchange(true))
            while (!release)
                std::this_thread::yield();
    };
    TAcquisitionThread thread(context);
    thread.Start();
    while (!polling)
        sync.ServePending();
    sync.ServePending();
    release = true;
    while (!sync.HasPending())
        std::this_thread::yield();
    terminating = true;
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(shownAfterTerminate, 0); // no recovery form once the shut-down began
}

} // namespace

} // namespace scope
