// The module's window: the parameter table with its menus for rows, columns, copying, statistics, range
// sources and staying on top. Lives in the GUI thread; the computation it owns runs in the host's
// acquisition thread and touches no widget.
#pragma once

#include "HostLink.h"
#include "ModuleSettings.h"
#include "ParamCalculator.h"
#include "WaveParamsPellx.h"

#include <QDialog>
#include <QMainWindow>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QScrollBar;

namespace parmod {

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(const THostLink &host);
    ~TMainForm() override;

    void ApplySettings(const TModuleSettings &settings);
    TModuleSettings CurrentSettings() const;

    // After each acquisition, in the acquisition thread.
    void CalculateParams() { Calculator.CalculateParams(); }
    // After each acquisition, in the GUI thread: colours and data flags from the host, then the table.
    void UpdateChannelInfo();

    // The table as text, one line per row with CR LF, as Copy puts it on the clipboard.
    std::string TableText();
    void Copy();
    void ResetParams();
    void SetRangeSource(int32_t channel, int32_t source);
    void SetStayOnTop(bool on);
    bool StayOnTop() const;

    // Menu actions, for the window's own use and for tests.
    void ToggleRow(int32_t row);
    void ShowOnlyRow(int32_t row);
    void ShowAllRows();
    void ToggleChannel(int32_t channel);
    void ToggleStat(int32_t statistic);
    void ShowOnlyStat(int32_t statistic);
    void ShowAllStats();
    void ConfigureRows();
    void ConfigureColumns();

    TWaveParamsPellx &Params() { return WaveParamsPellx1; }
    TParamStatsPellx &Stats() { return ParamStatsPellx1; }
    TWaveParamsTablePellx *Table() const { return WaveParamsTablePellx1; }
    TParamCalculator &Computation() { return Calculator; }
    QScrollBar *Bar() const { return ScrollBar1; }
    QAction *RowShowAction(int32_t row) const;
    QAction *ChannelAction(int32_t channel) const { return ChannelItems[channel]; }
    QAction *StatAction(int32_t statistic) const { return StatItems[statistic]; }
    QAction *RangeAction(int32_t channel, int32_t source) const;
    QAction *StayOnTopAction() const { return StayOnTopItem; }

    // Runs a configuration dialog; tests replace it to answer without a user.
    std::function<int(QDialog &)> ExecDialog = [](QDialog &d) { return d.exec(); };

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildMenus();
    void RebuildRowItems();
    void UpdateChecks();
    void RowsChanged();
    void TableResized();
    // Sets the window's stay-on-top style without touching the menu check.
    void ApplyTopStyle(bool onTop);

    const THostLink &Host;
    TWaveParamsPellx WaveParamsPellx1;
    TParamStatsPellx ParamStatsPellx1;
    TParamCalculator Calculator;
    QWidget *Client;
    TWaveParamsTablePellx *WaveParamsTablePellx1;
    QScrollBar *ScrollBar1;
    QMenu *RowShowMenu = nullptr;
    QMenu *RowShowOnlyMenu = nullptr;
    std::vector<QAction *> RowShowItems;
    std::array<QAction *, ParamChannelCount> ChannelItems{};
    std::array<QAction *, ParamStatCount> StatItems{};
    std::array<std::array<QAction *, 2>, 2> RangeItems{};
    QAction *StayOnTopItem = nullptr;
};

} // namespace parmod
