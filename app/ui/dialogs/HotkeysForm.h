// "Configure hotkeys": one capture field per hot-key action, each with a clear button, on four sheets.
// It stores nothing itself: the options dialog fills its fields and reads them back.
#pragma once

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QToolButton;

namespace scope {

class THotkeyEdit;
class TPageControl;

class THotkeysForm : public QDialog {
    Q_OBJECT
public:
    explicit THotkeysForm(QWidget *parent = nullptr);

    TPageControl *PageControl1 = nullptr;
    QPushButton *OKButton = nullptr;
    // The 17 rows in option order.
    std::vector<QLabel *> Labels;
    std::vector<THotkeyEdit *> Edits;
    std::vector<QToolButton *> ClearButtons;

    // Label text; the edit fills the room between the label and the clear button.
    static void PlaceHotkeyRow(QLabel *label, THotkeyEdit *edit, const QString &text, QToolButton *button);

private:
    void LoadCaptions();
};

} // namespace scope
