#include "controllers/ChannelWrapperTarn.h"

#include "bus/ObjMasterTarn.h"
#include "controls/DragButtonTarn.h"
#include "controls/ModulesBoxTarn.h"
#include "modules/ModuleManagerTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/TestModules.h"
#include "testkit/ui/QtTestKit.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

namespace scope {
namespace {

// The channel buttons under the real module host, with the host tests' function and window module
// doubles listed in the modules box.
class ChannelButtons : public ::testing::Test {
protected:
    void SetUp() override {
        SmallModuleInstrument(s, 1);
        s.ChannelsOn = {1, 1, 0, 0, 0, 0};
        box.resize(121, 300);
        host.ModulesFolder = TestModulesFolder();
        host.OwnerObject = &owner;
        host.SetSettings(&s);
        host.SetObjMaster(&bus);
        host.SetModulesBox(&box);
        channels.SetButtons(&a, &b, &c, &d);
        for (QToolButton *button : {&a, &b})
            button->setCheckable(true);
        channels.SetSettings(&s);
        channels.SetObjMaster(&bus);
        recorder.SetObjMaster(&bus);
        bus.Broadcast(bmInitialize, 0, nullptr);
        bus.Broadcast(bmStartupComplete, 0, nullptr);
        BroadcastSettingsApplied(bus);
        for (int32_t i = 0; i < box.ItemCount(); ++i)
            (box.ItemKind(i) == IModulesBox::ikFunction ? function : window) = i;
        recorder.Clear();
    }
    void TearDown() override {
        host.StopModules();
        host.FreeModules();
    }
    static std::unique_ptr<QMimeData> Payload(int32_t item) {
        auto data = std::make_unique<QMimeData>();
        data->setData(TModulesBoxTarn::ItemMimeType, QByteArray::number(item));
        return data;
    }
    // Drops a module's button on a channel button as the drag would: asked first, then dropped.
    bool Drop(TDragButtonTarn &target, int32_t item) {
        auto data = Payload(item);
        if (!channels.ButtonDragOver(target, data.get(), box.Button(item)))
            return false;
        channels.ButtonDragDrop(target, data.get(), box.Button(item));
        return true;
    }

    QApplication &app = TestApp();
    TObjMasterTarn bus;
    TSettingsTarn s;
    QWidget owner;
    TModulesBoxTarn box;
    TModuleManagerTarn host;
    QToolButton a, b;
    TDragButtonTarn c, d;
    TChannelWrapperTarn channels;
    TBusRecorder recorder;
    int32_t function = -1, window = -1;
};

TEST_F(ChannelButtons, ClicksToggleAAndBAndOnlySwitchModuleChannelsOff) {
    EXPECT_EQ(c.Tag, 2);
    EXPECT_EQ(d.Tag, 3);
    EXPECT_TRUE(a.isChecked());
    EXPECT_FALSE(c.isChecked());
    const struct {
        QAbstractButton *Button;
        int32_t Tag;
        bool After;
    } clicks[] = {
        {&a, 0, false}, {&a, 0, true}, {&b, 1, false}, {&c, 2, false}, {&c, 2, false}, {&d, 3, false},
    };
    for (const auto &k : clicks) {
        SCOPED_TRACE(k.Tag);
        recorder.Clear();
        k.Button->click();
        EXPECT_EQ(bool(s.ChannelsOn[size_t(k.Tag)]), k.After);
        EXPECT_EQ(k.Button->isChecked(), k.After) << "the button shows the setting";
        ASSERT_EQ(recorder.Count(bmChannelToggled), 1u);
        EXPECT_EQ(recorder.Of(bmChannelToggled)[0].Param, k.Tag);
    }
}

TEST_F(ChannelButtons, ADropAssignsTheModuleAndAClickSwitchesItOffAgain) {
    ASSERT_GE(function, 0) << "the function-module double is built";
    ASSERT_TRUE(Drop(c, function));
    EXPECT_TRUE(s.ChannelsOn[2]);
    EXPECT_EQ(s.VirtualChannels[0], function);
    EXPECT_EQ(c.text(), "TestFunction");
    EXPECT_EQ(channels.StoredCaption(0), "TestFunction");
    EXPECT_TRUE(c.isChecked());
    ASSERT_EQ(recorder.Count(bmModuleChannelAssigned), 1u);
    EXPECT_EQ(recorder.Of(bmModuleChannelAssigned)[0].Param, 2);
    // The host switched the module on; the end of the drag keeps that.
    EXPECT_TRUE(host.Module(function).Enabled);
    EXPECT_EQ(box.ItemState(function), IModulesBox::isOn);
    box.ButtonEndDrag(*box.Button(function));
    EXPECT_EQ(box.ItemState(function), IModulesBox::isOn);

    // While C is on nothing more can be dropped on it; D still takes one.
    EXPECT_FALSE(Drop(c, function));
    EXPECT_TRUE(Drop(d, function));
    EXPECT_EQ(s.VirtualChannels[1], function);

    c.click();
    EXPECT_FALSE(s.ChannelsOn[2]);
    EXPECT_EQ(c.text(), "") << "the caption goes with the channel";
    EXPECT_TRUE(host.Module(function).Enabled) << "it still feeds D";
}

TEST_F(ChannelButtons, TheHostSwitchingTheModuleOffClearsTheCaption) {
    ASSERT_GE(function, 0);
    ASSERT_TRUE(Drop(c, function));
    recorder.Clear();
    box.Button(function)->click(); // a click on the active module's button asks the host
    EXPECT_EQ(recorder.Count(bmModuleListChanged), 1u);
    EXPECT_FALSE(s.ChannelsOn[2]);
    EXPECT_FALSE(c.isChecked());
    EXPECT_EQ(c.text(), "");
}

TEST_F(ChannelButtons, OnlyAFunctionModulesButtonCanBeDropped) {
    ASSERT_GE(function, 0);
    ASSERT_GE(window, 0);
    auto file = std::make_unique<QMimeData>();
    file->setUrls({QUrl::fromLocalFile("/tmp/record.rsb")});
    const auto own = Payload(function), windows = Payload(window);
    const struct {
        const char *Name;
        const QMimeData *Data;
        QObject *Source;
    } refused[] = {
        {"a file of another program", file.get(), nullptr},
        {"a payload without its button", own.get(), nullptr},
        {"a window module", windows.get(), box.Button(window)},
        {"a payload that is not the button's", windows.get(), box.Button(function)},
        {"a channel button as source", own.get(), &d},
    };
    for (const auto &r : refused) {
        SCOPED_TRACE(r.Name);
        EXPECT_FALSE(channels.ButtonDragOver(c, r.Data, r.Source));
        channels.ButtonDragDrop(c, r.Data, r.Source);
        EXPECT_FALSE(s.ChannelsOn[2]);
        EXPECT_EQ(recorder.Count(bmModuleChannelAssigned), 0u);
    }
    EXPECT_TRUE(channels.ButtonDragOver(c, own.get(), box.Button(function)))
        << "the module's own drag is taken";

    // The button itself refuses another program's drag before the controller's drop is reached.
    QDragEnterEvent enter(QPoint(5, 5), Qt::LinkAction | Qt::CopyAction, file.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&c, &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(ChannelButtons, ADropOnAChannelSwitchedOnMeanwhileIsRefused) {
    ASSERT_GE(function, 0);
    auto data = Payload(function);
    ASSERT_TRUE(channels.ButtonDragOver(c, data.get(), box.Button(function)));
    s.ChannelsOn[2] = 1;
    channels.ButtonDragDrop(c, data.get(), box.Button(function));
    EXPECT_EQ(recorder.Count(bmModuleChannelAssigned), 0u);
    EXPECT_EQ(s.VirtualChannels[0], -1);
}

} // namespace
} // namespace scope
