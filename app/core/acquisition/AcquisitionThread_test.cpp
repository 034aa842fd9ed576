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

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
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
        "Shift(0,5)",        "Shift(1,100)",     "TriggerMode(2)", // the answer 204 held to the shift range
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

TEST_F(TThreadFixture, GroundMovesOfDamagedRecordsStayWithinTheScreenAndTheShiftRange) {
    // Levels 0..255, shifts -100..100, a shift of twice the level; the ground stands at 128.
    struct TCase {
        const char *Name;
        double Move;
        int32_t Level, Shift;
    } cases[] = {
        {"within both", -98, 30, 60},   {"past the shift range", 10, 138, 100},
        {"1E308", 1e308, 512, 100},     {"-1E308", -1e308, -256, -100},
        {"6.5E150", 6.5e150, 512, 100}, {"the largest double", std::numeric_limits<double>::max(), 512, 100},
    };
    TAcquisitionThread thread(Context());
    thread.Prepare();
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Device.Take();
        TDeviceSettings &r = Settings.RequestedSettings();
        r.GroundPositionMove[0] = c.Move;
        thread.PushSettings();
        const TLog log = Device.Take();
        EXPECT_NE(std::find(log.begin(), log.end(), "PositionToShift(0," + std::to_string(c.Level) + ")"),
                  log.end());
        EXPECT_EQ(r.Shift[0], c.Shift);
        EXPECT_EQ(r.GroundPositionMove[0], 0);
    }
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
    TLockProbe probe([&] { return thread.TryLock(); }, [&] { thread.Unlock(); });
    Device.OnStart = [&] { probe.Probe(); };
    thread.Start();
    thread.WaitFor();
    EXPECT_GE(Device.Starts, 1);
    EXPECT_TRUE(probe.Probed);
    EXPECT_TRUE(probe.HeldDuringCall);
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

// Counts the hand-offs to the GUI thread and runs them inline.
class TCountingSynchronizer : public platform::ISynchronizer {
public:
    int Calls = 0;
    void Synchronize(const std::function<void()> &call) override {
        ++Calls;
        call();
    }
};

// A module host whose load/unload work is scripted.
class TPendingHost : public TFakeHost {
public:
    bool Pending = false;
    bool LoadUnloadPending() override { return Pending; }
};

struct TShortcutRig : TThreadFixture {
    void TestBody() override {}
    TPendingHost PendingHost;
    TCountingSynchronizer Sync;

    // Runs the passes, applying each step before its pass; the device log with a mark after each pass.
    TLog Run(bool everyPass, const std::vector<std::function<void(TShortcutRig &)>> &steps) {
        SetUp();
        TAcquisitionContext context = Context(&Sync);
        context.ModuleHost = &PendingHost;
        context.PushEveryPass = everyPass;
        Device.States = {0};
        TAcquisitionThread thread(context);
        thread.Prepare();
        TLog log = Device.Take();
        for (const auto &step : steps) {
            step(*this);
            thread.Pass();
            for (std::string &call : Device.Take())
                log.push_back(std::move(call));
            log.push_back("|");
        }
        return log;
    }
};

TEST(AcquisitionShortcut, DeviceSeesTheSameCallsInTheSamePassesWithAndWithoutTheShortcut) {
    using TStep = std::function<void(TShortcutRig &)>;
    const TStep idle = [](TShortcutRig &) {};
    const std::vector<TStep> steps = {
        idle,
        idle,
        [](TShortcutRig &r) { r.Settings.RequestedSettings().Range[1] = 0; }, // a shift message follows
        idle,
        [](TShortcutRig &r) { r.Settings.RequestedSettings().GroundPositionMove[0] = 3; },
        idle,
        [](TShortcutRig &r) { r.Device.Ground[1] = 90; }, // the device's 0 V moves only with a shift
        [](TShortcutRig &r) { r.Settings.RequestedSettings().Shift[1] = 7; },
        [](TShortcutRig &r) { r.Settings.TriggerHold = true; },
        idle,
        [](TShortcutRig &r) { r.Settings.RequestedSettings().TriggerLevel[0] = 99; }, // while held
        [](TShortcutRig &r) { r.Settings.TriggerHold = false; },
        [](TShortcutRig &r) {
            TDeviceSettings &d = r.Settings.RequestedSettings();
            d.TriggerMode = tmSingle;
            d.StartRequest = true;
        },
        idle,
        [](TShortcutRig &r) { r.Settings.RequestedSettings().MemorySize = 2048; },
        [](TShortcutRig &r) { r.PendingHost.Pending = true; },
        [](TShortcutRig &r) { r.PendingHost.Pending = false; },
        [](TShortcutRig &r) {
            // A settings document read while running, as an import does before it forces a push.
            TXMLSettings document;
            r.Settings.LoadFromXML(document);
        },
        idle,
        idle,
    };
    TShortcutRig plain, shortcut;
    const TLog expected = plain.Run(true, steps);
    const TLog log = shortcut.Run(false, steps);
    EXPECT_EQ(log, expected);
    // The changes reach the device at all.
    for (const char *call : {"Range(1,200)", "PositionToShift(0,131)", "Shift(1,7)", "Level(0,99)",
                             "StartRequest(1)", "MemorySize(2048)"})
        EXPECT_NE(std::find(log.begin(), log.end(), call), log.end()) << call;
    // Only the passes with something to do asked the GUI thread.
    EXPECT_EQ(plain.Sync.Calls, int(steps.size()) + 1 + 1); // every pass, the first push, one state
    EXPECT_LT(shortcut.Sync.Calls, plain.Sync.Calls);
}

TEST_F(TThreadFixture, AStateOnItsOwnReachesTheGuiThreadWithoutAWakeUpEachPass) {
    TQueuedSynchronizer sync;
    std::atomic<int> wakeUps{0};
    sync.OnQueued = [&] { ++wakeUps; };
    TPendingHost host; // no module work: only changed settings make a push
    TAcquisitionContext context = Context(&sync);
    context.ModuleHost = &host;
    context.ServePending = [&] { sync.ServePending(); };
    Device.States = {1}; // triggered, and no record ever comes
    // The state is posted at the first poll; the display frame is over after the tenth.
    platform::TManualClock frame; // read and moved in the worker thread only
    context.Clock = &frame;
    std::atomic<int> reads{0};
    // The first poll waits until the push has been served, so the state cannot go with it.
    std::atomic<bool> pushServed{false};
    std::atomic<int> wakeUpsInFrame{-1};
    Device.OnRead = [&] {
        while (reads == 0 && !pushServed)
            std::this_thread::yield();
        if (++reads == 10) {
            wakeUpsInFrame = wakeUps.load();
            frame.Advance(16);
        }
    };
    TAcquisitionThread thread(context);
    thread.Start();
    // This thread serves only when woken, as the GUI thread's event loop does.
    int served = 0;
    const auto start = std::chrono::steady_clock::now();
    while (Watcher.Pairs({bmAcquisitionState}).empty() &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
        if (wakeUps > served) {
            served = wakeUps;
            sync.ServePending();
            pushServed = true;
        }
        std::this_thread::yield();
    }
    pushServed = true;
    const int passes = reads;
    thread.WaitFor();
    EXPECT_EQ(Watcher.Pairs({bmAcquisitionState}), (std::vector<std::pair<int32_t, int32_t>>{{19, 1}}));
    // The settings push woke the GUI thread once, the waiting state once, a display frame later: the
    // thread went on polling meanwhile (posted with a wake-up of its own, it would arrive after a pass).
    EXPECT_EQ(wakeUpsInFrame, 1) << "the state woke the GUI thread before the frame was over";
    EXPECT_EQ(served, 2);
    EXPECT_GE(passes, 10);
}

// A record's state announcement and its data reach the GUI thread in one hand-off, the announcement
// first; the other states each take one, and an unchanged state none.
TEST_F(TThreadFixture, ARecordsStateTravelsWithItsDataInOneHandOff) {
    TCountingSynchronizer sync;
    TPendingHost host; // no module work: the settings push makes no hand-off of its own
    TAcquisitionContext context = Context(&sync);
    context.ModuleHost = &host;
    TAcquisitionThread thread(context);
    Device.States = {0, 1, 1, 2, 2, 0, 2};
    thread.Prepare();
    const int before = sync.Calls;
    const struct {
        int HandOffs;
        std::vector<int32_t> Messages;
    } passes[] = {
        {1, {bmAcquisitionState}},                                          // 0
        {1, {bmAcquisitionState}},                                          // 1
        {0, {}},                                                            // 1 again
        {1, {bmAcquisitionState, bmScreenDataReady, bmQuickViewDataReady}}, // 2: with its data
        {1, {bmScreenDataReady, bmQuickViewDataReady}},                     // 2 again: the data only
        {1, {bmAcquisitionState}},                                          // 0
        {1, {bmAcquisitionState, bmScreenDataReady, bmQuickViewDataReady}}, // 2 straight from waiting
    };
    int calls = before;
    std::vector<std::pair<int32_t, int32_t>> states;
    for (size_t k = 0; k < std::size(passes); ++k) {
        SCOPED_TRACE(k);
        Watcher.Clear();
        thread.Pass();
        EXPECT_EQ(sync.Calls - calls, passes[k].HandOffs);
        calls = sync.Calls;
        std::vector<int32_t> messages;
        for (int32_t m : Watcher.Messages())
            if (m == bmAcquisitionState || m == bmScreenDataReady || m == bmQuickViewDataReady)
                messages.push_back(m);
        EXPECT_EQ(messages, passes[k].Messages);
        for (const auto &p : Watcher.Pairs({bmAcquisitionState}))
            states.push_back(p);
    }
    EXPECT_EQ(states,
              (std::vector<std::pair<int32_t, int32_t>>{{19, 0}, {19, 1}, {19, 2}, {19, 0}, {19, 2}}));
}

TEST_F(TThreadFixture, IdlePassesMakeNoHandOffAndAnyWriteOrForceBringsOneBack) {
    TCountingSynchronizer sync;
    TPendingHost host;
    TAcquisitionContext context = Context(&sync);
    context.ModuleHost = &host;
    TAcquisitionThread thread(context);
    thread.Prepare();
    thread.Pass(); // the first state announcement
    const int before = sync.Calls;
    for (int i = 0; i < 5; ++i)
        thread.Pass();
    EXPECT_EQ(sync.Calls, before);

    struct TCase {
        const char *Name;
        std::function<void()> Change;
    } cases[] = {
        {"requested copy", [&] { Settings.RequestedSettings().HoldOff = 5; }},
        {"hold", [&] { Settings.TriggerHold = true; }},
        {"hold released", [&] { Settings.TriggerHold = false; }},
        {"forced", [&] { thread.SetForced(); }},
        {"module work", [&] { host.Pending = true; }},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        c.Change();
        const int calls = sync.Calls;
        thread.Pass();
        EXPECT_EQ(sync.Calls, calls + 1);
        host.Pending = false;
        thread.Pass();
        EXPECT_EQ(sync.Calls, calls + 1);
    }
    // Reading the requested copy through a const view marks nothing.
    const int calls = sync.Calls;
    EXPECT_EQ(std::as_const(Settings).RequestedSettings().HoldOff, 5);
    thread.Pass();
    EXPECT_EQ(sync.Calls, calls);
}

} // namespace

} // namespace scope
