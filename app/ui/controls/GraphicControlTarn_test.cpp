#include "controls/GraphicControlTarn.h"

#include "bus/ObjMasterTarn.h"

#include <QApplication>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

QApplication &App() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char *argv[] = {name, nullptr};
    static QApplication *app = qApp ? nullptr : new QApplication(argc, argv);
    (void)app;
    return *static_cast<QApplication *>(QCoreApplication::instance());
}

class TPainted : public TGraphicControlTarn {
public:
    explicit TPainted(QWidget *parent = nullptr) : TGraphicControlTarn(parent) {}
    void ObjMasterMessage(int32_t Msg, int32_t, void *) override { Seen.push_back(Msg); }
    std::vector<int32_t> Seen;
};

TEST(GraphicControlTarn, WidgetFreedWithItsParentLeavesTheBus) {
    App();
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
    App();
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
