// Program entry: the desktop's services handed to the program block.
#include "ProgramBlock.h"
#include "device/DemoDevice.h"
#include "device/DriverAbstraction.h"
#include "platform/Platform.h"
#include "platform/QtUserMessages.h"
#include "platform/X11AutoRepeat.h"

#include <QApplication>
#include <QLocale>

#if defined(__SANITIZE_ADDRESS__)
#include <cstdlib>
#include <sanitizer/lsan_interface.h>
#endif

using namespace scope;

int main(int argc, char **argv) {
#if defined(__SANITIZE_ADDRESS__)
    // Qt's D-Bus thread (started by the first show, for accessibility and the menu bar) may still be ending
    // when QThread::wait() has returned; if QtCore's own exit then deletes its thread-data key first, that
    // thread's data is never freed. The leak check at exit comes after QtCore's, so it is made here instead:
    // after the exit handlers of everything made from now on, before QtCore's.
    std::atexit([] { __lsan_do_leak_check(); });
#endif
    QApplication app(argc, argv);
    // The program ends with its main form (see TMainForm::closeEvent), not with its last window.
    app.setQuitOnLastWindowClosed(false);
    // A held hot key then gives one press and one release; its action repeats through the master timer.
    EnableDetectableAutoRepeat();
    platform::ChangeToProgramFolder();
    const QString sep = QLocale::system().decimalPoint();
    platform::SetDecimalSeparator(sep.size() == 1 && sep[0].unicode() < 128 ? char(sep[0].unicode()) : '.');

    TQtUserMessages messages;
    TProgramEnvironment env;
    env.Messages = &messages;
    env.RunningExecutables = platform::RunningExecutables();
    env.OwnExecutable = QCoreApplication::applicationFilePath().toStdString();
    env.ProgramFolder = platform::ProgramFolder();
    // The families in search order: Pellan, Tarnel, Vaskel.
    env.Families.assign(DeviceFamilies().begin(), DeviceFamilies().end());
    env.CreateDemonstration = [] { return std::make_unique<TDAO_DEMO>(); };
    env.RunMessageLoop = [] { QApplication::exec(); };
    TProgramBlock program(std::move(env));
    program.Run();
    return 0;
}
