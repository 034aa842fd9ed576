// A borderless "Please wait ..." notice shown while a long operation runs in the GUI thread.
#pragma once

#include <QDialog>

class QLabel;

namespace scope {

class TWaitForm : public QDialog {
    Q_OBJECT
public:
    explicit TWaitForm(QWidget *owner);
    QLabel *Label1 = nullptr;

private:
    void LoadCaptions();
};

} // namespace scope
