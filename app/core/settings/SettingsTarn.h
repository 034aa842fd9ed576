// The one place that holds the instrument's capabilities, the device settings in their three copies, the
// screen's visual state and the options, with their persistence in the settings document.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/DataTypesTarn.h"
#include "platform/UserMessages.h"
#include "settings/OptionsTarn.h"
#include "settings/XMLSettings.h"

namespace scope {

// One on-flag per channel in the full channel order.
using TChannelsOn = TBoolArray;
// Module index per virtual channel, -1 for none.
using TVirtualChannelsAssignment = std::vector<int32_t>;
// One 16-byte row per virtual channel, filled by a function module through its address: volts per level,
// then the ground level, each a little-endian double (helpers in ModuleTypesTarn.h).
using TVerticalParamsRow = std::array<uint8_t, 16>;
using TVerticalParams = std::vector<TVerticalParamsRow>;
using TDoubleArray = std::vector<double>;

// The settings of one record. Per-channel arrays have PhysicalChannelCount elements, per-source arrays
// TriggerSourceCount elements (0 = A, 1 = B, 2 = external); the two-element arrays are primary, secondary.
struct TDeviceSettings {
    int32_t MemorySize = 0;
    int32_t TimeBase = 0;
    TIntArray Range;
    TIntArray Shift;
    TBoolArray FilterOn;
    TIntArray FilterFactor;
    std::array<TBoolArray, 2> TriggerSourceOn;
    std::array<TBoolArray, 2> TriggerLeading;
    TIntArray TriggerLevel;
    std::array<int32_t, 2> TriggerCount{};
    std::array<int32_t, 2> TriggerLength{};
    int32_t TriggerMode = 0;
    int32_t AfterTrigger = 0;
    int32_t HoldOff = 0;
    bool StartRequest = false;
    TIntArray ProbeMode;
    TBoolArray Ground;
    TBoolArray DCCoupling;
    TBoolArray HoldChannel;
    TDoubleArray GroundPosition;
    TDoubleArray GroundPositionMove;
    int32_t WCD = 0;
    bool CompensationGenerator = false;
    TVerticalParams VerticalParams;
};

// A flag that the acquisition thread reads between its settings pushes while the GUI thread writes it.
class TSharedFlag {
public:
    TSharedFlag(bool value = false) : Value(value) {}
    TSharedFlag(const TSharedFlag &) = delete;
    TSharedFlag &operator=(const TSharedFlag &other) { return *this = bool(other); }
    TSharedFlag &operator=(bool value) {
        Value.store(value, std::memory_order_release);
        return *this;
    }
    operator bool() const { return Value.load(std::memory_order_acquire); }

private:
    std::atomic<bool> Value;
};

class TSettingsTarn : public TCapabilities {
public:
    TSettingsTarn();
    TSettingsTarn(const TSettingsTarn &) = delete;
    TSettingsTarn &operator=(const TSettingsTarn &) = delete;

    // Owned objects.
    TXMLSettings Document;
    // Replaced by every load; hold options only through this pointer.
    std::unique_ptr<TOptions> Options;

    // Visual state.
    bool VerCursorsOn = false;
    bool HorCursorsOn = false;
    bool CursorTrackOn = false;
    // Vertical cursors 0 and 1 (screen sample positions), horizontal cursors 0 and 1 (levels).
    std::array<int32_t, 4> CursorPositions{};
    int32_t Transparency = 0;
    bool CursorsXOn = false;
    bool GridOn = false;
    double GridIntensity = 0;
    int32_t DisplayMode = 0;
    int32_t DisplayStart = 0;
    double DisplayRatio = 0;
    TChannelsOn ChannelsOn;
    TVirtualChannelsAssignment VirtualChannels;
    bool ZoomOn = false;
    double ZoomRatio = 0;
    int32_t ZoomStart = 0;
    int32_t QuickViewRatio = 0;
    int32_t QuickViewStart = 0;
    bool QuickViewOn = false;
    int32_t ATMode = 0;
    int32_t ATValueMode = 0;
    int32_t HFMode = 0;
    bool SimpleTrigger = false;
    TSharedFlag TriggerHold{false};

    // Samples the main screen's full width spans; kept by the zoom controller, not stored.
    int32_t ViewSamples = 0;

    // The copy the controllers edit. Taking it for writing marks the device settings changed, so that the
    // next push looks at them: take it for each change, do not keep the reference for later writes.
    TDeviceSettings &RequestedSettings() {
        MarkDeviceSettingsChanged();
        return Requested;
    }
    const TDeviceSettings &RequestedSettings() const { return Requested; }
    TDeviceSettings &AcquisitionSettings() { return Acquisition; }
    TDeviceSettings &ShownSettings() { return Shown; }

    // Whether a device setting may have been written since the last push took the mark (any thread).
    void MarkDeviceSettingsChanged() { DeviceSettingsChanged.store(true, std::memory_order_release); }
    bool DeviceSettingsMarked() const { return DeviceSettingsChanged.load(std::memory_order_acquire); }
    // Clears the mark at the start of a push; a write during the push marks again.
    bool TakeDeviceSettingsMark() { return DeviceSettingsChanged.exchange(false, std::memory_order_acq_rel); }

    // Deep copy; the destination keeps its own GroundPositionMove.
    static void CopyDeviceSettings(const TDeviceSettings &source, TDeviceSettings &destination);
    void StartAcquisitionSettings() { CopyDeviceSettings(Requested, Acquisition); }
    void ShowAcquisitionSettings() { CopyDeviceSettings(Acquisition, Shown); }

    int32_t GetVerCursorPos(int32_t cursor) const { return CursorPositions[static_cast<size_t>(cursor)]; }
    void SetVerCursorPos(int32_t cursor, int32_t value) {
        CursorPositions[static_cast<size_t>(cursor)] = value;
    }
    int32_t GetHorCursorPos(int32_t cursor) const { return CursorPositions[static_cast<size_t>(cursor) + 2]; }
    void SetHorCursorPos(int32_t cursor, int32_t value) {
        CursorPositions[static_cast<size_t>(cursor) + 2] = value;
    }

    // The last screen point and the top level a cursor can stand on; a drag or a position set from
    // outside stops there.
    int32_t LastVerCursorPos() const;
    int32_t LastHorCursorPos() const;
    // Brings each cursor within the screen whose size is known (a stored position may come from another
    // instrument's screen); positions already on it stay.
    void BringCursorsOnScreen();

    // Samples between the trigger event and the trigger sample.
    int32_t TriggerDelaySamples(const TDeviceSettings &s) const;
    // Sample index of the trigger in a record.
    int32_t TriggerPosition(const TDeviceSettings &s) const;
    static std::string EdgeName(bool leading);
    static char TriggerSourceLetter(int32_t source);

    // The printed setting texts, lines separated by CR LF, all from the shown copy.
    std::string HorizontalInfoText() const;
    std::string TriggerInfoText() const;
    std::string ChannelInfoText() const;

    // Brings indices, levels and shifts within the capabilities and gives every array its length.
    void BringWithinCapabilities(TDeviceSettings &s) const;

    // Persistence.
    void SaveToXML(TXMLSettings &document);
    void LoadFromXML(TXMLSettings &document);
    // Start-up load; a missing or damaged file leaves every key at its default.
    void LoadSettingsFile();
    // Exit save; false after the error message was shown.
    bool SaveSettingsFile();
    bool ExportSettings(const std::string &fileName);
    // Calls OnImported whatever the outcome; a failed import changes nothing.
    bool ImportSettings(const std::string &fileName);

    // Keys of the analysis modules under "/appcontainer/<short name>/<key>"; a key may name a nested entry
    // ("stats/on"). A key without a segment (empty, or slashes alone) names no entry: writes of it are
    // false and change nothing, reads find nothing. Writes are false for a name or key that cannot be an
    // element path; reads are false (out untouched) when the key is missing, has another type, or does not
    // convert.
    bool WriteModuleInt(const std::string &module, const std::string &key, int32_t value);
    bool WriteModuleBool(const std::string &module, const std::string &key, bool value);
    bool WriteModuleFloat(const std::string &module, const std::string &key, double value);
    bool WriteModuleString(const std::string &module, const std::string &key, const std::string &value);
    bool ReadModuleInt(const std::string &module, const std::string &key, int32_t &value) const;
    bool ReadModuleBool(const std::string &module, const std::string &key, bool &value) const;
    bool ReadModuleFloat(const std::string &module, const std::string &key, double &value) const;
    bool ReadModuleString(const std::string &module, const std::string &key, std::string &value) const;

    // Where the settings file lives; the working folder is the program folder.
    std::string SettingsFileName = "settings.xml";
    // Message boxes; none are shown while unset.
    IUserMessages *Messages = nullptr;
    // Set by the program: applies the settings in their ten stages and makes the acquisition thread
    // push every setting.
    std::function<void()> OnImported;

private:
    void ShowError(const std::string &text);

    std::atomic<bool> DeviceSettingsChanged{true};
    TDeviceSettings Requested;
    TDeviceSettings Acquisition;
    TDeviceSettings Shown;
};

} // namespace scope
