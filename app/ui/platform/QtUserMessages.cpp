#include "platform/QtUserMessages.h"

#include <QMessageBox>
#include <QString>

namespace scope {

namespace {

struct ButtonPair {
    TMsgButton Ours;
    QMessageBox::StandardButton Qt;
};

constexpr ButtonPair Buttons[] = {
    {mbOK, QMessageBox::Ok},         {mbYes, QMessageBox::Yes},     {mbNo, QMessageBox::No},
    {mbCancel, QMessageBox::Cancel}, {mbAbort, QMessageBox::Abort}, {mbRetry, QMessageBox::Retry},
    {mbIgnore, QMessageBox::Ignore},
};

QMessageBox::Icon IconOf(TMsgKind kind) {
    switch (kind) {
    case TMsgKind::Information:
        return QMessageBox::Information;
    case TMsgKind::Warning:
        return QMessageBox::Warning;
    case TMsgKind::Error:
        return QMessageBox::Critical;
    case TMsgKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TMsgButton TQtUserMessages::Show(TMsgKind kind, const std::string &caption, const std::string &text,
                                 unsigned buttons, TMsgButton defaultButton) {
    // Texts carry the line breaks of their string table as CR LF.
    QString body = QString::fromStdString(text);
    body.replace("\r\n", "\n");
    QMessageBox box(IconOf(kind), QString::fromStdString(caption), body, QMessageBox::NoButton, Parent);
    QMessageBox::StandardButtons offered;
    for (const auto &b : Buttons)
        if (buttons & b.Ours)
            offered |= b.Qt;
    if (!offered)
        offered = QMessageBox::Ok;
    box.setStandardButtons(offered);
    for (const auto &b : Buttons)
        if (b.Ours == defaultButton && (offered & b.Qt))
            box.setDefaultButton(b.Qt);
    const int answer = box.exec();
    for (const auto &b : Buttons)
        if (answer == b.Qt)
            return b.Ours;
    // Closed without a button (Escape, the close box): the escape button's answer, else the first offered.
    if (buttons & mbCancel)
        return mbCancel;
    if (buttons & mbNo)
        return mbNo;
    for (const auto &b : Buttons)
        if (buttons & b.Ours)
            return b.Ours;
    return mbOK;
}

} // namespace scope
