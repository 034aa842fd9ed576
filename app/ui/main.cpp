// Program entry.
#include "Platform.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    platform::ChangeToProgramFolder();
    QString sep = QLocale::system().decimalPoint();
    platform::SetDecimalSeparator(sep.size() == 1 && sep[0].unicode() < 128 ? char(sep[0].unicode()) : '.');

    QMainWindow window;
    window.setWindowTitle("scope");
    window.setMinimumSize(640, 480);
    window.setCentralWidget(new QLabel("scope", &window));
    window.show();
    return app.exec();
}
