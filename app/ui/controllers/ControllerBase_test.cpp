#include "controllers/ControllerBase.h"
#include "testkit/BusRecorder.h"
#include "testkit/ui/QtTestKit.h"

#include <QCheckBox>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace scope {
namespace {

// A controller of one check box and one bar: a click requests a value and broadcasts bmGridToggled.
class TProbeController : public TControllerBase {
public:
    TProbeController(QCheckBox *box, QScrollBar *bar) : Box(box), Bar(bar) {
        AddControl(box);
        AddControl(bar);
        Wire();
    }
    void Wire() {
        Bind(Box, &QCheckBox::toggled, [this](bool on) {
            Requested = on;
            Broadcast(bmGridToggled);
        });
        Bind(Bar, &QScrollBar::valueChanged, [this](int v) {
            ++BarEvents;
            Position = v;
        });
    }
    void Show(bool on, int position) {
        Fill([&] {
            Box->setChecked(on);
            Bar->setValue(position);
            // A handler that is reached directly while filling is skipped too.
            EXPECT_TRUE(Updating());
        });
    }
    void ObjMasterMessage(int32_t, int32_t, void *) override {}
    using TControllerBase::StepBar;

    QCheckBox *Box;
    QScrollBar *Bar;
    bool Requested = false;
    int Position = -1, BarEvents = 0;
};

TEST(ControllerBase, FillingNeverEchoesBackAndUserActionsBroadcast) {
    TestApp();
    QCheckBox box;
    QScrollBar bar;
    bar.setRange(0, 100);
    TObjMasterTarn bus;
    TProbeController c(&box, &bar);
    c.SetObjMaster(&bus);
    TBusRecorder rec(bus);

    c.Show(true, 40);
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ(bar.value(), 40);
    EXPECT_FALSE(c.Requested);
    EXPECT_EQ(c.BarEvents, 0);
    EXPECT_TRUE(rec.Log.empty());
    EXPECT_FALSE(c.Updating());
    // Signals are open again after filling.
    EXPECT_FALSE(box.signalsBlocked());

    box.click();
    EXPECT_FALSE(c.Requested);
    EXPECT_EQ(rec.Messages(), std::vector<int32_t>{bmGridToggled});
    bar.setValue(41);
    EXPECT_EQ(c.Position, 41);
}

TEST(ControllerBase, BindingAgainReplacesTheConnection) {
    TestApp();
    QCheckBox box;
    QScrollBar bar;
    TObjMasterTarn bus;
    TProbeController c(&box, &bar);
    c.SetObjMaster(&bus);
    TBusRecorder rec(bus);
    c.Wire();
    c.Wire();
    EXPECT_EQ(c.BindingCount(), 2u);
    box.click();
    EXPECT_EQ(rec.Count(bmGridToggled), 1u);
    c.UnbindAll();
    box.click();
    EXPECT_EQ(rec.Count(bmGridToggled), 1u);
}

TEST(ControllerBase, HotkeyStepStaysInTheBarAndNeverOverflows) {
    TestApp();
    QScrollBar bar;
    bar.setRange(INT32_MIN, INT32_MAX);
    struct Case {
        int From, Step, To;
    } cases[] = {
        {10, 5, 15},
        {10, -15, -5},
        {INT32_MAX - 5, 10, INT32_MAX},
        {INT32_MIN + 5, -10, INT32_MIN},
        {INT32_MAX, INT32_MAX, INT32_MAX},
        {INT32_MIN, INT32_MIN, INT32_MIN},
    };
    for (const Case &c : cases) {
        bar.setValue(c.From);
        TProbeController::StepBar(&bar, c.Step);
        EXPECT_EQ(bar.value(), c.To) << c.From << " + " << c.Step;
    }
    bar.setRange(0, 10);
    bar.setValue(8);
    TProbeController::StepBar(&bar, 5);
    EXPECT_EQ(bar.value(), 10);
    TProbeController::StepBar(nullptr, 5);
}

} // namespace
} // namespace scope
