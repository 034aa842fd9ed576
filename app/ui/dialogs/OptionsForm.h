// "Options": the switches, colours and hot keys of the option table on six sheets. Every bound control
// carries 1000 + its option's number as Tag; the options change only on OK, all at once.
#pragma once

#include "settings/OptionsTarn.h"

#include <QDialog>

class QColorDialog;
class QFrame;
class QLabel;
class QPushButton;

namespace scope {

class TColorShape;
class THotkeysForm;
class TPageControl;
class TSettingsTarn;
class TShapeArrayTarn;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget *parent = nullptr);
    ~TOptionsForm() override;

    // Fills every bound control from the settings' options, shows the dialog, and on OK stores them back.
    int Execute(TSettingsTarn &settings);

    TPageControl *PageControl1 = nullptr;
    QPushButton *OKButton = nullptr, *CancelButton = nullptr, *Button3 = nullptr;
    TShapeArrayTarn *ShapeArrayTarn1 = nullptr, *ShapeArrayTarn2 = nullptr; // cursors, channels
    TColorShape *Shape1 = nullptr, *Shape2 = nullptr, *Shape3 = nullptr;    // screen, grid, info
    QColorDialog *ColorDialog1 = nullptr;
    THotkeysForm *Hotkeys() const { return HotkeysForm; }

    // Label text; the bevel keeps its right edge and starts 3 points right of the label.
    static void PlaceSectionHeader(QLabel *label, QFrame *bevel, const QString &text);

    void Button3Click();
    void Shape1MouseDown(TColorShape &shape);
    void ShapeArrayTarn2ShapeClick(TShapeArrayTarn &row, int32_t index);

protected:
    // The modal cycle; tests replace it.
    virtual int ShowModal();
    virtual void ShowHotkeysForm();
    // Asks for a colour starting from color; false when the user cancels.
    virtual bool PickColor(TColor &color);

private:
    void LoadCaptions();
    void LoadHotkeysForm();
    void StoreHotkeysForm();

    TSettingsTarn *Settings = nullptr;
    THotkeysForm *HotkeysForm = nullptr;
};

} // namespace scope
