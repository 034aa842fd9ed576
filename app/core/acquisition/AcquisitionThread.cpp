#include "acquisition/AcquisitionThread.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "device/DriverAbstraction.h"
#include "modules/ModuleHost.h"
#include "settings/SettingsTarn.h"
#include "trigger/TriggerArithmetic.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace scope {

namespace {

void MakeEmpty(TWaveform &w) {
    w.First = 1;
    w.Last = 0;
}

template <typename A> bool Differs(bool forced, const A &requested, const A &acquiring, size_t i) {
    return forced || i >= acquiring.size() || requested[i] != acquiring[i];
}

// Indices of per-channel arrays that exist: the physical channels, as far as the array reaches.
size_t Reach(int32_t count, size_t size) {
    return std::min(size_t(std::max(count, 0)), size);
}

// The level a 0 V line is moved to. One more than a screen height off the screen lies past every
// instrument's shift range, so a move from a damaged record goes no further than that.
int32_t TargetLevel(double level, int32_t levelCount) {
    const int32_t screen = std::max(levelCount, 1);
    return std::clamp(RoundSaturated(level), -screen, 2 * screen);
}

} // namespace

TAcquisitionThread::TAcquisitionThread(const TAcquisitionContext &context) : Ctx(context) {
    if (!Ctx.Clock)
        Ctx.Clock = &SteadyClock;
}

TAcquisitionThread::~TAcquisitionThread() {
    if (Worker.joinable())
        WaitFor();
}

void TAcquisitionThread::Start() {
    if (Worker.joinable())
        return;
    Terminated = false;
    Done = false;
    Worker = std::thread([this] { Execute(); });
}

void TAcquisitionThread::WaitFor() {
    Terminate();
    if (!Worker.joinable())
        return;
    // The thread may be blocked in a call queued for this thread: keep serving until it has ended.
    while (!Done) {
        if (Ctx.ServePending)
            Ctx.ServePending();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Worker.join();
    // What the thread posted last (a state announcement) runs now, while what it names still exists.
    if (Ctx.ServePending)
        Ctx.ServePending();
}

void TAcquisitionThread::Execute() {
    Prepare();
    while (Pass()) {
    }
    Done = true;
}

bool TAcquisitionThread::Synchronized(const std::function<void()> &call) {
    if (Terminated)
        return false;
    StateWaiting = false; // this call's wake-up serves what was posted before it
    if (Ctx.Synchronizer)
        Ctx.Synchronizer->Synchronize(call);
    else
        call();
    return !Terminated;
}

void TAcquisitionThread::Prepare() {
    const TSettingsTarn &s = *Ctx.Settings;
    Waves.assign(size_t(std::max(s.PhysicalChannelCount + s.VirtualChannelCount, 0)), TWaveform{});
    for (TWaveform &w : Waves)
        MakeEmpty(w);
    Forced = true;
    try {
        Synchronized([this] { PushSettings(); });
    } catch (...) {
        // The forced flag stays set, so the first pass pushes everything again.
    }
    try {
        PointModuleHostAtRecord();
        State = -1;
        std::lock_guard<std::mutex> guard(Mutex);
        Ctx.Device->StartAcquisition();
    } catch (...) {
    }
}

bool TAcquisitionThread::Pass() {
    if (Terminated)
        return false;
    ++PassCount;
    if (StateWaiting && Ctx.Clock->TickCount() - StatePostedAt >= 16) {
        StateWaiting = false;
        Ctx.Synchronizer->Wake();
    }
    try {
        // Only a pass with something to send asks the GUI thread; the others cost a few loads.
        if (PushNeeded() && !Synchronized([this] { PushSettings(); }))
            return false;
        if (Hold) {
            if (Ctx.Sleeper)
                Ctx.Sleeper->Sleep(1);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return !Terminated;
        }
        int32_t state;
        bool ok;
        {
            std::lock_guard<std::mutex> guard(Mutex);
            state = Ctx.Device->ReadAcquisition(Waves);
            ok = Ctx.Device->IsCommunicationOK();
        }
        if (!ok) {
            bool reconnected = true;
            const bool shown = Synchronized([&] {
                // Asked again in the GUI thread: no recovery form once the shut-down has begun.
                if (!Terminated && Ctx.ShowCommBroken)
                    reconnected = Ctx.ShowCommBroken();
                if (reconnected)
                    Forced = true;
            });
            if (shown && !reconnected)
                Terminated = true; // the user chose to exit; the broken device is not polled again
            return !Terminated;
        }
        const bool announce = state != State;
        State = state;
        // A record's state travels with its data: one hand-off instead of two, the same messages in the
        // same order. The modules' processing reads only the record and the acquisition copy, which the
        // announcement leaves alone.
        // A state on its own is posted: the GUI thread shows it in turn while the next poll goes out. It
        // does not wake the GUI thread for itself: shown with the record that follows, or a display
        // frame later, it looks the same and costs one wake-up less a record.
        if (announce && State != asRecordRead) {
            if (Terminated)
                return false;
            const int32_t shown = State;
            const auto call = [this, shown] { Announce(shown); };
            if (Ctx.Synchronizer) {
                Ctx.Synchronizer->Post(call, false);
                if (!StateWaiting)
                    StatePostedAt = Ctx.Clock->TickCount();
                StateWaiting = true;
            } else {
                call();
            }
        }
        if (State == asRecordRead) {
            PointModuleHostAtRecord();
            if (Ctx.ModuleHost)
                Ctx.ModuleHost->ProcessAcquisition();
            if (!Synchronized([this, announce] {
                    if (announce)
                        AnnounceState();
                    HandOverData();
                }))
                return false;
            {
                std::lock_guard<std::mutex> guard(Mutex);
                Ctx.Device->StartAcquisition();
            }
            PointModuleHostAtScreen();
        }
    } catch (...) {
        // Nothing leaves the thread; the next pass starts afresh.
    }
    return !Terminated;
}

bool TAcquisitionThread::PushNeeded() const {
    const TSettingsTarn &s = *Ctx.Settings;
    return Ctx.PushEveryPass || Forced || s.DeviceSettingsMarked() || bool(s.TriggerHold) != Hold ||
           (Ctx.ModuleHost && Ctx.ModuleHost->LoadUnloadPending());
}

void TAcquisitionThread::PointModuleHostAtRecord() {
    if (!Ctx.ModuleHost)
        return;
    TModuleHostLock guard(*Ctx.ModuleHost);
    for (size_t i = 0; i < Waves.size(); ++i)
        Ctx.ModuleHost->SetChannelBuffer(int32_t(i), &Waves[i]);
    Ctx.ModuleHost->SetServedSettings(&Ctx.Settings->AcquisitionSettings());
}

void TAcquisitionThread::PointModuleHostAtScreen() {
    if (!Ctx.ModuleHost)
        return;
    TModuleHostLock guard(*Ctx.ModuleHost);
    TAcquiredData &shown = Ctx.DataSource->Waveforms();
    for (size_t i = 0; i < Waves.size() && i < shown.size(); ++i)
        Ctx.ModuleHost->SetChannelBuffer(int32_t(i), &shown[i]);
    Ctx.ModuleHost->SetServedSettings(&Ctx.Settings->ShownSettings());
}

void TAcquisitionThread::PushSettings() {
    TSettingsTarn &s = *Ctx.Settings;
    TDriverAbstraction &dev = *Ctx.Device;
    TDeviceSettings &r = s.RequestedSettings();
    // Taken after the reference above: what the push itself writes through it does not mark again,
    // what a handler of its messages writes does.
    s.TakeDeviceSettingsMark();
    const TDeviceSettings &a = s.AcquisitionSettings();
    const bool forced = Forced;
    const int32_t channels = s.PhysicalChannelCount;
    auto broadcast = [&](int32_t msg, int32_t param, void *data) {
        if (Ctx.Bus)
            Ctx.Bus->Broadcast(msg, param, data);
    };
    auto perChannel = [&](const auto &field, auto send) {
        for (size_t i = 0; i < Reach(channels, field(r).size()); ++i)
            if (Differs(forced, field(r), field(a), i))
                send(int32_t(i), field(r)[i]);
    };

    // The application-wide hold; releasing it restarts the capture at once.
    if (bool(s.TriggerHold) != Hold) {
        Hold = bool(s.TriggerHold);
        if (!Hold)
            dev.StartAcquisition();
    }
    perChannel([](const TDeviceSettings &d) -> const TBoolArray & { return d.HoldChannel; },
               [&](int32_t c, uint8_t on) { dev.SetChannelHold(c, on != 0); });
    // Every buffer gets the new length before the device is told, so the next record fits.
    if (forced || r.MemorySize != a.MemorySize) {
        for (TWaveform &w : Waves)
            w.Data.resize(size_t(std::max(r.MemorySize, 0)));
        dev.SetMemorySize(r.MemorySize);
    }
    if ((forced || r.TimeBase != a.TimeBase) && r.TimeBase >= 0 && size_t(r.TimeBase) < s.TimeBases.size())
        dev.SetTimeBase(s.TimeBases[size_t(r.TimeBase)].DeviceValue);
    perChannel([](const TDeviceSettings &d) -> const TIntArray & { return d.Range; },
               [&](int32_t c, int32_t range) {
                   if (range < 0 || size_t(range) >= s.Ranges.size())
                       return;
                   int32_t shift = dev.SetRange(c, s.Ranges[size_t(range)].DeviceValue);
                   if (!forced)
                       broadcast(bmShiftValueSet, c, &shift);
               });
    auto pushShifts = [&] {
        perChannel([](const TDeviceSettings &d) -> const TIntArray & { return d.Shift; },
                   [&](int32_t c, int32_t shift) { dev.SetVerticalShift(c, shift); });
    };
    pushShifts();
    // Pending moves of the 0 V line, examined on every push.
    for (size_t i = 0; i < Reach(channels, r.GroundPositionMove.size()); ++i) {
        const double move = r.GroundPositionMove[i];
        if (move == 0)
            continue;
        const double ground = i < r.GroundPosition.size() ? r.GroundPosition[i] : 0;
        int32_t shift = dev.PositionToShift(int32_t(i), TargetLevel(move + ground, s.LevelCount));
        if (s.ShiftMax >= s.ShiftMin)
            shift = std::clamp(shift, s.ShiftMin, s.ShiftMax);
        r.GroundPositionMove[i] = 0;
        broadcast(bmShiftValueSet, int32_t(i), &shift);
    }
    pushShifts(); // what the range step and the moves changed
    if (forced || r.TriggerMode != a.TriggerMode)
        dev.SetTriggerMode(r.TriggerMode);
    if (!forced && r.StartRequest != a.StartRequest &&
        (r.TriggerMode == tmSingle || r.TriggerMode == tmManual))
        dev.SetStartRequest(r.StartRequest);
    for (int32_t which = 0; which < 2; ++which) {
        const TBoolArray &on = r.TriggerSourceOn[size_t(which)];
        for (size_t src = 0; src < on.size(); ++src)
            if (Differs(forced, on, a.TriggerSourceOn[size_t(which)], src))
                dev.SetTriggerSource(which, int32_t(src), on[src] != 0);
    }
    for (int32_t which = 0; which < 2; ++which) {
        const TBoolArray &leading = r.TriggerLeading[size_t(which)];
        for (size_t src = 0; src < leading.size(); ++src)
            if (Differs(forced, leading, a.TriggerLeading[size_t(which)], src))
                dev.SetTriggerLeading(which, int32_t(src), leading[src] != 0);
    }
    for (size_t src = 0; src < r.TriggerLevel.size(); ++src)
        if (Differs(forced, r.TriggerLevel, a.TriggerLevel, src))
            dev.SetTriggerLevel(int32_t(src), r.TriggerLevel[src]);
    if (forced || r.AfterTrigger != a.AfterTrigger)
        dev.SetAfterTrigger(r.AfterTrigger);
    if (forced || r.HoldOff != a.HoldOff)
        dev.SetHoldOff(r.HoldOff);
    for (int32_t which = 0; which < 2; ++which)
        if (forced || r.TriggerCount[size_t(which)] != a.TriggerCount[size_t(which)])
            dev.SetTriggerCount(which, r.TriggerCount[size_t(which)]);
    for (int32_t which = 0; which < 2; ++which)
        if (forced || r.TriggerLength[size_t(which)] != a.TriggerLength[size_t(which)])
            dev.SetTriggerLength(which, r.TriggerLength[size_t(which)]);
    perChannel([](const TDeviceSettings &d) -> const TBoolArray & { return d.FilterOn; },
               [&](int32_t c, uint8_t on) { dev.SetFilterOn(c, on != 0); });
    perChannel([](const TDeviceSettings &d) -> const TIntArray & { return d.FilterFactor; },
               [&](int32_t c, int32_t factor) { dev.SetFilterFactor(c, factor); });
    perChannel([](const TDeviceSettings &d) -> const TBoolArray & { return d.DCCoupling; },
               [&](int32_t c, uint8_t on) { dev.SetDCCoupling(c, on != 0); });
    perChannel([](const TDeviceSettings &d) -> const TBoolArray & { return d.Ground; },
               [&](int32_t c, uint8_t on) { dev.SetGround(c, on != 0); });
    perChannel([](const TDeviceSettings &d) -> const TIntArray & { return d.ProbeMode; },
               [&](int32_t c, int32_t mode) { dev.SetProbeMode(c, mode); });
    if (forced || r.WCD != a.WCD)
        dev.SetWCD(r.WCD);
    if (forced || r.CompensationGenerator != a.CompensationGenerator)
        dev.SetCompensationGenerator(r.CompensationGenerator);
    // The device's 0 V levels after the shifts.
    for (size_t i = 0; i < Reach(channels, r.GroundPosition.size()); ++i) {
        const double ground = dev.GetGroundPosition(int32_t(i));
        if (forced || r.GroundPosition[i] != ground) {
            r.GroundPosition[i] = ground;
            broadcast(bmGroundLevelChanged, int32_t(i), nullptr);
        }
    }
    s.StartAcquisitionSettings();
    if (Ctx.ModuleHost)
        Ctx.ModuleHost->LoadUnloadModules();
    // Cleared here, in the GUI thread, so a request made after this push is kept for the next one.
    Forced = false;
}

void TAcquisitionThread::HandOverData() {
    TSettingsTarn &s = *Ctx.Settings;
    if (Ctx.ModuleHost)
        Ctx.ModuleHost->ShowResults();
    if (!Waves.empty()) {
        const size_t from = size_t(std::max(s.PhysicalChannelCount, 0));
        for (size_t i = from; i < Waves.size(); ++i) {
            if (i < s.ChannelsOn.size() && s.ChannelsOn[i]) {
                Waves[i].First = Waves[0].First;
                Waves[i].Last = Waves[0].Last;
            } else {
                MakeEmpty(Waves[i]);
            }
        }
    }
    s.ShowAcquisitionSettings();
    Ctx.DataSource->SetAcquiredData(Waves);
    const int32_t tb = std::as_const(s).RequestedSettings().TimeBase;
    if (tb >= 0 && size_t(tb) < s.TimeBases.size() && s.TimeBases[size_t(tb)].EquivalentTime) {
        int32_t progressA = 0, progressB = 0;
        Ctx.Device->GetSamplingProgress(progressA, progressB);
        if (Ctx.Bus)
            Ctx.Bus->Broadcast(bmSamplingProgress, progressA, &progressB);
    }
}

void TAcquisitionThread::AnnounceState() {
    Announce(State);
}

void TAcquisitionThread::Announce(int32_t state) {
    if (Ctx.Bus)
        Ctx.Bus->Broadcast(bmAcquisitionState, state, nullptr);
}

} // namespace scope
