// Image export by presets: one item of the image-export menu per preset; an item draws the screen in
// the preset's look and saves it as PNG, JPEG or BMP, the format chosen in the save dialog.
#pragma once

#include "controllers/ControllerBase.h"
#include "controllers/PresetMenuItems.h"
#include "export/ImageEncoders.h"

#include <vector>

class QAction;
class QImage;
class QMenu;

namespace scope {

class TExportAsImageOption;
class TSaveDialog;
class TScopeScreenTarn;

// A bitmap as 8-bit RGB rows for the encoders.
TRgbImage RgbImageOf(const QImage &bitmap);

class TExportAsImageWrapperTarn : public TControllerBase {
public:
    TExportAsImageWrapperTarn() = default;

    QMenu *ExportMenu = nullptr;
    TScopeScreenTarn *ScopeScreen = nullptr;
    // Its filter is "PNG (*.png)|*.png|JPG (*.jpg)|*.jpg|BMP (*.bmp)|*.bmp".
    TSaveDialog *SaveDialog = nullptr;

    // Stage 9 of bus message 7 rebuilds the menu; nothing else is handled.
    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    void RebuildMenu();
    const std::vector<QPointer<QAction>> &MenuItems() const { return Items.Items(); }
    // Exports with the preset whose index is the item's tag.
    void ExportClick(QAction *item);
    void Export(const TExportAsImageOption &preset);

private:
    TPresetMenuItems Items;
};

} // namespace scope
