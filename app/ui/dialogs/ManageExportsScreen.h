// "Manage exports": the list of text-export presets and the fields of one.
#pragma once

#include "dialogs/ManageExportsBase.h"
#include "settings/ExportOptionsTarn.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace scope {

class TManageExportsForm : public TPresetListDialog<TExportArrayOption, TExportOption> {
public:
    explicit TManageExportsForm(QWidget *parent = nullptr);

    QLineEdit *Edit1 = nullptr;
    // Units, area, style, target.
    QComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr, *ComboBox4 = nullptr;
    // Channels A to D.
    std::array<QCheckBox *, 4> Sources{};

    void ShowItem(const TExportOption &item) override;
    void ReadItem(TExportOption &item) override;

private:
    void LoadCaptions();
};

} // namespace scope
