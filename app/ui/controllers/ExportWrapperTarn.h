// Text export by presets: one item of the export menu per defined export; an item puts the record on
// the screen as tab-separated rows on the clipboard or into a text file.
#pragma once

#include "controllers/ControllerBase.h"
#include "controllers/PresetMenuItems.h"
#include "export/TextExport.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace scope {

class TDataSourceTarn;
class TExportOption;
class TSaveDialog;
class TScopeScreenTarn;

class TExportWrapperTarn : public TControllerBase {
public:
    TExportWrapperTarn() = default;

    TDataSourceTarn *DataSource = nullptr;
    TScopeScreenTarn *ScopeScreen = nullptr;
    QMenu *ExportMenu = nullptr;
    // Its filter is "Text file (*.txt)|*.txt|Any file (*.*)|*.*".
    TSaveDialog *SaveDialog = nullptr;
    std::function<void()> OnWaitDisplay, OnWaitHide;

    // Stage 9 of bus message 7 rebuilds the menu; nothing else is handled.
    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    // The items inserted last time go; one per defined export follows, at the top, tagged with its index.
    void RebuildMenu();
    const std::vector<QPointer<QAction>> &MenuItems() const { return Items.Items(); }
    // Runs the defined export whose index is the item's tag.
    void ExportClick(QAction *item);
    void Export(const TExportOption &preset);
    // The name to write to; empty when the user cancelled.
    std::string ChooseFile();

protected:
    // Hands the text over as plain text.
    virtual void SetClipboardText(const std::string &text);

private:
    std::unique_ptr<TTextRowWriter> PrepareExport(const TExportOption &preset);
    void ShowError(const std::string &text);

    TPresetMenuItems Items;
};

} // namespace scope
