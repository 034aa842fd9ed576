#include "controls/GraphicControlTarn.h"

#include "bus/ObjMasterTarn.h"
#include "testkit/ui/QtTestKit.h"

#include <QApplication>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

class TPainted : public TGraphicControlTarn {
public:
    explicit TPainted(QWidget *parent = nullptr) : TGraphicControlTarn(parent) {}
    void ObjMasterMessage(int32_t Msg, int32_t, void *) override { Seen.push_back(Msg); }
    std::vector<int32_t> Seen;
};

TEST(GraphicControlTarn, WidgetFreedWithItsParentLeavesTheBus) {
    TestApp();
    TObjMasterTarn bus;
    auto parent = std::make_unique<QWidget>();
    auto *child = new TPainted(parent.get());
    TPainted sibling;
    child->SetObjMaster(&bus);
    sibling.SetObjMaster(&bus);
    bus.Broadcast(bmGridToggled, 0, nullptr);
    EXPECT_EQ(child->Seen, std::vector<int32_t>{bmGridToggled});
    parent.reset();
    ASSERT_EQ(bus.Handlers().size(), 1u);
    bus.Broadcast(bmZoomChanged, 0, nullptr);
    EXPECT_EQ(sibling.Seen, (std::vector<int32_t>{bmGridToggled, bmZoomChanged}));
}

TEST(GraphicControlTarn, BusGoingFirstClearsTheControlsReference) {
    TestApp();
    TPainted control;
    {
        TObjMasterTarn bus;
        control.SetObjMaster(&bus);
    }
    EXPECT_EQ(control.ObjMaster(), nullptr);
    EXPECT_EQ(control.Seen, std::vector<int32_t>{bmMasterDestroying});
}

} // namespace

} // namespace scope
