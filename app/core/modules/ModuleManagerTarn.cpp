#include "modules/ModuleManagerTarn.h"

#include "bus/ObjMasterTarn.h"
#include "modules/ModulesBoxInterface.h"
#include "settings/SettingsTarn.h"
#include "trigger/TriggerArithmetic.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace scope {

namespace {

// The one host that HostCallback forwards to.
std::atomic<TModuleManagerTarn *> CallbackTarget{nullptr};

constexpr int32_t MidLevel = 127;

uint8_t *Cell(intptr_t p) {
    return reinterpret_cast<uint8_t *>(p);
}

// Longest setting text a module may store.
constexpr size_t SettingTextBound = 65536;

// A zero-terminated text from a module, read no further than the bound (a key or name: a host text
// buffer); false when it has no zero within that bound.
bool ModuleText(intptr_t p, std::string &text, size_t bound = MODULE_TEXT_BUFFER_SIZE) {
    if (!p)
        return false;
    const char *s = reinterpret_cast<const char *>(p);
    const size_t length = strnlen(s, bound);
    if (length == bound)
        return false;
    text.assign(s, length);
    return true;
}

// The answer of a probe text request: up to its zero, at most the buffer less the terminating zero.
std::string ProbeText(const std::array<char, MODULE_TEXT_BUFFER_SIZE> &buffer) {
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size() - 1));
}

template <typename T> bool Within(const std::vector<T> &v, int64_t i) {
    return i >= 0 && static_cast<uint64_t>(i) < v.size();
}

// Ranges, rates and positions come from the driver and the settings file: saturated, never out of range.
int32_t RoundToInt(double x) {
    return RoundSaturated(x);
}

// One module answer during probing, through an integer cell preset to the given value.
int32_t ProbeInt(TAppRequest entry, int32_t code, int32_t preset) {
    uint8_t cell[4];
    ModuleWriteInt32(cell, preset);
    entry(code, 0, 0, reinterpret_cast<intptr_t>(cell), 0, 0);
    return ModuleReadInt32(cell);
}

std::string ProbeName(TAppRequest entry, int32_t code) {
    std::array<char, MODULE_TEXT_BUFFER_SIZE> buffer{};
    uint8_t length[4] = {};
    entry(code, 0, 0, reinterpret_cast<intptr_t>(buffer.data()), reinterpret_cast<intptr_t>(length), 0);
    return ProbeText(buffer);
}

} // namespace

TModuleManagerTarn::TModuleManagerTarn() : GuiThread(std::this_thread::get_id()) {}

TModuleManagerTarn::~TModuleManagerTarn() {
    StopModules();
    FreeModules();
    TModuleManagerTarn *self = this;
    CallbackTarget.compare_exchange_strong(self, nullptr);
}

void TModuleManagerTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *) {
    switch (Msg) {
    case bmInitialize:
        if (Box)
            Box->SetModuleEvents([this](int32_t id) { FunctionDeactivate(id); },
                                 [this](int32_t id) { ExtraScreenActivate(id); },
                                 [this](int32_t id) { ExtraScreenDeactivate(id); });
        CallbackTarget = this;
        if (Settings()) {
            std::lock_guard<std::recursive_mutex> guard(Mutex);
            ChannelBuffers.assign(static_cast<size_t>(std::max(
                                      Settings()->PhysicalChannelCount + Settings()->VirtualChannelCount, 0)),
                                  nullptr);
        }
        break;
    case bmChannelToggled: {
        // The assignment outlives the channel: a module that has moved on to another channel that is
        // still on keeps running.
        const int32_t module = AssignedModule(VirtualSlot(Param));
        if (module >= 0 && !FeedsChannelOn(module)) {
            std::lock_guard<std::recursive_mutex> guard(Mutex);
            Modules[static_cast<size_t>(module)].Enabled = false;
        }
        UpdateBoxStates();
        break;
    }
    case bmModuleChannelAssigned: {
        const int32_t slot = VirtualSlot(Param);
        const int32_t module = AssignedModule(slot);
        if (module >= 0 && Modules[static_cast<size_t>(module)].Kind == mkFunctionModule) {
            std::lock_guard<std::recursive_mutex> guard(Mutex);
            Modules[static_cast<size_t>(module)].Enabled = true;
            Modules[static_cast<size_t>(module)].ChannelSlot = slot;
        }
        UpdateBoxStates();
        break;
    }
    case bmStartupComplete:
        ScanModules();
        SortModules();
        FillModulesBox();
        UpdateBoxStates();
        break;
    default:
        break;
    }
}

void TModuleManagerTarn::ScanModules() {
    namespace fs = std::filesystem;
    const std::string folder =
        ModulesFolder.empty() ? platform::JoinPath(platform::ProgramFolder(), "modules") : ModulesFolder;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error)
        return;
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error)
            break;
        const fs::path &path = it->path();
        if (path.extension() != ".so" || !it->is_regular_file(error))
            continue;
        ProbeModule(fs::absolute(path, error).string());
    }
}

void TModuleManagerTarn::ProbeModule(const std::string &path) {
    platform::TLibrary library;
    if (!library.Load(path))
        return;
    auto entry = library.Bind<TAppRequest>(MODULE_ENTRY_NAME);
    if (!entry)
        return;
    try {
        TModuleEntry module;
        module.Path = path;
        module.ShortName = ProbeName(entry, mrProbeShortName);
        module.LongName = ProbeName(entry, mrProbeLongName);
        module.SortKey = ProbeInt(entry, mrProbeSortKey, 0);
        switch (ProbeInt(entry, mrProbeKind, 0)) {
        case mkFunction:
            module.Kind = mkFunctionModule;
            module.KindKnown = true;
            break;
        case mkWindow:
            module.Kind = mkWindowModule;
            module.KindKnown = true;
            break;
        default:
            break;
        }
        module.Stage = ProbeInt(entry, mrProbeStage, 0);
        std::lock_guard<std::recursive_mutex> guard(Mutex);
        Modules.push_back(std::move(module));
    } catch (...) {
        // A module that fails while it is asked about itself is not listed.
    }
}

void TModuleManagerTarn::SortModules() {
    std::lock_guard<std::recursive_mutex> guard(Mutex);
    const size_t n = Modules.size();
    for (size_t pass = 1; pass < n; ++pass)
        for (size_t j = n - 1; j >= 1; --j) {
            const TModuleEntry &a = Modules[j], &b = Modules[j - 1];
            if (a.SortKey < b.SortKey || (a.SortKey == b.SortKey && a.ShortName < b.ShortName))
                std::swap(Modules[j], Modules[j - 1]);
        }
}

void TModuleManagerTarn::FillModulesBox() {
    if (!Box)
        return;
    for (const TModuleEntry &m : Modules)
        Box->AddItem(m.Kind, m.ShortName, m.LongName);
    Box->Rebuild();
}

bool TModuleManagerTarn::FeedsChannelOn(int32_t module) const {
    const TSettingsTarn *s = Settings();
    if (!s)
        return false;
    for (size_t j = 0; j < s->VirtualChannels.size(); ++j) {
        const int64_t channel = int64_t(s->PhysicalChannelCount) + int64_t(j);
        if (s->VirtualChannels[j] == module && Within(s->ChannelsOn, channel) &&
            s->ChannelsOn[static_cast<size_t>(channel)])
            return true;
    }
    return false;
}

void TModuleManagerTarn::UpdateBoxStates() {
    if (!Box)
        return;
    for (int32_t i = 0; i < ModuleCount() && i < Box->ItemCount(); ++i) {
        const TModuleEntry &m = Modules[static_cast<size_t>(i)];
        const bool on = m.Kind == mkWindowModule ? m.Enabled : FeedsChannelOn(i);
        Box->SetItemState(i, on ? IModulesBox::isOn : IModulesBox::isOff);
    }
    Box->UpdateButtons();
}

void TModuleManagerTarn::SetChannelBuffer(int32_t channel, TWaveform *buffer) {
    std::lock_guard<std::recursive_mutex> guard(Mutex);
    if (Within(ChannelBuffers, channel))
        ChannelBuffers[static_cast<size_t>(channel)] = buffer;
}

void TModuleManagerTarn::SetServedSettings(TDeviceSettings *settings) {
    std::lock_guard<std::recursive_mutex> guard(Mutex);
    ServedSettings = settings;
}

void TModuleManagerTarn::ForEachByStage(const std::function<void(int32_t)> &serve) const {
    for (int32_t stage = msFirst; stage <= msLast; ++stage)
        for (int32_t i = 0; i < ModuleCount(); ++i) {
            const TModuleEntry &m = Modules[static_cast<size_t>(i)];
            if (m.Enabled && m.Loaded && m.Entry && m.Stage == stage)
                serve(i);
        }
}

void TModuleManagerTarn::ProcessAcquisition() {
    // Taken under the lock, called without it: the GUI thread may switch a module off meanwhile, and the
    // modules call back from inside the request.
    std::vector<TAppRequest> entries;
    {
        std::lock_guard<std::recursive_mutex> guard(Mutex);
        ForEachByStage([&](int32_t i) { entries.push_back(Modules[static_cast<size_t>(i)].Entry); });
    }
    for (TAppRequest entry : entries)
        entry(mrProcessAcquisition, 0, 0, 0, 0, 0);
}

void TModuleManagerTarn::ShowResults() {
    RunQueuedCalls();
    std::vector<int32_t> order;
    {
        std::lock_guard<std::recursive_mutex> guard(Mutex);
        ForEachByStage([&](int32_t i) { order.push_back(i); });
    }
    for (int32_t i : order) {
        const TModuleEntry &m = Modules[static_cast<size_t>(i)];
        if (!m.Enabled || !m.Loaded)
            continue; // switched off by a module shown before it
        if (m.Kind == mkWindowModule) {
            Request(i, mrShowResults);
            continue;
        }
        // The function module fills the row of its channel; without one its answer goes nowhere.
        TVerticalParamsRow scratch{};
        uint8_t *row = scratch.data();
        {
            std::lock_guard<std::recursive_mutex> guard(Mutex);
            TDeviceSettings *s = Served();
            if (s && Within(s->VerticalParams, m.ChannelSlot))
                row = s->VerticalParams[static_cast<size_t>(m.ChannelSlot)].data();
            std::memset(row, 0, VERTICAL_PARAMS_ROW_SIZE);
        }
        Request(i, mrShowResults, 0, reinterpret_cast<intptr_t>(row));
    }
}

void TModuleManagerTarn::LoadUnloadModules() {
    RunQueuedCalls();
    for (int32_t i = 0; i < ModuleCount(); ++i) {
        TModuleEntry &m = Modules[static_cast<size_t>(i)];
        if (m.Enabled && !m.Loaded) {
            if (!m.KindKnown) {
                SwitchOffModule(i);
            } else {
                auto library = std::make_unique<platform::TLibrary>();
                if (library->Load(m.Path)) {
                    auto entry = library->Bind<TAppRequest>(MODULE_ENTRY_NAME);
                    if (entry) {
                        {
                            std::lock_guard<std::recursive_mutex> guard(Mutex);
                            m.Library = std::move(library);
                            m.Entry = entry;
                            m.Loaded = true;
                        }
                        AttachModule(i);
                    }
                }
            }
        }
        if (!m.Enabled && m.Loaded) {
            DetachModule(i);
            std::lock_guard<std::recursive_mutex> guard(Mutex);
            m.Loaded = false;
            m.Entry = nullptr;
            m.Library.reset();
        }
    }
}

bool TModuleManagerTarn::LoadUnloadPending() {
    {
        std::lock_guard<std::mutex> guard(QueueMutex);
        if (!Queue.empty())
            return true;
    }
    std::lock_guard<std::recursive_mutex> guard(Mutex);
    for (const TModuleEntry &m : Modules)
        if (m.Enabled != m.Loaded)
            return true;
    return false;
}

void TModuleManagerTarn::Request(int32_t i, int32_t code, int32_t value, intptr_t param1, intptr_t param2) {
    TAppRequest entry = Modules[static_cast<size_t>(i)].Entry;
    if (entry)
        entry(code, value, 0, param1, param2, 0);
}

void TModuleManagerTarn::AttachModule(int32_t i) {
    Request(i, mrAttach, i, reinterpret_cast<intptr_t>(&TModuleManagerTarn::HostCallback));
    Request(i, mrCreate);
    uint8_t accept[4];
    ModuleWriteInt32(accept, 1);
    Request(i, mrStart, 0, reinterpret_cast<intptr_t>(accept));
    if (ModuleReadInt32(accept) == 0)
        SwitchOffModule(i);
}

void TModuleManagerTarn::DetachModule(int32_t i) {
    Request(i, mrStop);
    Request(i, mrDestroy);
}

void TModuleManagerTarn::StopModules() {
    {
        // The records the buffers point at may be gone with the acquisition thread.
        std::lock_guard<std::recursive_mutex> guard(Mutex);
        std::fill(ChannelBuffers.begin(), ChannelBuffers.end(), nullptr);
        ServedSettings = nullptr;
    }
    for (int32_t i = 0; i < ModuleCount(); ++i) {
        TModuleEntry &m = Modules[static_cast<size_t>(i)];
        if (!m.Loaded)
            continue;
        DetachModule(i);
        std::lock_guard<std::recursive_mutex> guard(Mutex);
        m.Loaded = false;
        m.Entry = nullptr;
    }
}

void TModuleManagerTarn::FreeModules() {
    std::lock_guard<std::recursive_mutex> guard(Mutex);
    for (TModuleEntry &m : Modules) {
        m.Loaded = false;
        m.Entry = nullptr;
        m.Library.reset();
    }
}

void TModuleManagerTarn::SwitchOffModule(int32_t i) {
    if (!ValidModule(i))
        return;
    {
        std::lock_guard<std::recursive_mutex> guard(Mutex);
        Modules[static_cast<size_t>(i)].Enabled = false;
    }
    if (TSettingsTarn *s = Settings())
        for (size_t j = 0; j < s->VirtualChannels.size(); ++j) {
            const int64_t channel = int64_t(s->PhysicalChannelCount) + int64_t(j);
            if (s->VirtualChannels[j] == i && Within(s->ChannelsOn, channel))
                s->ChannelsOn[static_cast<size_t>(channel)] = 0;
        }
    UpdateBoxStates();
    if (ObjMaster())
        ObjMaster()->Broadcast(bmModuleListChanged, 0, nullptr);
}

void TModuleManagerTarn::FunctionDeactivate(int32_t module) {
    SwitchOffModule(module);
}

void TModuleManagerTarn::ExtraScreenActivate(int32_t module) {
    if (!ValidModule(module))
        return;
    std::lock_guard<std::recursive_mutex> guard(Mutex);
    Modules[static_cast<size_t>(module)].Enabled = true;
}

void TModuleManagerTarn::ExtraScreenDeactivate(int32_t module) {
    if (!ValidModule(module))
        return;
    std::lock_guard<std::recursive_mutex> guard(Mutex);
    Modules[static_cast<size_t>(module)].Enabled = false;
}

int32_t TModuleManagerTarn::VirtualSlot(int32_t channel) const {
    const TSettingsTarn *s = Settings();
    if (!s)
        return -1;
    const int64_t slot = int64_t(channel) - s->PhysicalChannelCount;
    return slot >= 0 && slot < s->VirtualChannelCount ? static_cast<int32_t>(slot) : -1;
}

int32_t TModuleManagerTarn::AssignedModule(int32_t slot) const {
    const TSettingsTarn *s = Settings();
    if (!s || !Within(s->VirtualChannels, slot))
        return -1;
    const int32_t module = s->VirtualChannels[static_cast<size_t>(slot)];
    return ValidModule(module) ? module : -1;
}

void TModuleManagerTarn::InGuiThread(std::function<void()> call) {
    if (std::this_thread::get_id() == GuiThread) {
        call();
        return;
    }
    {
        std::lock_guard<std::mutex> guard(QueueMutex);
        Queue.push_back(std::move(call));
    }
    if (OnCallQueued)
        OnCallQueued();
}

void TModuleManagerTarn::RunQueuedCalls() {
    std::vector<std::function<void()>> calls;
    {
        std::lock_guard<std::mutex> guard(QueueMutex);
        calls.swap(Queue);
    }
    for (auto &call : calls)
        call();
}

void TModuleManagerTarn::MoveCursorsInward() {
    TSettingsTarn *s = Settings();
    if (!s || !ObjMaster())
        return;
    int32_t c0 = s->GetHorCursorPos(0), c1 = s->GetHorCursorPos(1);
    int32_t position = c0 - (c0 - c1) / 10;
    ObjMaster()->Broadcast(bmSetHorCursor, 0, &position);
    c0 = s->GetHorCursorPos(0);
    c1 = s->GetHorCursorPos(1);
    position = c1 + (c0 - c1) / 10;
    ObjMaster()->Broadcast(bmSetHorCursor, 1, &position);
}

TDeviceSettings *TModuleManagerTarn::Served() const {
    if (ServedSettings)
        return ServedSettings;
    return Settings() ? &Settings()->ShownSettings() : nullptr;
}

TWaveform *TModuleManagerTarn::Buffer(int32_t channel) const {
    return Within(ChannelBuffers, channel) ? ChannelBuffers[static_cast<size_t>(channel)] : nullptr;
}

uint8_t TModuleManagerTarn::HostCallback(int32_t ModuleIndex, int32_t Code, int32_t Value, int32_t,
                                         intptr_t Param1, intptr_t Param2, int32_t) {
    TModuleManagerTarn *host = CallbackTarget;
    return host && host->HostRequest(ModuleIndex, Code, Value, Param1, Param2) ? 1 : 0;
}

bool TModuleManagerTarn::HostRequest(int32_t module, int32_t code, int32_t value, intptr_t param1,
                                     intptr_t param2) {
    std::lock_guard<std::recursive_mutex> guard(Mutex);
    try {
        return ValidModule(module) && Serve(module, code, value, param1, param2);
    } catch (...) {
        return false;
    }
}

bool TModuleManagerTarn::Serve(int32_t module, int32_t code, int32_t value, intptr_t param1,
                               intptr_t param2) {
    const TModuleEntry &m = Modules[static_cast<size_t>(module)];
    TSettingsTarn *s = Settings();
    const TDeviceSettings *d = Served();

    auto putInt = [](intptr_t p, int32_t v) {
        if (!p)
            return false;
        ModuleWriteInt32(Cell(p), v);
        return true;
    };
    auto putFloat = [](intptr_t p, double v) {
        if (!p)
            return false;
        ModuleWriteDouble(Cell(p), v);
        return true;
    };
    auto putBool = [](intptr_t p, bool v) {
        if (!p)
            return false;
        ModuleWriteBool(Cell(p), v);
        return true;
    };
    auto putData = [this](intptr_t p, int32_t channel) {
        TWaveform *w = Buffer(channel);
        if (!p || !w)
            return false;
        ModuleWriteAddress(Cell(p), reinterpret_cast<intptr_t>(w->Data.data()));
        return true;
    };
    auto hasData = [this, putBool](intptr_t p, int32_t channel) {
        const TWaveform *w = Buffer(channel);
        return putBool(p, w && !w->Empty());
    };
    // Millivolts per division of a physical channel in the served settings.
    auto rangeMilliVolts = [s, d](int32_t channel, int32_t &mv) {
        if (!s || !d || !Within(d->Range, channel))
            return false;
        const int32_t row = d->Range[static_cast<size_t>(channel)];
        if (!Within(s->Ranges, row))
            return false;
        mv = RoundToInt(s->Ranges[static_cast<size_t>(row)].VoltsPerDiv * 1000);
        return true;
    };
    auto probeRange = [d, rangeMilliVolts, putInt](intptr_t p, int32_t channel) {
        int32_t mv;
        if (!rangeMilliVolts(channel, mv) || !Within(d->ProbeMode, channel))
            return false;
        return putInt(p, Saturate32(int64_t(mv) * ProbeFactor(d->ProbeMode[static_cast<size_t>(channel)])));
    };
    auto ground = [d, putInt](intptr_t p, int32_t channel) {
        if (!d || !Within(d->GroundPosition, channel))
            return false;
        return putInt(p, RoundToInt(d->GroundPosition[static_cast<size_t>(channel)]));
    };
    auto sampleRate = [s, d, putFloat](intptr_t p) {
        if (!s || !d || !Within(s->TimeBases, d->TimeBase))
            return false;
        return putFloat(p, s->TimeBases[static_cast<size_t>(d->TimeBase)].SampleRate / 1000);
    };
    auto colour = [s, putInt](intptr_t p, size_t channel) {
        if (!s || !s->Options)
            return false;
        const TColorList colours = s->Options->GetColorArray(opColorChannels);
        return channel < colours.size() && putInt(p, static_cast<int32_t>(colours[channel]));
    };
    // The record index of the first sample on the screen: the screen maps its points into the record
    // through the display start, within the quick-view slice while that is shown.
    auto screenStart = [s] { return s->DisplayStart + (s->QuickViewOn ? s->QuickViewStart : 0); };

    std::string key;
    switch (code) {
    case hcGetOwnChannelId:
        return putInt(param1, m.ChannelSlot == 1 ? mciChannelD : mciChannelC);
    case hcNop:
        return true;
    case hcSwitchOff:
        InGuiThread([this, module] { SwitchOffModule(module); });
        return true;
    case hcWriteInt:
        return s && ModuleText(param1, key) && param2 &&
               s->WriteModuleInt(m.ShortName, key, ModuleReadInt32(Cell(param2)));
    case hcWriteBool:
        return s && ModuleText(param1, key) && param2 &&
               s->WriteModuleBool(m.ShortName, key, ModuleReadBool(Cell(param2)));
    case hcWriteString: {
        std::string text;
        return s && ModuleText(param1, key) && param2 && ModuleText(param2, text, SettingTextBound) &&
               s->WriteModuleString(m.ShortName, key, text);
    }
    case hcReadInt: {
        int32_t v;
        return s && ModuleText(param1, key) && param2 && s->ReadModuleInt(m.ShortName, key, v) &&
               putInt(param2, v);
    }
    case hcReadBool: {
        bool v;
        return s && ModuleText(param1, key) && param2 && s->ReadModuleBool(m.ShortName, key, v) &&
               putBool(param2, v);
    }
    case hcReadString: {
        std::string v;
        if (!s || !ModuleText(param1, key) || !param2 || !s->ReadModuleString(m.ShortName, key, v))
            return false;
        // The module's buffer holds what hcReadStringLength answered, or what it says in Value.
        const size_t room = value > 0 ? static_cast<size_t>(value) : v.size() + 1;
        const size_t n = std::min(v.size(), room - 1);
        std::memcpy(Cell(param2), v.data(), n);
        Cell(param2)[n] = 0;
        return true;
    }
    case hcReadStringLength: {
        std::string v;
        if (!ModuleText(param1, key) || !param2)
            return false;
        const bool found = s && s->ReadModuleString(m.ShortName, key, v);
        putInt(param2, found ? static_cast<int32_t>(v.size() + 1) : 1);
        return found;
    }
    case hcGetChannelData:
        return putData(param1, ModuleChannelIndex(value));
    case hcGetOwnChannelData:
        if (m.Kind != mkFunctionModule)
            return true;
        return putData(param1, ModuleChannelIndex(m.ChannelSlot == 1 ? mciChannelD : mciChannelC));
    case hcGetDataA:
        return putData(param1, 0);
    case hcGetDataB:
        return putData(param1, 1);
    case hcGetMidLevel:
    case hcGetMidLevelAlt:
        return putInt(param1, MidLevel);
    case hcGetGroundA:
        return ground(param1, 0);
    case hcGetGroundB:
        return ground(param1, 1);
    case hcMoveCursorsInward:
        InGuiThread([this] { MoveCursorsInward(); });
        return true;
    case hcGetRangeA:
    case hcGetRangeB: {
        int32_t mv;
        return rangeMilliVolts(code == hcGetRangeA ? 0 : 1, mv) && putInt(param1, mv);
    }
    case hcGetMemorySize:
        return d && putInt(param1, d->MemorySize);
    case hcGetFirstSample: {
        const TWaveform *a = Buffer(0);
        return a && putInt(param1, a->First);
    }
    case hcGetScreenStart:
        return s && putInt(param1, screenStart());
    case hcGetScreenEnd: {
        if (!s)
            return false;
        int32_t end = RoundToInt(s->PointsOnScreen * s->DisplayRatio) + screenStart();
        if (const TWaveform *a = Buffer(0))
            end = std::min(end, a->Last);
        return putInt(param1, end);
    }
    case hcReadFloat: {
        double v;
        return s && ModuleText(param1, key) && param2 && s->ReadModuleFloat(m.ShortName, key, v) &&
               putFloat(param2, v);
    }
    case hcWriteFloat:
        return s && ModuleText(param1, key) && param2 &&
               s->WriteModuleFloat(m.ShortName, key, ModuleReadDouble(Cell(param2)));
    case hcGetDataC:
        return putData(param1, 2);
    case hcGetDataD:
        return putData(param1, 3);
    case hcGetSampleRate:
    case hcGetSampleRateAlt:
        return sampleRate(param2);
    case hcGetProbeRangeA:
        return probeRange(param2, 0);
    case hcGetProbeRangeB:
        return probeRange(param2, 1);
    case hcGetCursors: {
        if (!s || !param2)
            return false;
        uint8_t *record = Cell(param2);
        for (int32_t c = 0; c < 2; ++c)
            ModuleWriteInt32(record + MODULE_CURSORS_VER0_OFFSET + 4 * c,
                             RoundToInt(s->GetVerCursorPos(c) * s->DisplayRatio + s->DisplayStart) +
                                 (s->QuickViewOn ? s->QuickViewStart : 0));
        ModuleWriteInt32(record + MODULE_CURSORS_HOR0_OFFSET, s->GetHorCursorPos(0));
        ModuleWriteInt32(record + MODULE_CURSORS_HOR1_OFFSET, s->GetHorCursorPos(1));
        ModuleWriteInt32(record + MODULE_CURSORS_MID_OFFSET, MidLevel);
        return true;
    }
    case hcGetSamplesPerDivision:
        return s && putInt(param2, RoundToInt(s->PointsPerDiv * s->DisplayRatio));
    case hcGetColorA:
    case hcGetColorB:
    case hcGetColorC:
    case hcGetColorD:
        return colour(param1, static_cast<size_t>(code - hcGetColorA));
    case hcGetOwnerHandle:
        return putInt(param1, static_cast<int32_t>(OwnerHandle));
    case hcGetOwnerObject:
        if (!param1)
            return false;
        ModuleWriteAddress(Cell(param1), reinterpret_cast<intptr_t>(OwnerObject));
        return true;
    case hcGetDisplayRatio:
        return s && putFloat(param2, s->DisplayRatio);
    case hcGetDisplayMode:
        if (!s || !param1)
            return false;
        if (s->DisplayMode >= 0 && s->DisplayMode <= 3)
            putInt(param1, s->DisplayMode + 1);
        return true;
    case hcFindModule: {
        std::string name;
        if (!ModuleText(param1, name) || !param2)
            return false;
        TAppRequest found = nullptr;
        for (const TModuleEntry &other : Modules)
            if (other.Enabled && other.Loaded && other.Entry && other.ShortName == name)
                found = other.Entry;
        if (!found)
            return false;
        ModuleWriteAddress(Cell(param2), reinterpret_cast<intptr_t>(found));
        return true;
    }
    case hcHasDataC:
        return hasData(param1, 2);
    case hcHasDataD:
        return hasData(param1, 3);
    case hcGetChannelScale: {
        if ((value != 0 && value != 1) || !param1 || !s || !d)
            return false;
        int32_t mv;
        if (!rangeMilliVolts(value, mv) || !Within(d->GroundPosition, value) || s->LevelsPerDiv == 0)
            return false;
        const double voltsPerDiv =
            s->Ranges[static_cast<size_t>(d->Range[static_cast<size_t>(value)])].VoltsPerDiv;
        ModuleWriteDouble(Cell(param1) + MODULE_CHANNEL_SCALE_VOLTS_PER_LEVEL_OFFSET,
                          voltsPerDiv / s->LevelsPerDiv);
        ModuleWriteDouble(Cell(param1) + MODULE_CHANNEL_SCALE_GROUND_LEVEL_OFFSET,
                          d->GroundPosition[static_cast<size_t>(value)]);
        return true;
    }
    default:
        return false;
    }
}

} // namespace scope
