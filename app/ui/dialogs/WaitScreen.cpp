#include "dialogs/WaitScreen.h"

#include <QFont>
#include <QLabel>

namespace scope {

TWaitForm::TWaitForm(QWidget *owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("WaitForm");
    setFixedSize(209, 32);
    Label1 = new QLabel(this);
    Label1->setGeometry(0, 0, 209, 32);
    Label1->setAlignment(Qt::AlignCenter);
    QFont font = Label1->font();
    font.setBold(true);
    font.setPixelSize(13);
    Label1->setFont(font);
    LoadCaptions();
    if (owner) {
        const QRect o = owner->frameGeometry();
        move(o.center() - QPoint(width() / 2, height() / 2));
    }
}

void TWaitForm::LoadCaptions() {
    Label1->setText("Please wait ...");
}

} // namespace scope
