// Switches the application's tool tips on or off with the ToolTip option. Hints off: an event filter
// on the application swallows every tool-tip event, so no window shows one; the hint texts stay set.
#pragma once

#include "bus/ComponentsTarn.h"

#include <QObject>

namespace scope {

class TIM2StdBridge : public QObject, public TComponentTarn {
    Q_OBJECT
public:
    explicit TIM2StdBridge(QObject *parent = nullptr);
    ~TIM2StdBridge() override;

    // Only the last stage of bus message 7 is handled.
    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;
    bool HintsShown() const { return ShowHints; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetShowHints(bool on);

    bool ShowHints = true;
};

} // namespace scope
