// The Save/load group: saves the record on the screen, loads a record file as loaded traces beside the
// live ones, unloads it, applies its settings, saves every new record when auto-save is ticked, numbers
// file names upwards and lets the user drag the loaded traces.
#pragma once

#include "controllers/ControllerBase.h"
#include "records/LoadedData.h"
#include "settings/LampColors.h"
#include "settings/OptionsTarn.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QLineEdit;

namespace scope {

class IUserMessages;
class TDataSourceTarn;

// A file dialog of the group. The filter is in "|"-pairs (description, then patterns split by ";");
// FilterIndex counts the pairs from 1.
class IRecordFileDialog {
public:
    virtual ~IRecordFileDialog() = default;
    // True on OK, with FileName and FilterIndex set to the choice.
    virtual bool Execute() = 0;

    std::string Filter;
    std::string DefaultExt;
    std::string FileName;
    int32_t FilterIndex = 1;
};

class TSaveLoadWrapperTarn : public TControllerBase {
public:
    TSaveLoadWrapperTarn();
    ~TSaveLoadWrapperTarn() override;

    // Set by the main form before bus message 1.
    TDataSourceTarn *DataSource = nullptr;
    QLineEdit *LoadEdit = nullptr;
    QAbstractButton *LoadBrowseBtn = nullptr;
    QAbstractButton *LoadBtn = nullptr;
    QAbstractButton *UnloadBtn = nullptr;
    QLineEdit *SaveEdit = nullptr;
    QAbstractButton *SaveBrowseBtn = nullptr;
    QAbstractButton *SaveBtn = nullptr;
    IRecordFileDialog *OpenDialog = nullptr;
    IRecordFileDialog *SaveDialog = nullptr;
    IColorShapeControl *SaveIndicator = nullptr;
    IColorShapeControl *LoadIndicator = nullptr;
    QAbstractButton *ApplySettingsBtn = nullptr;
    IColorShapeControl *ApplySettingsIndicator = nullptr;
    QCheckBox *AutoSaveBox = nullptr;
    IUserMessages *Messages = nullptr;
    std::function<void()> OnWaitDisplay;
    std::function<void()> OnWaitHide;
    // The lamps' off colour (the desktop's button face).
    TColor ButtonFace = 0xF0F0F0;

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    void BuildFilters();
    void BrowseLoad();
    void BrowseSave();
    void LoadClick();
    void SaveClick();
    void Unload();
    void ApplyClick();
    void UpdateState();
    // Adds one to the digits that end the name before its extension, keeping their width.
    static std::string IncrementFileName(const std::string &name);
    // The extension of the file-name part, dot included; empty when there is none.
    static std::string ExtractFileExt(const std::string &name);

    TLoadedData *LoadedRecord() const { return Loaded.get(); }
    const std::vector<std::string> &SaveExtensions() const { return SaveExts; }

private:
    // Counts the operations under way; an auto-save waits for none.
    struct TBusyGuard {
        explicit TBusyGuard(int &count) : Count(count) { ++Count; }
        ~TBusyGuard() { --Count; }
        int &Count;
    };

    void AutoSave();
    void ShowError(const std::string &pattern, const std::string &name);
    void SetEdit(QLineEdit *edit, const std::string &text);
    bool Option(int32_t id) const;
    void SetLamp(IColorShapeControl *lamp, TColor colour);
    // Switches off the loaded-trace slots and announces each.
    void ClearLoadedSlots();
    void StopAutoSave();
    void ShowTraces();

    std::unique_ptr<TLoadedData> Loaded;
    std::vector<std::string> SaveExts;
    std::recursive_mutex AutoSaveLock;
    int Busy = 0;
    bool AutoSaving = false;
};

} // namespace scope
