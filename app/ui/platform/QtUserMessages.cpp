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

// Runs of up to this many characters wrap at their spaces as they are.
constexpr int LongestUnbrokenRun = 32;

} // namespace

QString WrappableText(const QString &text) {
    QString out;
    out.reserve(text.size() + text.size() / 2);
    int runStart = 0;
    for (int i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !text[i].isSpace())
            continue;
        const QStringView run = QStringView(text).mid(runStart, i - runStart);
        if (run.size() > LongestUnbrokenRun) {
            // A break may come after any character; the line breaker takes the last one that fits.
            for (int k = 0; k < run.size(); ++k) {
                out += run[k];
                if (k + 1 < run.size() && !run[k].isHighSurrogate())
                    out += QChar(0x200B);
            }
        } else {
            out += run;
        }
        if (i < text.size())
            out += text[i];
        runStart = i + 1;
    }
    return out;
}

int TQtUserMessages::Run(QMessageBox &box) {
    return box.exec();
}

TMsgButton TQtUserMessages::Show(TMsgKind kind, const std::string &caption, const std::string &text,
                                 unsigned buttons, TMsgButton defaultButton) {
    // Texts carry the line breaks of their string table as CR LF.
    QString body = QString::fromStdString(text);
    body.replace("\r\n", "\n");
    // Plain text: a file name may hold "<" and must not be taken for markup.
    QMessageBox box(IconOf(kind), QString::fromStdString(caption), WrappableText(body), QMessageBox::NoButton,
                    Parent);
    box.setTextFormat(Qt::PlainText);
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
    const int answer = Run(box);
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
