#include "ProgramBlock.h"

#include "FakeDevice_test.h"
#include "SplashScreen.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramBlock, OtherInstanceIsTwoProcessesOfTheSameFileName) {
    const struct {
        const char *what;
        std::vector<std::string> running;
        bool other;
    } cases[] = {
        {"only this one", {"/opt/a/scope", "/usr/bin/bash"}, false},
        {"a second copy in another folder", {"/opt/a/scope", "/home/u/b/scope"}, true},
        {"case differs", {"/opt/a/scope", "/opt/b/SCOPE"}, true},
        {"a name that only ends alike", {"/opt/a/scope", "/usr/bin/microscope"}, false},
        {"no process list at all", {}, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsOtherInstanceRunning(c.running, "/opt/a/scope"), c.other) << c.what;
}

struct TStatusLog : IStatusDisplay {
    void SetStatus(const std::string &text) override { Lines.push_back(text); }
    std::vector<std::string> Lines;
};

// A family table of doubles: each row creates a fake with its script.
struct TFamilies {
    std::vector<std::string> Log;
    std::vector<TFakeDevice::TScript> Scripts;
    std::vector<TDAO> Table;
};
TFamilies *Current = nullptr;
template <int Row> std::unique_ptr<TDriverAbstraction> Create(const std::string &) {
    return std::make_unique<TFakeDevice>(Current->Scripts[Row], &Current->Log);
}

TEST(ProgramBlock, SearchTriesTheFamiliesInOrderAndKeepsTheFirstOpened) {
    TestApp();
    TFakeDevice::TScript noLib{drNoLibrary, false, {}, drOk, "P"};
    TFakeDevice::TScript allInUse{drOk, true, {{7, 0, 1}, {8, 1, 1}}, drOk, "T"};
    TFakeDevice::TScript empty{drOk, true, {}, drOk, "T"};
    TFakeDevice::TScript listed{drOk, true, {{7, 0, 1}, {9, 3, 0}, {11, 4, 0}}, drOk, "T", 1234};
    TFakeDevice::TScript notFound{drOk, false, {}, drDeviceNotFound, "V"};
    TFakeDevice::TScript plain{drOk, false, {}, drOk, "V", 55};
    TFakeDevice::TScript broken{drOk, false, {}, drCalibrationBroken, "V"};
    const struct {
        const char *what;
        std::vector<TFakeDevice::TScript> rows;
        std::string found; // name of the kept device, empty for none
        int32_t id;
        std::vector<std::string> log;
        size_t warnings;
    } cases[] = {
        {"nothing answers",
         {noLib, allInUse, notFound},
         "",
         0,
         {"load P", "free P", "load T", "enumerate T", "free T", "load V", "enumerate V", "open V -1",
          "free V"},
         0},
        {"empty enumeration goes on",
         {empty, plain},
         "V",
         0,
         {"load T", "enumerate T", "free T", "load V", "enumerate V", "open V -1"},
         0},
        {"the first free row is opened by its slot",
         {listed, plain},
         "T",
         9,
         {"load T", "enumerate T", "open T 3"},
         0},
        {"broken calibration is found, with one warning",
         {broken, plain},
         "V",
         0,
         {"load V", "enumerate V", "open V -1"},
         1},
    };
    for (const auto &c : cases) {
        TFamilies f;
        f.Scripts = c.rows;
        Current = &f;
        TDAO creators[] = {
            {&Create<0>, "Pellan series"}, {&Create<1>, "Tarnel series"}, {&Create<2>, "Vaskel series"}};
        for (size_t i = 0; i < c.rows.size(); ++i)
            f.Table.push_back(creators[i]);
        TStatusLog status;
        TScriptedMessages messages;
        TFoundDevice found = SearchDevice(f.Table, "/nowhere/", status, messages);
        EXPECT_EQ(found.Device ? found.Device->GetDeviceName() : "", c.found) << c.what;
        EXPECT_EQ(found.EnumeratedID, c.id) << c.what;
        EXPECT_EQ(f.Log, c.log) << c.what;
        ASSERT_EQ(messages.Log.size(), c.warnings) << c.what;
        if (c.warnings) {
            EXPECT_EQ(messages.Log[0].Kind, TMsgKind::Warning);
            EXPECT_EQ(messages.Log[0].Text,
                      "Calibration data in the device are broken. All measurements will be "
                      "inaccurate.\r\nPlease contact manufacturer for support.");
        }
        ASSERT_FALSE(status.Lines.empty());
        EXPECT_EQ(status.Lines.front(), "Checking and initializing " + f.Table[0].SeriesName + " ...");
        EXPECT_EQ(status.Lines.back(), "All devices checked.") << c.what;
        found.Device.reset();
    }
    Current = nullptr;
}

TEST(ProgramBlock, CaptionShowsTheSerialNumberOnlyForAnEnumeratedDevice) {
    TFakeDevice device({drOk, false, {}, drOk, "HS3", 27123}, nullptr);
    EXPECT_EQ(DeviceCaption(device, 0), "HS3");
    EXPECT_EQ(DeviceCaption(device, 9), "HS3 (SN:27123)");
}

} // namespace
