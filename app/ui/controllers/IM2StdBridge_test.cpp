#include "controllers/IM2StdBridge.h"

#include "bus/ObjMasterTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/ui/QtTestKit.h"

#include <QHelpEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace scope {

namespace {

// Counts the tool-tip events that reach the widget itself.
class TTipWidget : public QWidget {
public:
    int Tips = 0;

protected:
    bool event(QEvent *e) override {
        if (e->type() == QEvent::ToolTip)
            ++Tips;
        return QWidget::event(e);
    }
};

void SetToolTip(TSettingsTarn &s, bool on) {
    SetBoolOption(s, opToolTip, on);
}

bool SendTip(QWidget &w) {
    QHelpEvent e(QEvent::ToolTip, QPoint(1, 1), w.mapToGlobal(QPoint(1, 1)));
    return QApplication::sendEvent(&w, &e);
}

TEST(IM2StdBridge, ToolTipsFollowTheOptionAtTheLastStageOnly) {
    TestApp();
    TSettingsTarn settings;
    TObjMasterTarn bus;
    TIM2StdBridge bridge;
    bridge.SetSettings(&settings);
    bridge.SetObjMaster(&bus);
    TTipWidget w;
    w.setToolTip("hint");

    SetToolTip(settings, false);
    // Earlier stages and other messages change nothing.
    for (int32_t stage = 0; stage < SettingsStageCount - 1; ++stage)
        bus.Broadcast(bmSettingsApplied, stage, nullptr);
    bus.Broadcast(bmInitialize, SettingsStageCount - 1, nullptr);
    SendTip(w);
    EXPECT_EQ(w.Tips, 1);

    bus.Broadcast(bmSettingsApplied, SettingsStageCount - 1, nullptr);
    EXPECT_FALSE(bridge.HintsShown());
    SendTip(w);
    EXPECT_EQ(w.Tips, 1);
    EXPECT_EQ(w.toolTip(), "hint");

    SetToolTip(settings, true);
    bus.Broadcast(bmSettingsApplied, SettingsStageCount - 1, nullptr);
    SendTip(w);
    EXPECT_EQ(w.Tips, 2);
}

} // namespace

} // namespace scope
