// The one worker thread: it polls the device for records, lets the analysis modules compute on each new
// record, and hands it to the data source in the GUI thread. Before every poll the GUI thread sends every
// changed device setting to the device.
#pragma once

#include "device/DataTypesTarn.h"
#include "platform/Platform.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace scope {

class TSettingsTarn;
class TDataSourceTarn;
class TObjMasterTarn;
class TDriverAbstraction;
class IModuleHost;

struct TAcquisitionContext {
    TSettingsTarn *Settings = nullptr;
    TDataSourceTarn *DataSource = nullptr;
    IModuleHost *ModuleHost = nullptr; // none: no modules
    TObjMasterTarn *Bus = nullptr;
    TDriverAbstraction *Device = nullptr;
    // Runs a routine in the GUI thread while the thread waits.
    platform::ISynchronizer *Synchronizer = nullptr;
    // The 1 ms pause of a held pass.
    platform::ISleeper *Sleeper = nullptr;
    // Times the display frame a state posted on its own waits at most; none: the steady clock.
    platform::IClock *Clock = nullptr;
    // Serves the synchronised calls already queued; the GUI thread runs it while it waits for the end.
    std::function<void()> ServePending;
    // The communication-broken form, shown modally in the GUI thread; true when the device was reopened.
    // When it answers false the user chose to exit: the form has closed the main window and the thread
    // ends without touching the broken device again.
    std::function<bool()> ShowCommBroken;
    // Pushes before every poll even when nothing changed: the loop without its shortcut, which must
    // send the device the same calls at the same passes.
    bool PushEveryPass = false;
};

class TAcquisitionThread {
public:
    explicit TAcquisitionThread(const TAcquisitionContext &context);
    // Ends the thread if it still runs.
    ~TAcquisitionThread();
    TAcquisitionThread(const TAcquisitionThread &) = delete;
    TAcquisitionThread &operator=(const TAcquisitionThread &) = delete;

    void Start();
    // Asks the loop to end; from then on it makes no new synchronised call.
    void Terminate() { Terminated = true; }
    // Terminates and waits for the end, serving queued calls meanwhile (GUI thread).
    void WaitFor();
    bool Finished() const { return Done; }

    // GUI-thread code that calls the device outside a synchronised call holds this lock.
    void Lock() { Mutex.lock(); }
    void Unlock() { Mutex.unlock(); }
    // Takes the lock only when it is free.
    bool TryLock() { return Mutex.try_lock(); }

    // The next push sends every setting (start, reconnection, settings import). Any thread.
    void SetForced() { Forced = true; }
    bool ForcedPending() const { return Forced; }
    bool Holding() const { return Hold; }
    int32_t LastState() const { return State; }

    // The synchronised steps, run in the GUI thread (public so that they can be driven on their own).
    void PushSettings();
    void HandOverData();
    void AnnounceState();
    void Announce(int32_t state);

    TAcquiredData &Waveforms() { return Waves; }

    // Loop passes made so far.
    uint64_t Passes() const { return PassCount; }
    // One pass of the loop; false when the loop is to end.
    bool Pass();
    // Whether this pass pushes: forced, a device setting marked changed, the hold switched, or module
    // work waiting. Otherwise the push would send nothing and is not made.
    bool PushNeeded() const;
    // What the thread does before its loop.
    void Prepare();

private:
    void Execute();
    // False when termination was requested: the call is then not made.
    bool Synchronized(const std::function<void()> &call);
    void PointModuleHostAtRecord();
    void PointModuleHostAtScreen();

    TAcquisitionContext Ctx;
    TAcquiredData Waves;
    std::atomic<bool> Forced{false};
    std::atomic<bool> Hold{false};
    std::atomic<bool> Terminated{false};
    std::atomic<bool> Done{false};
    std::atomic<int32_t> State{-1};
    std::atomic<uint64_t> PassCount{0};
    // A state posted without waking the GUI thread: it goes with the next call that wakes it, or after
    // a display frame at the latest.
    bool StateWaiting = false;
    uint32_t StatePostedAt = 0;
    platform::TSteadyClock SteadyClock;
    std::mutex Mutex;
    std::thread Worker;
};

} // namespace scope
