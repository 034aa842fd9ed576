#include "dialogs/CommBrokenScreen.h"

#include "MainForm.h"
#include "device/DriverAbstraction.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

namespace scope {

namespace {

const char *const Caption = "Communication broken";
const char *const Explanation =
    "Communication with the device is broken. Application will automatically try to reinitialize "
    "communication. Click \"Exit\" button to terminate application.";

} // namespace

TCommBrokenForm::TCommBrokenForm(QWidget *owner, TDriverAbstraction &device, int32_t enumeratedID)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Device(device), EnumeratedID(enumeratedID) {
    setObjectName("CommBrokenForm");
    setFixedSize(273, 130);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    Image1->setGeometry(8, 8, 32, 32);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(48, 8, 217, 80);
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->viewport()->setAutoFillBackground(false);
    Button1 = new QPushButton(this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(99, 96, 75, 25);
    Button1->setText("Exit");
    // Not the form's default button: a stray Return must not end the program either.
    Button1->setAutoDefault(false);
    // Exit is the Cancel result, as the close box is.
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    Timer1 = new QTimer(this);
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TCommBrokenForm::Timer1Timer);
    FormCreate();
    Timer1->start();
    if (owner) {
        const QRect o = owner->frameGeometry();
        move(o.center() - QPoint(width() / 2, height() / 2));
    }
}

void TCommBrokenForm::FormCreate() {
    Memo1->appendPlainText(Explanation);
    setWindowTitle(Caption);
}

void TCommBrokenForm::keyPressEvent(QKeyEvent *event) {
    // A dialog's Escape would reject it, which ends the program: a key pressed by accident must not.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TCommBrokenForm::WaitForReconnect() {
    Reconnected = false;
    exec();
    return Reconnected;
}

void TCommBrokenForm::Timer1Timer() {
    bool opened = false;
    if (EnumeratedID == 0) {
        opened = DeviceUsable(Device.OpenDevice(-1));
    } else {
        TDeviceList list;
        Device.EnumerateDevices(list);
        for (const TDeviceListRow &row : list) {
            if (row.ID != EnumeratedID)
                continue;
            // The first success ends the tick's attempts.
            if (DeviceUsable(Device.OpenDevice(row.SlotIndex))) {
                opened = true;
                break;
            }
        }
    }
    // A broken calibration counts as reopened, without the start-up's warning.
    if (!opened)
        return;
    Timer1->stop();
    Reconnected = true;
    accept();
}

bool ShowCommBroken(TMainForm &form, TDriverAbstraction &device, int32_t enumeratedID) {
    bool reconnected = false;
    {
        TCommBrokenForm broken(&form, device, enumeratedID);
        reconnected = broken.WaitForReconnect();
    }
    if (!reconnected) {
        TMainForm::CloseWithoutQuestion = true;
        form.close();
    }
    return reconnected;
}

} // namespace scope
