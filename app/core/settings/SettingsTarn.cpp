#include "settings/SettingsTarn.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "format/NumberText.h"
#include "platform/Platform.h"

namespace scope {

namespace {

const char *const OptionsPrefix = "/options";
const char *const CRLF = "\r\n";

template <typename T> void Resize(std::vector<T> &array, int32_t length, T fill) {
    array.resize(static_cast<size_t>(std::max(length, 0)), fill);
}

template <typename T> std::vector<T> Filled(int32_t length, T value) {
    return std::vector<T>(static_cast<size_t>(std::max(length, 0)), value);
}

template <typename T> T At(const std::vector<T> &array, size_t index, T fallback) {
    return index < array.size() ? array[index] : fallback;
}

// The element of a module's key, below the module's section. A key without a segment would name the
// section itself, where one value replaces every key the module stored: such a key has no element.
std::optional<std::string> ModulePath(const std::string &module, const std::string &key) {
    if (!TXMLSettings::NamesElementBelowRoot(key))
        return std::nullopt;
    return "/appcontainer/" + module + "/" + key;
}

} // namespace

TSettingsTarn::TSettingsTarn() : Options(std::make_unique<TOptions>(this)) {}

void TSettingsTarn::CopyDeviceSettings(const TDeviceSettings &source, TDeviceSettings &destination) {
    TDoubleArray keepMove = std::move(destination.GroundPositionMove);
    destination = source;
    destination.GroundPositionMove = std::move(keepMove);
}

int32_t TSettingsTarn::TriggerDelaySamples(const TDeviceSettings &s) const {
    if (s.TimeBase < 0 || static_cast<size_t>(s.TimeBase) >= TimeBases.size())
        return 0;
    double samples = std::nearbyint(TimeBases[static_cast<size_t>(s.TimeBase)].SampleRate * TriggerLatency);
    if (!std::isfinite(samples) || std::fabs(samples) > std::numeric_limits<int32_t>::max())
        return 0;
    return static_cast<int32_t>(samples);
}

int32_t TSettingsTarn::TriggerPosition(const TDeviceSettings &s) const {
    return TriggerDelaySamples(s) + s.MemorySize - s.AfterTrigger;
}

std::string TSettingsTarn::EdgeName(bool leading) {
    return leading ? "leading" : "trailing";
}

char TSettingsTarn::TriggerSourceLetter(int32_t source) {
    switch (source) {
    case 0:
        return 'A';
    case 1:
        return 'B';
    case 2:
        return 'E';
    default:
        return ' ';
    }
}

namespace {

// A row outside the list gives rates that format as "N/A" instead of reading past the list.
TTimeBaseRow TimeBaseRowOf(const TTimeBaseList &list, int32_t index) {
    if (index >= 0 && static_cast<size_t>(index) < list.size())
        return list[static_cast<size_t>(index)];
    TTimeBaseRow none;
    none.SampleRate = none.RealSampleRate = std::numeric_limits<double>::quiet_NaN();
    return none;
}

} // namespace

std::string TSettingsTarn::HorizontalInfoText() const {
    const TTimeBaseRow row = TimeBaseRowOf(TimeBases, Shown.TimeBase);
    return "Memory size:" + std::to_string(Shown.MemorySize) + CRLF +
           "Timebase:" + FormatTime(PointsPerDiv * DisplayRatio / row.SampleRate) + "s/div";
}

std::string TSettingsTarn::TriggerInfoText() const {
    const TTimeBaseRow row = TimeBaseRowOf(TimeBases, Shown.TimeBase);
    static const char *const names[2] = {"Primary", "Secondary"};
    std::string text;
    for (size_t t = 0; t < 2; ++t) {
        std::string list;
        bool any = false;
        for (size_t i = 0; i < 3; ++i) {
            if (!At<uint8_t>(Shown.TriggerSourceOn[t], i, 0))
                continue;
            any = true;
            if (!list.empty())
                list += ",";
            list += std::string(" ") + TriggerSourceLetter(static_cast<int32_t>(i)) + " (" +
                    EdgeName(At<uint8_t>(Shown.TriggerLeading[t], i, 0) != 0) + ")";
        }
        if (list.empty())
            list = "none";
        if (t > 0)
            text += CRLF;
        text += std::string(names[t]) + " sources: " + list;
        if (any) {
            text += CRLF + std::string(names[t]) +
                    " filter: " + FormatTime(Shown.TriggerLength[t] / row.RealSampleRate) + "s";
            text += CRLF + std::string(names[t]) + " count: " + std::to_string(Shown.TriggerCount[t]);
        }
    }
    text += CRLF + std::string("After trigger: ") + FormatTime(Shown.AfterTrigger / row.SampleRate) + "s";
    return text;
}

std::string TSettingsTarn::ChannelInfoText() const {
    static const char *const probes[4] = {" probe: 1:1", " probe: 1:10", " probe: 1:100", " probe: 1:1000"};
    std::string text;
    for (size_t i = 0; i < 2; ++i) {
        if (!At<uint8_t>(ChannelsOn, i, 0))
            continue;
        const std::string channel = std::string("Channel ") + static_cast<char>('A' + i);
        if (!text.empty())
            text += CRLF;
        const int32_t range = At<int32_t>(Shown.Range, i, -1);
        const double voltsPerDiv = range >= 0 && static_cast<size_t>(range) < Ranges.size()
                                       ? Ranges[static_cast<size_t>(range)].VoltsPerDiv
                                       : std::numeric_limits<double>::quiet_NaN();
        text += channel + " range: " + FormatVoltage(voltsPerDiv) + "V/div";
        text += CRLF + channel + (At<uint8_t>(Shown.DCCoupling, i, 0) ? " coupling: DC" : " coupling: AC");
        const int32_t probe = At<int32_t>(Shown.ProbeMode, i, -1);
        if (probe >= 0 && probe < 4)
            text += CRLF + channel + probes[probe];
    }
    return text;
}

void TSettingsTarn::BringWithinCapabilities(TDeviceSettings &s) const {
    const int32_t channels = PhysicalChannelCount;
    const int32_t sources = TriggerSourceCount;
    Resize<int32_t>(s.Range, channels, 0);
    Resize<int32_t>(s.Shift, channels, ShiftMin);
    Resize<uint8_t>(s.FilterOn, channels, 0);
    Resize<int32_t>(s.FilterFactor, channels, 4);
    Resize<int32_t>(s.ProbeMode, channels, 0);
    Resize<uint8_t>(s.Ground, channels, 0);
    Resize<uint8_t>(s.DCCoupling, channels, 1);
    Resize<uint8_t>(s.HoldChannel, channels, 0);
    Resize<double>(s.GroundPosition, channels, 128.0);
    Resize<double>(s.GroundPositionMove, channels, 0.0);
    for (auto &array : s.TriggerSourceOn)
        Resize<uint8_t>(array, sources, 0);
    for (auto &array : s.TriggerLeading)
        Resize<uint8_t>(array, sources, 0);
    Resize<int32_t>(s.TriggerLevel, sources, 127);

    // Indices that the copies, screens and texts look up in the capability lists.
    if (!TimeBases.empty())
        s.TimeBase = std::clamp<int32_t>(s.TimeBase, 0, static_cast<int32_t>(TimeBases.size()) - 1);
    if (!Ranges.empty())
        for (int32_t &range : s.Range)
            range = std::clamp<int32_t>(range, 0, static_cast<int32_t>(Ranges.size()) - 1);
    if (!MemorySizes.empty() &&
        std::find(MemorySizes.begin(), MemorySizes.end(), s.MemorySize) == MemorySizes.end()) {
        // The largest selectable size not above the stored one, else the smallest.
        int32_t best = *std::min_element(MemorySizes.begin(), MemorySizes.end());
        for (int32_t size : MemorySizes)
            if (size <= s.MemorySize && size > best)
                best = size;
        s.MemorySize = best;
    }
    if (ShiftMax >= ShiftMin)
        for (int32_t &shift : s.Shift)
            shift = std::clamp(shift, ShiftMin, ShiftMax);
    if (LevelCount > 0)
        for (int32_t &level : s.TriggerLevel)
            level = std::clamp(level, 0, LevelCount - 1);
    // Sample counts that the trigger position and the device arithmetic take as they are.
    auto within = [](int32_t &value, int32_t low, int32_t high) {
        if (high >= low)
            value = std::clamp(value, low, high);
    };
    within(s.AfterTrigger, AfterTriggerMin, AfterTriggerMax);
    within(s.HoldOff, HoldOffMin, HoldOffMax);
    for (size_t which = 0; which < 2; ++which) {
        within(s.TriggerCount[which], CountMin, CountMax);
        within(s.TriggerLength[which], LengthMin, LengthMax);
    }
}

int32_t TSettingsTarn::LastVerCursorPos() const {
    return std::max(PointsOnScreen - 1, 0);
}

int32_t TSettingsTarn::LastHorCursorPos() const {
    return std::max(LevelCount - 1, 0);
}

void TSettingsTarn::BringCursorsOnScreen() {
    for (int32_t cursor = 0; cursor < 2; ++cursor) {
        if (PointsOnScreen > 0)
            SetVerCursorPos(cursor, std::clamp(GetVerCursorPos(cursor), 0, LastVerCursorPos()));
        if (LevelCount > 0)
            SetHorCursorPos(cursor, std::clamp(GetHorCursorPos(cursor), 0, LastHorCursorPos()));
    }
}

void TSettingsTarn::SaveToXML(TXMLSettings &d) {
    d.WriteBool("/visual/screen/cursors/veron", VerCursorsOn);
    d.WriteBool("/visual/screen/cursors/horon", HorCursorsOn);
    d.WriteBool("/visual/screen/cursors/trcon", CursorTrackOn);
    d.WriteInt("/visual/screen/cursors/verpos0", CursorPositions[0]);
    d.WriteInt("/visual/screen/cursors/verpos1", CursorPositions[1]);
    d.WriteInt("/visual/screen/cursors/horpos0", CursorPositions[2]);
    d.WriteInt("/visual/screen/cursors/horpos1", CursorPositions[3]);
    d.WriteBool("/visual/screen/cursors/Xon", CursorsXOn);
    d.WriteInt("/visual/screen/transparency", Transparency);
    d.WriteBool("/visual/screen/grid/on", GridOn);
    d.WriteFloat("/visual/screen/grid/intensity", GridIntensity);
    d.WriteInt("/visual/screen/displaymode", DisplayMode);
    d.WriteInt("/visual/screen/displaystart", DisplayStart);
    d.WriteFloat("/visual/screen/displayratio", DisplayRatio);
    d.WriteBoolArray("/visual/screen/channelson", ChannelsOn);
    d.WriteBool("/visual/screen/zoomon", ZoomOn);
    d.WriteFloat("/visual/screen/zoomratio", ZoomRatio);
    d.WriteInt("/visual/screen/zoomstart", ZoomStart);
    d.WriteInt("/visual/quickview/ratio", QuickViewRatio);
    d.WriteInt("/visual/quickview/start", QuickViewStart);
    d.WriteBool("/visual/quickview/on", QuickViewOn);
    d.WriteInt("/visual/trigger/ATMode", ATMode);
    d.WriteInt("/visual/trigger/ATValueMode", ATValueMode);
    d.WriteInt("/visual/trigger/HFMode", HFMode);
    d.WriteBool("/visual/trigger/simple", SimpleTrigger);
    d.WriteBool("/visual/trigger/hold", TriggerHold);

    const TDeviceSettings &s = Requested;
    d.WriteInt("/device/horizontal/memsize", s.MemorySize);
    d.WriteInt("/device/horizontal/timebase", s.TimeBase);
    d.WriteInt("/device/horizontal/WCD", s.WCD);
    d.WriteBoolArray("/device/horizontal/holdchannel", s.HoldChannel);
    d.WriteIntArray("/device/vertical/range", s.Range);
    d.WriteIntArray("/device/vertical/shift", s.Shift);
    d.WriteBoolArray("/device/vertical/filteron", s.FilterOn);
    d.WriteIntArray("/device/vertical/filterfactor", s.FilterFactor);
    d.WriteIntArray("/device/vertical/probemode", s.ProbeMode);
    d.WriteBoolArray("/device/vertical/ground", s.Ground);
    d.WriteBoolArray("/device/vertical/DC", s.DCCoupling);
    d.WriteBoolArray("/device/trigger/primary/sourceon", s.TriggerSourceOn[0]);
    d.WriteBoolArray("/device/trigger/secondary/sourceon", s.TriggerSourceOn[1]);
    d.WriteBoolArray("/device/trigger/primary/leading", s.TriggerLeading[0]);
    d.WriteBoolArray("/device/trigger/secondary/leading", s.TriggerLeading[1]);
    d.WriteInt("/device/trigger/primary/count", s.TriggerCount[0]);
    d.WriteInt("/device/trigger/secondary/count", s.TriggerCount[1]);
    d.WriteInt("/device/trigger/primary/length", s.TriggerLength[0]);
    d.WriteInt("/device/trigger/secondary/length", s.TriggerLength[1]);
    d.WriteIntArray("/device/trigger/level", s.TriggerLevel);
    d.WriteInt("/device/trigger/mode", s.TriggerMode);
    d.WriteInt("/device/trigger/aftertrigger", s.AfterTrigger);
    d.WriteInt("/device/trigger/holdoff", s.HoldOff);

    Options->SaveToXML(OptionsPrefix, d);
}

void TSettingsTarn::LoadFromXML(TXMLSettings &d) {
    // The new options replace the old ones only once they have been read completely.
    auto options = std::make_unique<TOptions>(this);
    options->LoadFromXML(OptionsPrefix, d);
    Options = std::move(options);

    VerCursorsOn = d.ReadBool("/visual/screen/cursors/veron", true);
    HorCursorsOn = d.ReadBool("/visual/screen/cursors/horon", true);
    CursorTrackOn = d.ReadBool("/visual/screen/cursors/trcon", false);
    CursorPositions[0] = d.ReadInt("/visual/screen/cursors/verpos0", PointsOnScreen / 10);
    CursorPositions[1] = d.ReadInt("/visual/screen/cursors/verpos1", PointsOnScreen * 9 / 10);
    CursorPositions[2] = d.ReadInt("/visual/screen/cursors/horpos0", LevelCount / 10);
    CursorPositions[3] = d.ReadInt("/visual/screen/cursors/horpos1", LevelCount * 9 / 10);
    CursorsXOn = d.ReadBool("/visual/screen/cursors/Xon", false);
    Transparency = d.ReadInt("/visual/screen/transparency", 255);
    GridOn = d.ReadBool("/visual/screen/grid/on", true);
    GridIntensity = d.ReadFloat("/visual/screen/grid/intensity", 0.7);
    DisplayMode = d.ReadInt("/visual/screen/displaymode", 3);
    DisplayStart = d.ReadInt("/visual/screen/displaystart", 0);
    DisplayRatio = d.ReadFloat("/visual/screen/displayratio", 1.0);
    TChannelsOn channels = Filled<uint8_t>(ChannelCount, 0);
    for (int32_t i = 0; i < PhysicalChannelCount && i < ChannelCount; ++i)
        channels[static_cast<size_t>(i)] = 1;
    ChannelsOn = d.ReadBoolArray("/visual/screen/channelson", channels);
    // Virtual and loaded-record channels always start switched off.
    for (size_t i = static_cast<size_t>(std::max(PhysicalChannelCount, 0)); i < ChannelsOn.size(); ++i)
        ChannelsOn[i] = 0;
    ZoomOn = d.ReadBool("/visual/screen/zoomon", true);
    ZoomRatio = d.ReadFloat("/visual/screen/zoomratio", 1.0);
    ZoomStart = d.ReadInt("/visual/screen/zoomstart", 0);
    QuickViewRatio = d.ReadInt("/visual/quickview/ratio", 8);
    QuickViewStart = d.ReadInt("/visual/quickview/start", 0);
    QuickViewOn = d.ReadBool("/visual/quickview/on", false);
    ATMode = d.ReadInt("/visual/trigger/ATMode", 0);
    ATValueMode = d.ReadInt("/visual/trigger/ATValueMode", 0);
    HFMode = d.ReadInt("/visual/trigger/HFMode", 0);
    SimpleTrigger = d.ReadBool("/visual/trigger/simple", true);
    TriggerHold = d.ReadBool("/visual/trigger/hold", false);

    const int32_t channelsPhys = PhysicalChannelCount;
    const int32_t sources = TriggerSourceCount;
    TBoolArray firstSource = Filled<uint8_t>(sources, 0);
    if (!firstSource.empty())
        firstSource[0] = 1;
    TDeviceSettings &s = RequestedSettings();
    s.MemorySize = d.ReadInt("/device/horizontal/memsize", 8192);
    s.TimeBase = d.ReadInt("/device/horizontal/timebase", static_cast<int32_t>(TimeBases.size() / 2));
    s.WCD = d.ReadInt("/device/horizontal/WCD", 20);
    s.HoldChannel = d.ReadBoolArray("/device/horizontal/holdchannel", Filled<uint8_t>(channelsPhys, 0));
    s.Range = d.ReadIntArray("/device/vertical/range",
                             Filled<int32_t>(channelsPhys, static_cast<int32_t>(Ranges.size() / 2)));
    s.Shift = d.ReadIntArray("/device/vertical/shift",
                             Filled<int32_t>(channelsPhys, ShiftMin + (ShiftMax - ShiftMin) / 2));
    s.FilterOn = d.ReadBoolArray("/device/vertical/filteron", Filled<uint8_t>(channelsPhys, 0));
    s.FilterFactor = d.ReadIntArray("/device/vertical/filterfactor", Filled<int32_t>(channelsPhys, 4));
    s.ProbeMode = d.ReadIntArray("/device/vertical/probemode", Filled<int32_t>(channelsPhys, 0));
    s.Ground = d.ReadBoolArray("/device/vertical/ground", Filled<uint8_t>(channelsPhys, 0));
    s.DCCoupling = d.ReadBoolArray("/device/vertical/DC", Filled<uint8_t>(channelsPhys, 1));
    s.TriggerSourceOn[0] = d.ReadBoolArray("/device/trigger/primary/sourceon", firstSource);
    s.TriggerSourceOn[1] = d.ReadBoolArray("/device/trigger/secondary/sourceon", Filled<uint8_t>(sources, 0));
    s.TriggerLeading[0] = d.ReadBoolArray("/device/trigger/primary/leading", firstSource);
    s.TriggerLeading[1] = d.ReadBoolArray("/device/trigger/secondary/leading", Filled<uint8_t>(sources, 0));
    s.TriggerCount[0] = d.ReadInt("/device/trigger/primary/count", 1);
    s.TriggerCount[1] = d.ReadInt("/device/trigger/secondary/count", 1);
    s.TriggerLength[0] = d.ReadInt("/device/trigger/primary/length", 0);
    s.TriggerLength[1] = d.ReadInt("/device/trigger/secondary/length", 0);
    s.TriggerLevel = d.ReadIntArray("/device/trigger/level", Filled<int32_t>(sources, 127));
    s.TriggerMode = d.ReadInt("/device/trigger/mode", 0);
    s.AfterTrigger = d.ReadInt("/device/trigger/aftertrigger", 4096);
    s.HoldOff = d.ReadInt("/device/trigger/holdoff", 4096);

    s.GroundPosition = Filled<double>(channelsPhys, 128.0);
    s.GroundPositionMove = Filled<double>(channelsPhys, 0.0);
    BringWithinCapabilities(s);
    // The other copies are indexed per channel too before the next copy reaches them.
    Resize<double>(Acquisition.GroundPositionMove, channelsPhys, 0.0);
    Resize<double>(Shown.GroundPositionMove, channelsPhys, 0.0);
}

void TSettingsTarn::LoadSettingsFile() {
    // Saves that a kill interrupted leave their temporaries; their writer is gone by now.
    platform::RemoveStaleTemporaries(SettingsFileName);
    Document.LoadFromFile(SettingsFileName);
    LoadFromXML(Document);
    RequestedSettings().VerticalParams.assign(static_cast<size_t>(std::max(VirtualChannelCount, 0)),
                                              TVerticalParamsRow{});
    StartAcquisitionSettings();
    ShowAcquisitionSettings();
    VirtualChannels.assign(static_cast<size_t>(std::max(VirtualChannelCount, 0)), -1);
}

void TSettingsTarn::ShowError(const std::string &text) {
    if (Messages)
        Messages->Error(text);
}

bool TSettingsTarn::SaveSettingsFile() {
    bool ok = false;
    try {
        SaveToXML(Document);
        ok = Document.SaveToFile(SettingsFileName);
    } catch (const std::exception &) {
        ok = false;
    }
    if (!ok)
        ShowError("Unable to save settings. Please check if the settings.xml is not read-only.");
    return ok;
}

bool TSettingsTarn::ExportSettings(const std::string &fileName) {
    bool ok = false;
    try {
        SaveToXML(Document);
        ok = Document.SaveToFile(fileName);
    } catch (const std::exception &) {
        ok = false;
    }
    if (!ok)
        ShowError("Unable to export settings to specified file.");
    return ok;
}

bool TSettingsTarn::ImportSettings(const std::string &fileName) {
    // A file that is not a settings document leaves the document, and so everything read from it, as it was.
    bool ok = Document.LoadFromFile(fileName);
    if (ok)
        LoadFromXML(Document);
    else if (Document.LastFileTooLarge())
        ShowError("Unable to import settings from specified file: it is larger than " +
                  std::to_string(TXMLSettings::MaxFileSize >> 20) + " MB.");
    else
        ShowError("Unable to import settings from specified file.");
    if (OnImported)
        OnImported();
    return ok;
}

bool TSettingsTarn::WriteModuleInt(const std::string &module, const std::string &key, int32_t value) {
    const std::optional<std::string> path = ModulePath(module, key);
    if (!path)
        return false;
    try {
        Document.WriteInt(*path, value);
        return true;
    } catch (const Exception &) {
        return false;
    }
}

bool TSettingsTarn::WriteModuleBool(const std::string &module, const std::string &key, bool value) {
    const std::optional<std::string> path = ModulePath(module, key);
    if (!path)
        return false;
    try {
        Document.WriteBool(*path, value);
        return true;
    } catch (const Exception &) {
        return false;
    }
}

bool TSettingsTarn::WriteModuleFloat(const std::string &module, const std::string &key, double value) {
    const std::optional<std::string> path = ModulePath(module, key);
    if (!path)
        return false;
    try {
        Document.WriteFloat(*path, value);
        return true;
    } catch (const Exception &) {
        return false;
    }
}

bool TSettingsTarn::WriteModuleString(const std::string &module, const std::string &key,
                                      const std::string &value) {
    const std::optional<std::string> path = ModulePath(module, key);
    if (!path)
        return false;
    try {
        Document.WriteString(*path, value);
        return true;
    } catch (const Exception &) {
        return false;
    }
}

bool TSettingsTarn::ReadModuleInt(const std::string &module, const std::string &key, int32_t &value) const {
    const std::optional<std::string> path = ModulePath(module, key);
    if (!path || !Document.FindTypedNode(*path, "int"))
        return false;
    int32_t read;
    if (!numtext::TryParseInt(Document.ReadText(*path, "int"), read))
        return false;
    value = read;
    return true;
}

bool TSettingsTarn::ReadModuleBool(const std::string &module, const std::string &key, bool &value) const {
    const std::optional<std::string> path = ModulePath(module, key);
    if (!path || !Document.FindTypedNode(*path, "bool"))
        return false;
    std::string text = Document.ReadText(*path, "bool");
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    value = text == "true";
    return true;
}

bool TSettingsTarn::ReadModuleFloat(const std::string &module, const std::string &key, double &value) const {
    const std::optional<std::string> path = ModulePath(module, key);
    if (!path || !Document.FindTypedNode(*path, "float"))
        return false;
    const char sep = platform::DecimalSeparator();
    double read;
    if (!numtext::TryParseFloat(numtext::NormaliseSeparators(Document.ReadText(*path, "float"), sep), sep,
                                read))
        return false;
    value = read;
    return true;
}

bool TSettingsTarn::ReadModuleString(const std::string &module, const std::string &key,
                                     std::string &value) const {
    const std::optional<std::string> path = ModulePath(module, key);
    if (!path || !Document.FindTypedNode(*path, "string"))
        return false;
    value = Document.ReadText(*path, "string");
    return true;
}

} // namespace scope
