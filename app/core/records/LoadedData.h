// The application's side of a record file: the variables the record formats write and fill, taken from the
// screen before a save, matched to the instrument after a load, shown as loaded traces, applied as the
// requested settings and compared with them.
#pragma once

#include "device/DataTypesTarn.h"
#include "records/SaveLoadFormatsTarn.h"
#include "settings/SettingsTarn.h"

#include <cstdint>

namespace scope {

class TDataSourceTarn;

// The record's range list does not fit the instrument; the record is dropped without a message.
class ERangeDefinition : public Exception {
public:
    ERangeDefinition() : Exception("Improper range definition") {}
};

// The record's own values contradict each other; nothing of it may be used.
class ERecordCorrupted : public Exception {
public:
    explicit ERecordCorrupted(const std::string &why) : Exception(why) {}
};

// Bits of CompareSettings.
constexpr int32_t cdOther = 1;
constexpr int32_t cdRangeOrTimeBase = 2;

class TLoadedData {
public:
    explicit TLoadedData(TSettingsTarn &settings) : SettingsRef(&settings) {}

    // The 27 values of a record, in the order of the chunks and lines of every file.
    void RegisterValues(TSaveLoadFormat &format);
    // The record on the screen.
    void Capture(TSettingsTarn &settings, TDataSourceTarn &dataSource);
    // Checks and completes a record just read; raises ERecordCorrupted or ERangeDefinition.
    void AfterLoad();
    void ShowTraces(TSettingsTarn &settings, TDataSourceTarn &dataSource);
    void AddYOffset(int32_t index, int32_t delta);
    void AddXOffset(int32_t index, int32_t delta);
    // Makes the record's settings the requested ones and applies them in the ten stages.
    void ApplySettings(TSettingsTarn &settings, TDataSourceTarn &dataSource);
    // cdRangeOrTimeBase and cdOther against the requested settings; 0 when they match.
    int32_t CompareSettings() const;

    // The record's settings; after AfterLoad its range and time-base indices are the matched rows.
    TDeviceSettings Copy;
    TRealArray Range;
    double TimeBase = 0;
    int32_t ATMode = 0;
    int32_t HFMode = 0;
    bool SimpleTrigger = false;
    TIntArray FirstValidSample;
    TIntArray LastValidSample;
    TAcquiredData AcquiredData;
    TIntArray YOffsets;
    TIntArray XOffsets;

private:
    void Validate() const;

    TSettingsTarn *SettingsRef;
};

} // namespace scope
