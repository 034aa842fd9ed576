// A page control whose tabs wrap into as many rows as its width needs, so that every sheet's tab is in
// view at once. Sheets and the controls on them carry a Tag; options are bound by it.
#pragma once

#include "settings/OptionsTarn.h"

#include <QWidget>
#include <utility>
#include <vector>

class QStackedWidget;
class QToolButton;

namespace scope {

// The Tag of a control (0 when it has none).
int TagOf(const QObject *control);
void SetTag(QObject *control, int tag);

class TPageControl : public QWidget {
    Q_OBJECT
public:
    // Tag of a sheet whose controls are bound to options.
    static constexpr int SheetTag = 100;
    // Tags from here on name an option: Tag - OptionTagBase.
    static constexpr int OptionTagBase = 1000;

    explicit TPageControl(QWidget *parent = nullptr);

    // A new sheet at the end, with the tag of bound sheets.
    QWidget *AddSheet(const QString &caption);
    int SheetCount() const { return int(Sheets.size()); }
    QWidget *Sheet(int index) const { return Sheets[size_t(index)]; }
    QToolButton *Tab(int index) const { return Tabs[size_t(index)]; }
    void SetSheetCaption(int index, const QString &caption);
    void SetCurrentSheet(int index);
    int CurrentSheet() const;
    // Top of the sheets below the rows of tabs.
    int TabRows() const { return Rows; }
    // The height that gives each sheet this much room inside its frame, below the rows of tabs of the
    // current width.
    int HeightForSheets(int sheetHeight) const;

    // The option-bound controls: on each sheet tagged SheetTag, in sheet order, each control placed
    // directly on it with a Tag of at least OptionTagBase, in the sheet's control order.
    std::vector<std::pair<int32_t, IOptionControl *>> TaggedControls() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void LayOut();

    std::vector<QWidget *> Sheets;
    std::vector<QToolButton *> Tabs;
    QStackedWidget *Stack = nullptr;
    int Rows = 1;
};

} // namespace scope
