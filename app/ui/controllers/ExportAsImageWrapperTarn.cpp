#include "controllers/ExportAsImageWrapperTarn.h"

#include "MainForm.h"
#include "platform/SaveDialog.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QAction>
#include <QImage>
#include <cstring>

namespace scope {

namespace {

TExportAsImageArrayOption *DefinedPresets(TSettingsTarn *settings) {
    if (!settings || !settings->Options)
        return nullptr;
    return dynamic_cast<TExportAsImageArrayOption *>(settings->Options->GetOption(opDefinedExportAsImage));
}

} // namespace

TRgbImage RgbImageOf(const QImage &bitmap) {
    TRgbImage image;
    if (bitmap.isNull())
        return image;
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB888);
    image.Width = rgb.width();
    image.Height = rgb.height();
    const size_t rowBytes = size_t(image.Width) * 3;
    image.Pixels.resize(rowBytes * size_t(image.Height));
    // Qt pads its rows to four bytes; the encoders take them packed.
    for (int y = 0; y < image.Height; ++y)
        std::memcpy(image.Pixels.data() + rowBytes * size_t(y), rgb.constScanLine(y), rowBytes);
    return image;
}

void TExportAsImageWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *) {
    if (Msg == bmSettingsApplied && Param == SettingsStageCount - 1)
        RebuildMenu();
}

void TExportAsImageWrapperTarn::RebuildMenu() {
    Items.Rebuild(ExportMenu, TPresetMenuItems::NamesOf(DefinedPresets(Settings())),
                  [this](QAction *item) { ExportClick(item); });
}

void TExportAsImageWrapperTarn::ExportClick(QAction *item) {
    if (const auto *preset = TPresetMenuItems::PresetOf(DefinedPresets(Settings()), item))
        Export(*preset);
}

void TExportAsImageWrapperTarn::Export(const TExportAsImageOption &preset) {
    if (!ScopeScreen || !SaveDialog)
        return;
    QImage bitmap;
    ScopeScreen->RenderToBitmap(preset, bitmap);
    SaveDialog->FilterIndex = FilterEntryOfFormat(preset.OutputFormat);
    if (!SaveDialog->Execute())
        return;
    // The entry chosen at the end decides the format, whatever the preset says or the name typed.
    const int32_t entry = SaveDialog->FilterIndex;
    const std::string name = ChangeFileExt(SaveDialog->FileName, ImageExtension(entry));
    if (!SaveImage(RgbImageOf(bitmap), ImageFormatOfEntry(entry), name)) {
        if (Settings() && Settings()->Messages)
            Settings()->Messages->Error("Unable to save to " + name + ".");
    }
}

} // namespace scope
