// What the two preset dialogs share: the list of preset names on the left, the editor group on the right,
// Update selected, Add, Remove selected, OK and Cancel, and reordering by dragging a name. The dialog
// edits a working copy of the list, which replaces the option's list only on OK; the editor fields are
// kept in a buffer option also after Cancel.
#pragma once

#include <QDialog>
#include <QPoint>
#include <cstdint>
#include <memory>
#include <string>

class QGroupBox;
class QListWidget;
class QPushButton;

namespace scope {

class TManageExportsBase : public QDialog {
    Q_OBJECT
public:
    explicit TManageExportsBase(QWidget *parent = nullptr);

    QListWidget *ListBox1 = nullptr;
    QGroupBox *GroupBox1 = nullptr; // "Export options", the editor fields
    QPushButton *Button5 = nullptr, *Button1 = nullptr, *Button2 = nullptr; // update, add, remove
    QPushButton *OKButton = nullptr, *CancelButton = nullptr;

    // The selected row; -1 when nothing is selected.
    int32_t SelectedIndex() const;
    void Select(int32_t index);

    void FillList();
    void ListBox1Click();
    void Button1Click();
    void Button5Click();
    void Button2Click();
    // Dragging a name: the start, the pointer over the list box (viewport coordinates) and the drop,
    // accepted when it happened on the list box.
    void ListBox1StartDrag();
    void ListBox1DragOver(QPoint position);
    void ListBox1EndDrag(bool accepted);
    bool DragReordered() const { return Reordered; }

protected:
    // The modal cycle; tests replace it.
    virtual int ShowModal();
    // Lays the fixed controls out around an editor group of the given size.
    void PlaceControls(int groupWidth, int groupHeight);
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The working list and the buffer item, as the final dialog keeps them.
    virtual int32_t WorkingCount() const = 0;
    virtual std::string WorkingName(int32_t index) const = 0;
    virtual void ShowWorkingItem(int32_t index) = 0;
    // Reads the editor fields into the buffer item.
    virtual void ReadBuffer() = 0;
    virtual void AppendBuffer() = 0;
    virtual void ReplaceWithBuffer(int32_t index) = 0;
    virtual void DeleteWorking(int32_t index) = 0;
    virtual void MoveWorking(int32_t from, int32_t to) = 0;
    virtual void TakeSnapshot() = 0;
    virtual void RestoreSnapshot() = 0;

    // Shared state of one EditExports run.
    void ResetDrag();

private:
    void LoadCaptions();
    int32_t TargetAt(QPoint position) const;

    int32_t DragIndex = -1;
    bool Reordered = false;
    // The mouse on the list: pressed, and a drag under way once it moved far enough.
    bool Pressed = false, Dragging = false;
    QPoint PressPosition;
};

// The list handling over one pair of option classes: the list and its entry.
template <typename TList, typename TItem> class TPresetListDialog : public TManageExportsBase {
public:
    using TManageExportsBase::TManageExportsBase;

    // Runs the dialog on the list option and the buffer option; true when closed with OK.
    bool EditExports(TList &list, TItem &buffer) {
        Working.Settings = list.Settings;
        Snapshot.Settings = list.Settings;
        Working.Assign(list);
        Snapshot.Clear();
        Buffer.Settings = buffer.Settings;
        Buffer.Assign(buffer);
        ResetDrag();
        FillList();
        ShowItem(Buffer);
        const bool accepted = ShowModal() == QDialog::Accepted;
        if (accepted)
            list.Assign(Working);
        // The fields as they are at closing are offered again next time.
        ReadItem(Buffer);
        buffer.Assign(Buffer);
        Working.Clear();
        Snapshot.Clear();
        return accepted;
    }

    const TList &WorkingList() const { return Working; }
    const TItem &BufferItem() const { return Buffer; }

    virtual void ShowItem(const TItem &item) = 0;
    virtual void ReadItem(TItem &item) = 0;

protected:
    int32_t WorkingCount() const override { return Working.Count(); }
    std::string WorkingName(int32_t index) const override { return Working.List[size_t(index)]->PresetName; }
    void ShowWorkingItem(int32_t index) override { ShowItem(*Working.List[size_t(index)]); }
    void ReadBuffer() override { ReadItem(Buffer); }
    void AppendBuffer() override { Working.Add(Copy(Buffer)); }
    void ReplaceWithBuffer(int32_t index) override { Working.List[size_t(index)] = Copy(Buffer); }
    void DeleteWorking(int32_t index) override { Working.Delete(index); }
    void MoveWorking(int32_t from, int32_t to) override { Working.Move(from, to); }
    void TakeSnapshot() override { Snapshot.Assign(Working); }
    void RestoreSnapshot() override { Working.Assign(Snapshot); }

private:
    std::unique_ptr<TItem> Copy(const TItem &item) const {
        auto copy = std::make_unique<TItem>();
        copy->Settings = Working.Settings;
        copy->Assign(item);
        return copy;
    }

    TList Working, Snapshot;
    TItem Buffer;
};

} // namespace scope
