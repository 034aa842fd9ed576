// "Manage image exports": the list of image-export presets and the colours, switches and format of one.
#pragma once

#include "dialogs/ManageExportsBase.h"
#include "settings/ExportOptionsTarn.h"

#include <array>

class QCheckBox;
class QColorDialog;
class QComboBox;
class QLineEdit;

namespace scope {

class TColorShape;
class TShapeArrayTarn;

class TManageExportsAsImageForm : public TPresetListDialog<TExportAsImageArrayOption, TExportAsImageOption> {
public:
    explicit TManageExportsAsImageForm(QWidget *parent = nullptr);

    // Swatches before the first preset is shown; then one per colour of the preset.
    static constexpr int32_t ChannelSwatches = 8, CursorSwatches = 2;

    QLineEdit *Edit1 = nullptr;
    TShapeArrayTarn *ShapeArrayTarn1 = nullptr, *ShapeArrayTarn2 = nullptr; // channels, cursors
    TColorShape *Shape1 = nullptr, *Shape2 = nullptr, *Shape3 = nullptr;    // screen, grid, info
    // Vertical cursors, horizontal cursors, grid, screen info, application colour scheme.
    std::array<QCheckBox *, 5> CheckBoxes{};
    QComboBox *ComboBox1 = nullptr; // output format
    QColorDialog *ColorDialog1 = nullptr;

    void ShowItem(const TExportAsImageOption &item) override;
    // The quick view is never part of an image made here.
    void ReadItem(TExportAsImageOption &item) override;

    void ShapeArrayTarn1ShapeClick(TShapeArrayTarn &row, int32_t index);
    void Shape1MouseDown(TColorShape &shape);

protected:
    // Asks for a colour starting from color; false when the user cancels.
    virtual bool PickColor(TColor &color);

private:
    void LoadCaptions();
};

} // namespace scope
