#include "controllers/SaveLoadWrapperTarn.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "platform/Platform.h"
#include "platform/UserMessages.h"
#include "records/SaveLoadFormatsTarn.h"
#include "settings/SettingsTarn.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <cmath>

namespace scope {

namespace {

const char *const UnknownExtension = "The file %s has unknown extension.";
const char *const CannotOpen = "Cannot open %s.";
const char *const UnableToRead = "Unable to read from %s. File may be corrupted.";
const char *const Corrupted = "The %s is corrupted. Unable to load data.";
const char *const CannotCreate = "Cannot create %s.";
const char *const UnableToSave = "Unable to save to %s.";

// Shows the wait form around a long read or write, and hides it whatever happens.
class TWaitGuard {
public:
    TWaitGuard(bool show, const std::function<void()> &display, const std::function<void()> &hide)
        : Hide(show ? hide : nullptr) {
        if (show && display)
            display();
    }
    ~TWaitGuard() {
        if (Hide)
            Hide();
    }

private:
    std::function<void()> Hide;
};

// The format of a file extension (".rsb") among those with the flag (sfCanLoad, sfCanSave); null for none.
const TSaveLoadFormatDescRow *FormatOf(const std::string &ext, uint32_t flag) {
    for (const TSaveLoadFormatDescRow &row : TSaveLoadFormatDesc)
        if ((row.Flags & flag) && ext == std::string(".") + row.Extension)
            return &row;
    return nullptr;
}

std::string Text(const QLineEdit *edit) {
    return edit ? edit->text().toStdString() : std::string();
}

} // namespace

TSaveLoadWrapperTarn::TSaveLoadWrapperTarn() = default;
TSaveLoadWrapperTarn::~TSaveLoadWrapperTarn() = default;

void TSaveLoadWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) {
    switch (Msg) {
    case bmInitialize:
        Bind(LoadBtn, &QAbstractButton::clicked, [this](bool) { LoadClick(); });
        Bind(SaveBtn, &QAbstractButton::clicked, [this](bool) { SaveClick(); });
        Bind(UnloadBtn, &QAbstractButton::clicked, [this](bool) { Unload(); });
        Bind(LoadBrowseBtn, &QAbstractButton::clicked, [this](bool) { BrowseLoad(); });
        Bind(SaveBrowseBtn, &QAbstractButton::clicked, [this](bool) { BrowseSave(); });
        Bind(ApplySettingsBtn, &QAbstractButton::clicked, [this](bool) { ApplyClick(); });
        BuildFilters();
        break;
    case bmSettingsApplied:
        if (Param == ssLimits) {
            if (AutoSaveBox)
                AutoSaveBox->setEnabled(Option(opEnableAutosave));
            UpdateState();
        }
        break;
    case bmScreenDataReady:
        AutoSave();
        if (Loaded)
            UpdateState();
        break;
    case bmTraceDraggedX:
    case bmTraceDraggedY: {
        if (!Loaded || !Data || !Settings())
            break;
        const bool x = Msg == bmTraceDraggedX;
        if (!Option(x ? opLoadAllowXOffset : opLoadAllowYOffset))
            break;
        const TSettingsTarn &s = *Settings();
        const int64_t trace =
            int64_t(*static_cast<int32_t *>(Data)) - s.PhysicalChannelCount - s.VirtualChannelCount;
        if (trace != 0 && trace != 1)
            break;
        if (x) {
            const double moved = std::nearbyint(double(Param) * std::max(s.DisplayRatio, 1.0));
            Loaded->AddXOffset(int32_t(trace),
                               std::isfinite(moved) && std::fabs(moved) < 2e9 ? int32_t(moved) : 0);
        } else {
            Loaded->AddYOffset(int32_t(trace), Param);
        }
        ShowTraces();
        break;
    }
    case bmRecordLengthChanged:
        if (Loaded)
            ShowTraces();
        break;
    case bmSaveDone:
        SetLamp(SaveIndicator, LampGreen);
        break;
    case bmSaveLampOff:
        SetLamp(SaveIndicator, ButtonFace);
        break;
    case bmLoadDone:
        SetLamp(LoadIndicator, LampGreen);
        UpdateState();
        break;
    case bmLoadLampOff:
        SetLamp(LoadIndicator, ButtonFace);
        break;
    default:
        break;
    }
}

void TSaveLoadWrapperTarn::BuildFilters() {
    std::string save, open = "All supported formats|", entries;
    SaveExts.clear();
    bool firstOpen = true;
    std::string defaultExt;
    for (const TSaveLoadFormatDescRow &row : TSaveLoadFormatDesc) {
        const std::string ext = row.Extension;
        const std::string entry = std::string(row.Description) + " (*." + ext + ")|*." + ext;
        if (row.Flags & sfCanSave) {
            if (!save.empty())
                save += "|";
            save += entry;
            if (defaultExt.empty())
                defaultExt = ext;
            SaveExts.push_back("." + ext);
        }
        if (row.Flags & sfCanLoad) {
            open += (firstOpen ? "*." : ";*.") + ext;
            firstOpen = false;
            entries += "|" + entry;
        }
    }
    if (SaveDialog) {
        SaveDialog->Filter = save;
        SaveDialog->DefaultExt = defaultExt;
    }
    if (OpenDialog)
        OpenDialog->Filter = open + entries;
}

void TSaveLoadWrapperTarn::BrowseLoad() {
    TBusyGuard busy(Busy);
    if (OpenDialog && OpenDialog->Execute())
        SetEdit(LoadEdit, OpenDialog->FileName);
}

void TSaveLoadWrapperTarn::BrowseSave() {
    TBusyGuard busy(Busy);
    if (!SaveDialog || !SaveDialog->Execute())
        return;
    std::string name = SaveDialog->FileName;
    const std::string ext = ExtractFileExt(name);
    name.resize(name.size() - ext.size());
    const int32_t k = SaveDialog->FilterIndex;
    if (k >= 1 && size_t(k) <= SaveExts.size())
        name += SaveExts[size_t(k) - 1];
    else if (!SaveExts.empty())
        name += SaveExts.front();
    SetEdit(SaveEdit, name);
}

void TSaveLoadWrapperTarn::LoadClick() {
    TBusyGuard busy(Busy);
    if (Text(LoadEdit).empty())
        BrowseLoad();
    std::string name = Text(LoadEdit);
    if (name.empty() || !Settings() || !DataSource)
        return;
    Broadcast(bmLoadLampOff);
    std::string ext = ExtractFileExt(name);
    if (ext.empty())
        for (const TSaveLoadFormatDescRow &row : TSaveLoadFormatDesc)
            if ((row.Flags & sfCanLoad) && platform::FileExists(name + "." + row.Extension)) {
                name += std::string(".") + row.Extension;
                ext = std::string(".") + row.Extension;
                SetEdit(LoadEdit, name);
                break;
            }
    const TSaveLoadFormatDescRow *format = FormatOf(ext, sfCanLoad);
    if (!format) {
        ShowError(UnknownExtension, name);
        return;
    }
    Unload();

    TSettingsTarn &s = *Settings();
    bool slotsOn = false;
    try {
        auto record = std::make_unique<TLoadedData>(s);
        std::unique_ptr<TSaveLoadFormat> file = format->Create();
        record->RegisterValues(*file);
        int32_t result;
        {
            TWaitGuard wait((format->Flags & sfShowWait) != 0, OnWaitDisplay, OnWaitHide);
            result = file->LoadFromFile(name);
        }
        if (result == slCannotOpen) {
            ShowError(CannotOpen, name);
            return;
        }
        if (result != slOK) {
            ShowError(UnableToRead, name);
            return;
        }
        if (!file->AllValuesRead()) {
            ShowError(Corrupted, name);
            return;
        }
        try {
            record->AfterLoad();
        } catch (const ERecordCorrupted &) {
            ShowError(Corrupted, name);
            return;
        }
        slotsOn = true;
        record->ShowTraces(s, *DataSource);
        if (Option(opLoadApplySettings))
            record->ApplySettings(s, *DataSource);
        Loaded = std::move(record);
        slotsOn = false;
        Broadcast(bmLoadDone);
        if (Option(opLoadIncrementFilename))
            SetEdit(LoadEdit, IncrementFileName(name));
    } catch (...) {
        // Nothing half-loaded stays on the screen.
        if (slotsOn)
            ClearLoadedSlots();
    }
}

void TSaveLoadWrapperTarn::SaveClick() {
    TBusyGuard busy(Busy);
    if (Text(SaveEdit).empty())
        BrowseSave();
    std::string name = Text(SaveEdit);
    if (name.empty() || !Settings() || !DataSource)
        return;
    Broadcast(bmSaveLampOff);
    std::string ext = ExtractFileExt(name);
    if (ext.empty() && SaveDialog && !SaveDialog->DefaultExt.empty()) {
        ext = "." + SaveDialog->DefaultExt;
        name += ext;
        SetEdit(SaveEdit, name);
    }
    const TSaveLoadFormatDescRow *format = FormatOf(ext, sfCanSave);
    if (!format) {
        StopAutoSave();
        ShowError(UnknownExtension, name);
        return;
    }
    try {
        TSettingsTarn &s = *Settings();
        TLoadedData record(s);
        std::unique_ptr<TSaveLoadFormat> file = format->Create();
        record.Capture(s, *DataSource);
        record.RegisterValues(*file);
        int32_t result;
        {
            TWaitGuard wait((format->Flags & sfShowWait) != 0, OnWaitDisplay, OnWaitHide);
            result = file->SaveToFile(name);
        }
        if (result == slCannotCreate || result == slWriteFailed) {
            StopAutoSave();
            ShowError(result == slCannotCreate ? CannotCreate : UnableToSave, name);
            return;
        }
        Broadcast(bmSaveDone);
        if (Option(opSaveIncrementFilename) ||
            (AutoSaveBox && AutoSaveBox->isEnabled() && AutoSaveBox->isChecked()))
            SetEdit(SaveEdit, IncrementFileName(name));
    } catch (...) {
    }
}

void TSaveLoadWrapperTarn::AutoSave() {
    if (!AutoSaveBox || !AutoSaveBox->isChecked() || !AutoSaveBox->isEnabled())
        return;
    // A save, load or browse of this group is already running (its dialog or box runs a nested loop).
    if (Busy > 0)
        return;
    std::lock_guard<std::recursive_mutex> lock(AutoSaveLock);
    if (!AutoSaveBox->isChecked() || !AutoSaveBox->isEnabled())
        return;
    AutoSaving = true;
    try {
        SaveClick();
    } catch (...) {
    }
    AutoSaving = false;
    if (Text(SaveEdit).empty())
        AutoSaveBox->setChecked(false);
}

void TSaveLoadWrapperTarn::StopAutoSave() {
    // One box for a name that cannot be saved, not one per new record.
    if (AutoSaving && AutoSaveBox)
        AutoSaveBox->setChecked(false);
}

void TSaveLoadWrapperTarn::Unload() {
    if (!Loaded)
        return;
    Loaded.reset();
    ClearLoadedSlots();
    UpdateState();
}

void TSaveLoadWrapperTarn::ClearLoadedSlots() {
    if (!Settings())
        return;
    TSettingsTarn &s = *Settings();
    const int32_t start = std::max(s.PhysicalChannelCount, 0) + std::max(s.VirtualChannelCount, 0);
    for (int32_t i = start; i < int32_t(s.ChannelsOn.size()); ++i)
        s.ChannelsOn[size_t(i)] = 0;
    for (int32_t i = start; i < int32_t(s.ChannelsOn.size()); ++i)
        Broadcast(bmChannelToggled, i);
}

void TSaveLoadWrapperTarn::ApplyClick() {
    if (Loaded && Settings() && DataSource)
        Loaded->ApplySettings(*Settings(), *DataSource);
}

void TSaveLoadWrapperTarn::UpdateState() {
    const bool loaded = Loaded != nullptr;
    if (UnloadBtn)
        UnloadBtn->setEnabled(loaded);
    if (ApplySettingsBtn)
        ApplySettingsBtn->setEnabled(loaded);
    if (!loaded) {
        SetLamp(ApplySettingsIndicator, ButtonFace);
        return;
    }
    const int32_t difference = Loaded->CompareSettings();
    SetLamp(ApplySettingsIndicator, (difference & cdRangeOrTimeBase) ? LampRed
                                    : (difference & cdOther)         ? LampYellow
                                                                     : LampGreen);
    if (!Settings())
        return;
    TSettingsTarn &s = *Settings();
    const int32_t physical = std::max(s.PhysicalChannelCount, 0);
    const int32_t start = physical + std::max(s.VirtualChannelCount, 0);
    for (int32_t i = 0; i < physical; ++i) {
        const size_t slot = size_t(start + i);
        if (slot >= s.ChannelsOn.size() || size_t(i) >= s.ChannelsOn.size())
            continue;
        const uint8_t on = s.ChannelsOn[size_t(i)] ? 1 : 0;
        if ((s.ChannelsOn[slot] ? 1 : 0) != on) {
            s.ChannelsOn[slot] = on;
            Broadcast(bmChannelToggled, int32_t(slot));
        }
    }
}

std::string TSaveLoadWrapperTarn::ExtractFileExt(const std::string &name) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return name.substr(dot);
}

std::string TSaveLoadWrapperTarn::IncrementFileName(const std::string &name) {
    const std::string ext = ExtractFileExt(name);
    std::string rest = name.substr(0, name.size() - ext.size());
    size_t start = rest.size();
    while (start > 0 && rest[start - 1] >= '0' && rest[start - 1] <= '9')
        --start;
    if (start == rest.size())
        return name;
    // Decimal addition on the digit text: any length, the same width unless the number grows.
    size_t i = rest.size();
    while (i > start) {
        --i;
        if (rest[i] != '9') {
            ++rest[i];
            return rest + ext;
        }
        rest[i] = '0';
    }
    rest.insert(start, 1, '1');
    return rest + ext;
}

void TSaveLoadWrapperTarn::ShowError(const std::string &pattern, const std::string &name) {
    std::string text = pattern;
    const size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, name);
    IUserMessages *messages = Messages ? Messages : (Settings() ? Settings()->Messages : nullptr);
    if (messages)
        messages->Error(text);
}

void TSaveLoadWrapperTarn::SetEdit(QLineEdit *edit, const std::string &text) {
    if (!edit)
        return;
    edit->setText(QString::fromStdString(text));
    edit->setCursorPosition(int(edit->text().size()));
}

bool TSaveLoadWrapperTarn::Option(int32_t id) const {
    return Settings() && Settings()->Options && Settings()->Options->GetBoolean(id);
}

void TSaveLoadWrapperTarn::SetLamp(IColorShapeControl *lamp, TColor colour) {
    if (lamp)
        lamp->SetFillColor(colour);
}

void TSaveLoadWrapperTarn::ShowTraces() {
    if (Loaded && Settings() && DataSource)
        Loaded->ShowTraces(*Settings(), *DataSource);
}

} // namespace scope
