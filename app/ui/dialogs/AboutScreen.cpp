#include "dialogs/AboutScreen.h"

#include "acquisition/AcquisitionLock.h"
#include "device/DriverAbstraction.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QToolButton>

#include <array>
#include <cstdio>
#include <cstdlib>

// The pictures live in the static user-interface library, whose resource initialiser the linker would
// otherwise drop.
static void InitAboutResources() {
    Q_INIT_RESOURCE(about);
}

namespace scope {

namespace {

const char *const AboutCaption = "About";
const char *const ApplicationCaption = "Application version: ";
const char *const DriverCaption = "Driver version: ";
const char *const SerialCaption = "Serial number: ";
const char *const WebCaption = "Find us at: ";
const char *const MailCaption = "Contact us at: ";
const char *const WebText = "www.example.com";
const char *const WebLink = "http://www.example.com/";
const char *const MailText = "support@example.com";
const char *const MailLink = "mailto:support@example.com";
const char *const NotAvailable = "N/A";

std::string MajorMinor(int major, int minor) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%.2d", major, minor);
    return text;
}

QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

} // namespace

std::string DriverVersionText(uint8_t major, uint8_t minor) {
    if (major == 0 && minor == 0)
        return NotAvailable;
    return MajorMinor(major, minor);
}

std::string SerialNumberText(int32_t serial) {
    if (serial == 0)
        return NotAvailable;
    char text[32];
    std::snprintf(text, sizeof text, "%.8d", serial);
    return text;
}

std::string ApplicationVersionText(const std::string &version) {
    const char *p = version.c_str();
    char *end = nullptr;
    const unsigned long major = std::strtoul(p, &end, 10);
    unsigned long minor = 0;
    if (*end == '.')
        minor = std::strtoul(end + 1, nullptr, 10);
    return MajorMinor(int(major & 0xFF), int(minor & 0xFF));
}

TAboutForm::TAboutForm(QWidget *owner, TDriverAbstraction *device, TAcquisitionThread *thread)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("AboutForm");
    InitAboutResources();
    OpenUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    FormCreate(device, thread);
}

void TAboutForm::FormCreate(TDriverAbstraction *device, TAcquisitionThread *thread) {
    const int width = 392, height = 214;
    setFixedSize(width, height);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(QPixmap(":/about/about_banner.png"));
    Image1->setGeometry(0, 0, width, 64);
    Image2 = new QLabel(this);
    Image2->setObjectName("Image2");
    Image2->setPixmap(QPixmap(":/about/about_logo.png"));
    Image2->setGeometry(width - 64, 80, 48, 48);

    QLabel **labels[] = {&Label1, &Label2, &Label3, &Label4, &Label5,
                         &Label6, &Label7, &Label8, &Label9, &Label10};
    for (int i = 0; i < 10; ++i) {
        QLabel *l = new QLabel(this);
        l->setObjectName(QString("Label%1").arg(i + 1));
        // Captions in bold in the left column, one row each.
        if (i % 2 == 0)
            l->setFont(Bold(l->font()));
        l->move(16, 80 + (i / 2) * 20);
        *labels[i] = l;
    }
    for (QLabel *link : {Label6, Label8}) {
        QFont f = link->font();
        f.setUnderline(true);
        link->setFont(f);
        QPalette p = link->palette();
        p.setColor(QPalette::WindowText, Qt::blue);
        link->setPalette(p);
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFont(Bold(SpeedButton1->font()));
    SpeedButton1->setText("OK");
    SpeedButton1->setGeometry((width - 75) / 2, height - 36, 75, 25);
    connect(SpeedButton1, &QToolButton::clicked, this, &TAboutForm::SpeedButton1Click);

    std::array<uint8_t, 2> version{0, 0};
    int32_t serial = 0;
    if (device) {
        TAcquisitionLock lock(thread);
        device->QueryDriverVersion(version);
        serial = device->GetSerialNumber();
    }
    Label4->setText(QString::fromStdString(DriverVersionText(version[0], version[1])));
    Label2->setText(QString::fromStdString(ApplicationVersionText(SCOPE_VERSION)));
    Label10->setText(QString::fromStdString(SerialNumberText(serial)));
    LoadCaptions();
    for (QLabel *l : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9, Label10})
        l->adjustSize();
    PlaceValueLabel(Label1, Label2);
    PlaceValueLabel(Label3, Label4);
    PlaceValueLabel(Label5, Label6);
    PlaceValueLabel(Label7, Label8);
    PlaceValueLabel(Label9, Label10);
    if (QWidget *owner = parentWidget()) {
        const QRect o = owner->frameGeometry();
        move(o.center() - QPoint(width / 2, height / 2));
    }
}

void TAboutForm::LoadCaptions() {
    setWindowTitle(AboutCaption);
    Label1->setText(ApplicationCaption);
    Label3->setText(DriverCaption);
    Label5->setText(WebCaption);
    Label7->setText(MailCaption);
    Label9->setText(SerialCaption);
    Label6->setText(WebText);
    Label8->setText(MailText);
}

void TAboutForm::PlaceValueLabel(QLabel *caption, QLabel *value) {
    value->move(caption->x() + caption->width(), caption->y());
}

void TAboutForm::SpeedButton1Click() {
    accept();
}

void TAboutForm::Label6Click() {
    OpenUrl(QUrl(WebLink));
}

void TAboutForm::Label8Click() {
    OpenUrl(QUrl(MailLink));
}

bool TAboutForm::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == Label6)
            Label6Click();
        else if (watched == Label8)
            Label8Click();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace scope
