// The object master: a numbered-message bus that every component of the main form subscribes to.
#pragma once

#include <cstdint>
#include <vector>

namespace scope {

// Bus messages. The integer parameter and the pointer of each are described beside it.
enum : int32_t {
    bmMasterDestroying = 0,       // 0; -
    bmInitialize = 1,             // 0; -  (capabilities known, settings file not yet read)
    bmVerCursorsToggled = 2,      // 0; -
    bmHorCursorsToggled = 3,      // 0; -
    bmTrackToggled = 4,           // 0; -
    bmCrossToggled = 5,           // 0; -
    bmGridToggled = 6,            // 0; -
    bmSettingsApplied = 7,        // stage 0..9; -
    bmIntensityChanged = 8,       // 0; double* previous grid intensity
    bmScreenDataReady = 9,        // channel bit mask; -
    bmDisplayModeChanged = 10,    // 0; -
    bmZoomChanged = 11,           // 0; -
    bmDisplayWindowChanged = 12,  // 0; -
    bmZoomMarksShow = 13,         // 0; -
    bmZoomMarksHide = 14,         // 0; -
    bmTraceDraggedX = 15,         // drag in screen points; int32_t* trace index
    bmQueryQuickViewWidth = 16,   // 0; int32_t* width, filled by the quick view
    bmQuickViewDataReady = 17,    // channel bit mask; -
    bmRecordLengthChanged = 18,   // 0; -
    bmAcquisitionState = 19,      // 0 waiting, 1 triggered, 2 record read; -
    bmTriggerSourceToggled = 20,  // source + 256 * trigger; -
    bmTimeBaseChanged = 21,       // 0; -
    bmMemorySizeChanged = 22,     // 0; -
    bmPostTriggerChanged = 23,    // 0; -
    bmTimeBaseSettled = 24,       // 0; -
    bmHorCursorMoved = 25,        // 0; -
    bmVerCursorMoved = 26,        // 0; -
    bmTriggerLevelDragged = 27,   // channel; -
    bmRangeChanged = 28,          // channel; -
    bmCouplingChanged = 29,       // channel; -
    bmProbeChanged = 30,          // channel; -
    bmGroundLevelChanged = 31,    // channel; -
    bmTraceDraggedY = 32,         // drag in levels; int32_t* trace index
    bmChannelToggled = 33,        // index in the full channel list; -
    bmModuleChannelAssigned = 34, // module channel index (2 or 3); -
    bmModuleListChanged = 35,     // 0; -
    bmShiftValueSet = 36,         // channel; int32_t* new shift
    bmSamplingProgress = 37,      // fill of channel A; int32_t* fill of channel B
    bmSaveDone = 38,              // 0; -
    bmSaveLampOff = 39,           // 0; -
    bmLoadDone = 40,              // 0; -
    bmLoadLampOff = 41,           // 0; -
    bmStartupComplete = 42,       // 0; -
    bmSetVerCursor = 43,          // cursor 0/1; position
    bmSetHorCursor = 44,          // cursor 0/1; position
    bmSetTriggerLevel = 45,       // trigger source; level
    bmTransparencyChanged = 46,   // 0; -
    bmHotkeyHold = 47,            // 0; -
    bmHotkeyRangeDown = 48,       // channel; -
    bmHotkeyRangeUp = 49,         // channel; -
    bmHotkeyShiftDown = 50,       // channel; -
    bmHotkeyShiftUp = 51,         // channel; -
    bmHotkeyReleased = 52,        // 0; -
    bmRepeatStart = 53,           // 0; -
    bmRepeatTick = 54,            // 0; -
    bmRepeatStop = 55,            // 0; -
    bmHotkeyTimeBase = 56,        // +1 or -1; -
    bmHotkeyZoomIn = 57,          // 0; -
    bmHotkeyZoomOut = 58,         // 0; -
    bmHotkeyMoveScreen = 59,      // +-2 or +-8 times the samples per division; -
    bmClearScreen = 60,           // 0; -
    bmPostTriggerDragged = 61,    // new after-trigger sample count; -
    bmLastMessage = bmPostTriggerDragged
};

// Stages of bmSettingsApplied, always sent in this order; later stages use what earlier ones prepared.
enum : int32_t {
    ssColours = 0,             // screen colours from the options; the trigger panel keeps the new times
    ssLimits = 1,              // values within the device limits, cursors on the screen, hot keys registered
    ssStage2 = 2,              // no subscriber acts
    ssStage3 = 3,              // no subscriber acts
    ssStage4 = 4,              // no subscriber acts
    ssGeometry = 5,            // cursors, zoom and quick-view geometry, controller wiring
    ssTriggerSources = 6,      // per-channel trigger-source flags of the screen
    ssStage7 = 7,              // no subscriber acts
    ssQuickViewVisibility = 8, // the quick view announces its visibility, the form lays out
    ssFinal = 9,               // options taken over, controls updated, redraw
    SettingsStageCount = 10
};

// A subscriber's entry: the routine and the instance it is called for.
struct TObjMasterHandler {
    using TCode = void (*)(void *Object, int32_t Msg, int32_t Param, void *Data);
    TCode Code = nullptr;
    void *Object = nullptr;

    bool operator==(const TObjMasterHandler &other) const = default;
};

// Calls every subscriber in registration order. GUI thread only; the bus has no lock.
class TObjMasterTarn {
public:
    TObjMasterTarn() = default;
    // Tells every subscriber that the bus goes away (bmMasterDestroying).
    ~TObjMasterTarn();
    TObjMasterTarn(const TObjMasterTarn &) = delete;
    TObjMasterTarn &operator=(const TObjMasterTarn &) = delete;

    // A handler may broadcast again; the nested broadcast completes before this one goes on.
    void Broadcast(int32_t Msg, int32_t Param, void *Data);
    // Appends; a handler registered twice is called twice.
    void RegisterHandler(const TObjMasterHandler &Handler);
    // Removes the first equal entry; nothing happens when there is none.
    void UnregisterHandler(const TObjMasterHandler &Handler);

    const std::vector<TObjMasterHandler> &Handlers() const { return List; }

private:
    std::vector<TObjMasterHandler> List;
};

// The ten broadcasts of bmSettingsApplied, stages 0 to 9, after the settings were replaced as a whole.
void BroadcastSettingsApplied(TObjMasterTarn &Bus);

} // namespace scope
