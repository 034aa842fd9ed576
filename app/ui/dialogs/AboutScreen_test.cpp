#include "dialogs/AboutScreen.h"

#include "acquisition/AcquisitionThread.h"
#include "testkit/FakeDevice.h"
#include "testkit/ui/QtTestKit.h"

#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <gtest/gtest.h>

namespace scope {
namespace {

TEST(AboutForm, VersionsAndSerialNumbersAreFormattedWithNotAvailableForZeros) {
    const struct {
        uint8_t major, minor;
        const char *text;
    } drivers[] = {{2, 1, "2.01"},    {1, 5, "1.05"},        {0, 7, "0.07"}, {3, 0, "3.00"},
                   {12, 34, "12.34"}, {255, 100, "255.100"}, {0, 0, "N/A"}};
    for (const auto &d : drivers)
        EXPECT_EQ(DriverVersionText(d.major, d.minor), d.text) << int(d.major) << "." << int(d.minor);
    const struct {
        int32_t serial;
        const char *text;
    } serials[] = {{7, "00000007"}, {4711023, "04711023"}, {123456789, "123456789"}, {0, "N/A"}};
    for (const auto &s : serials)
        EXPECT_EQ(SerialNumberText(s.serial), s.text) << s.serial;
    const struct {
        const char *version, *text;
    } applications[] = {{"1.0.0", "1.00"}, {"2.15.3", "2.15"}, {"300.1.0", "44.01"}, {"4", "4.00"}};
    for (const auto &a : applications)
        EXPECT_EQ(ApplicationVersionText(a.version), a.text) << a.version;
}

TEST(AboutForm, ShowsTheDevicesValuesBesideBoldCaptionsAndOpensBothLinks) {
    TestApp();
    std::vector<std::string> log;
    TFakeDevice::TScript script;
    script.Serial = 7;
    script.DriverVersion = {2, 1};
    TFakeDevice device(script, &log);
    TAboutForm form(nullptr, &device, nullptr);
    EXPECT_EQ(form.windowTitle(), "About");
    EXPECT_EQ(form.width(), 392);

    const struct {
        QLabel *caption, *value;
        const char *captionText, *valueText;
    } rows[] = {{form.Label1, form.Label2, "Application version: ", nullptr},
                {form.Label3, form.Label4, "Driver version: ", "2.01"},
                {form.Label5, form.Label6, "Find us at: ", "www.example.com"},
                {form.Label7, form.Label8, "Contact us at: ", "support@example.com"},
                {form.Label9, form.Label10, "Serial number: ", "00000007"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.captionText);
        EXPECT_EQ(r.caption->text().toStdString(), r.captionText);
        EXPECT_TRUE(r.caption->font().bold());
        EXPECT_FALSE(r.value->font().bold());
        if (r.valueText)
            EXPECT_EQ(r.value->text().toStdString(), r.valueText);
        EXPECT_EQ(r.value->x(), r.caption->x() + r.caption->width());
        EXPECT_EQ(r.value->y(), r.caption->y());
        EXPECT_GT(r.caption->width(), 0);
    }
    EXPECT_EQ(form.Label2->text().toStdString(), ApplicationVersionText(SCOPE_VERSION));
    for (QLabel *link : {form.Label6, form.Label8}) {
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    }
    for (QLabel *l : {form.Label2, form.Label4, form.Label10})
        EXPECT_FALSE(l->font().underline());
    EXPECT_FALSE(form.Image1->pixmap().isNull()) << "banner";
    EXPECT_FALSE(form.Image2->pixmap().isNull()) << "logo";

    std::vector<QUrl> opened;
    form.OpenUrl = [&](const QUrl &u) { opened.push_back(u); };
    LeftClick(form.Label6, QPointF(2, 2));
    LeftClick(form.Label8, QPointF(2, 2));
    LeftClick(form.Label4, QPointF(2, 2));
    EXPECT_EQ(opened,
              (std::vector<QUrl>{QUrl("http://www.example.com/"), QUrl("mailto:support@example.com")}));

    EXPECT_TRUE(form.SpeedButton1->autoRaise());
    EXPECT_TRUE(form.SpeedButton1->font().bold());
    EXPECT_EQ(form.SpeedButton1->text(), "OK");
    form.show();
    form.SpeedButton1->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
}

TEST(AboutForm, DeviceIsAskedUnderTheAcquisitionThreadsLock) {
    TestApp();
    TAcquisitionThread thread(TAcquisitionContext{});
    TLockProbe versionProbe([&] { return thread.TryLock(); }, [&] { thread.Unlock(); });
    TLockProbe serialProbe([&] { return thread.TryLock(); }, [&] { thread.Unlock(); });
    struct TProbedDevice : TFakeDevice {
        using TFakeDevice::TFakeDevice;
        TLockProbe *Version = nullptr, *Serial = nullptr;
        void QueryDriverVersion(std::array<uint8_t, 2> &v) override {
            Version->Probe();
            v = {1, 5};
        }
        int32_t GetSerialNumber() override {
            Serial->Probe();
            return 42;
        }
    } device(TFakeDevice::TScript{}, nullptr);
    device.Version = &versionProbe;
    device.Serial = &serialProbe;
    TAboutForm form(nullptr, &device, &thread);
    EXPECT_EQ(form.Label4->text(), "1.05");
    EXPECT_EQ(form.Label10->text(), "00000042");
    EXPECT_TRUE(versionProbe.Probed && versionProbe.HeldDuringCall);
    EXPECT_TRUE(serialProbe.Probed && serialProbe.HeldDuringCall);
}

TEST(AboutForm, DemonstrationAndNoDeviceReadNotAvailable) {
    TestApp();
    TFakeDevice demo(TFakeDevice::TScript{}, nullptr);
    for (TDriverAbstraction *device :
         {static_cast<TDriverAbstraction *>(&demo), static_cast<TDriverAbstraction *>(nullptr)}) {
        TAboutForm form(nullptr, device, nullptr);
        EXPECT_EQ(form.Label4->text(), "N/A");
        EXPECT_EQ(form.Label10->text(), "N/A");
    }
}

} // namespace
} // namespace scope
