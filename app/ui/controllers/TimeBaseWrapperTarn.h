// The time base: the time-base bar with the time and rate labels of the Horizontal box, the equivalent-time
// indicator with the fill of both channels, the time labels of the vertical cursors, and the WCD
// sensitivity items. A new time base is announced on the bus; the acquisition thread takes it to the device.
#pragma once

#include "controllers/ControllerBase.h"

#include <array>
#include <cstdint>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QScrollBar;
class QWidget;

namespace scope {

class TSamplingProgressBarTarn;

class TTimeBaseWrapperTarn : public TControllerBase {
public:
    TTimeBaseWrapperTarn();

    // Form references; any may stay null.
    QScrollBar *TimeBaseBar = nullptr;
    QLabel *TimeBaseNowLabel = nullptr, *TimeBaseDataLabel = nullptr, *SamplingRateLabel = nullptr;
    QWidget *SamplingImage = nullptr;
    TSamplingProgressBarTarn *SamplingProgressBarA = nullptr, *SamplingProgressBarB = nullptr;
    QLabel *CursorsTimeLabel = nullptr, *CursorsFreqLabel = nullptr, *RedCursorLabel = nullptr;

    // The WCD menu's radio items, each with its value in data(); taken before bus message 1.
    void SetWCDItems(const std::vector<QAction *> &items);
    // The WCD values in the walk's order: Off, Low, Medium, High, Very high.
    static constexpr std::array<int32_t, 5> DefaultWCDTags{255, 20, 16, 12, 8};
    // The item that stands for a WCD value (index into the walk's order).
    int32_t WCDIndexOf(int32_t wcd) const;
    QAction *WCDItem(int32_t index) const;

    // Registers the controls whose signals are blocked while they are filled (call once they are set).
    void AddControls();

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    void UpdateTimeBaseLabels();

    // Control events.
    void TimeBaseBarChange();
    void WCDItemClick(int32_t index);

private:
    struct TWCDEntry {
        QAction *Item = nullptr;
        int32_t Tag = 0;
    };
    void Wire();

    std::vector<QAction *> GivenItems;
    std::array<TWCDEntry, 5> WCDTable{};
};

// Makes the Horizontal box's controls in the group box and hands them to the controller.
void MakeTimeBaseControls(QWidget *box, TTimeBaseWrapperTarn &timeBase);

// Makes the WCD sensitivity items, Very high to Off, each tagged with its sensitivity, in the menu and in
// the group, which becomes exclusive; returned in menu order.
std::vector<QAction *> MakeWCDItems(QMenu *menu, QActionGroup *group);

} // namespace scope
