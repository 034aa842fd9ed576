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

    // Shows the notice and returns once its text is drawn on the screen: the long work that follows runs
    // in this thread, and no paint of the notice could happen before that work ends.
    void ShowDrawn();

private:
    void LoadCaptions();
};

} // namespace scope
