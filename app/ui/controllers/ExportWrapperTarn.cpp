#include "controllers/ExportWrapperTarn.h"

#include "MainForm.h"
#include "acquisition/DataSourceTarn.h"
#include "platform/Platform.h"
#include "platform/SaveDialog.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <sys/stat.h>

namespace scope {

namespace {

const char *const OverwriteQuestion = "File already exists. Do you want to overwite?";
const char *const ExportFailed = "Error has occured during export";

bool FileExists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

TExportArrayOption *DefinedExports(TSettingsTarn *settings) {
    if (!settings || !settings->Options)
        return nullptr;
    return dynamic_cast<TExportArrayOption *>(settings->Options->GetOption(opDefinedExport));
}

} // namespace

void TExportWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *) {
    if (Msg == bmSettingsApplied && Param == SettingsStageCount - 1)
        RebuildMenu();
}

void TExportWrapperTarn::RebuildMenu() {
    Items.Rebuild(ExportMenu, TPresetMenuItems::NamesOf(DefinedExports(Settings())),
                  [this](QAction *item) { ExportClick(item); });
}

void TExportWrapperTarn::ExportClick(QAction *item) {
    if (const auto *preset = TPresetMenuItems::PresetOf(DefinedExports(Settings()), item))
        Export(*preset);
}

std::unique_ptr<TTextRowWriter> TExportWrapperTarn::PrepareExport(const TExportOption &preset) {
    TSettingsTarn &s = *Settings();
    const TDeviceSettings &shown = s.ShownSettings();
    TTextRowWriter::TInput in;
    in.Waves = DataSource ? &DataSource->Waveforms() : nullptr;
    in.Scale = BuildScaleTable(s);
    in.TriggerPosition = s.TriggerPosition(shown);
    if (shown.TimeBase >= 0 && shown.TimeBase < int32_t(s.TimeBases.size()))
        in.SampleRate = s.TimeBases[size_t(shown.TimeBase)].SampleRate;
    in.Separator = platform::DecimalSeparator();
    return std::make_unique<TTextRowWriter>(preset, std::move(in));
}

void TExportWrapperTarn::Export(const TExportOption &preset) {
    if (!Settings())
        return;
    TSettingsTarn &s = *Settings();
    const std::unique_ptr<TTextRowWriter> writer = PrepareExport(preset);
    TSampleRange range;
    if (DataSource && !DataSource->Waveforms().empty()) {
        const TScopeScreenTarn *screen = ScopeScreen;
        range = ExportRange(preset.Area, DataSource->Waveforms()[0], s, [screen](int32_t point) {
            return screen ? screen->PointToSample(point) : point;
        });
    }

    TStringSink text;
    TFileSink file;
    ITextSink *sink = &text;
    const bool toFile = preset.Target == 1;
    if (toFile) {
        const std::string name = ChooseFile();
        if (name.empty())
            return;
        if (!file.Create(name)) {
            ShowError(name + ": " + file.Error());
            return;
        }
        sink = &file;
    }

    if (OnWaitDisplay)
        OnWaitDisplay();
    bool failed = false;
    try {
        writer->WriteRows(range, *sink);
        // The file is put in place only once every row is in it.
        failed = toFile && !file.Commit();
    } catch (...) {
        failed = true;
    }
    // A file that was there stays as it was rather than being cut short.
    if (toFile && failed)
        file.Abort();
    if (OnWaitHide)
        OnWaitHide();
    if (failed)
        ShowError(ExportFailed);

    // What was gathered is handed over, also after a failure part of the way.
    if (!toFile)
        SetClipboardText(text.Text);
}

std::string TExportWrapperTarn::ChooseFile() {
    if (!SaveDialog)
        return {};
    for (;;) {
        if (!SaveDialog->Execute())
            return {};
        std::string name = SaveDialog->FileName;
        if (SaveDialog->FilterIndex == 1)
            name = ChangeFileExt(name, ".txt");
        if (!FileExists(name))
            return name;
        IUserMessages *messages = Settings() ? Settings()->Messages : nullptr;
        if (!messages ||
            messages->Show(TMsgKind::Warning, "Warning", OverwriteQuestion, mbYes | mbNo, mbYes) == mbYes)
            return name;
    }
}

void TExportWrapperTarn::SetClipboardText(const std::string &text) {
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromStdString(text));
}

void TExportWrapperTarn::ShowError(const std::string &text) {
    if (Settings() && Settings()->Messages)
        Settings()->Messages->Error(text);
}

} // namespace scope
