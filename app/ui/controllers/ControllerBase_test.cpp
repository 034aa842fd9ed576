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

} // namespace
} // namespace scope
