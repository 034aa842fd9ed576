// "About": the application's and the driver's versions, the instrument's serial number and the maker's
// web and mail addresses, which open with the desktop's handler.
#pragma once

#include <QDialog>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QToolButton;

namespace scope {

class TAcquisitionThread;
class TDriverAbstraction;

// "%d.%.2d" of the two numbers, "N/A" when both are 0.
std::string DriverVersionText(uint8_t major, uint8_t minor);
// "%.8d", "N/A" for 0.
std::string SerialNumberText(int32_t serial);
// Major and minor of a "major.minor.patch" version, each reduced to a byte, as "%d.%.2d".
std::string ApplicationVersionText(const std::string &version);

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    // The device calls are made under the thread's lock; either may be missing.
    TAboutForm(QWidget *owner, TDriverAbstraction *device, TAcquisitionThread *thread);

    // Captions and values: application version, driver version, web, mail, serial number.
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr;
    QLabel *Image1 = nullptr, *Image2 = nullptr;
    QToolButton *SpeedButton1 = nullptr;

    // How a link is opened; the desktop's handler unless a test replaces it.
    std::function<void(const QUrl &)> OpenUrl;

    static void PlaceValueLabel(QLabel *caption, QLabel *value);
    void SpeedButton1Click();
    void Label6Click();
    void Label8Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate(TDriverAbstraction *device, TAcquisitionThread *thread);
    void LoadCaptions();
};

} // namespace scope
