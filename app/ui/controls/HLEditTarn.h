// An edit box that shows in red that its text was edited and not yet committed; Enter hands the typed
// text to the owner, who commits a text by setting it.
#pragma once

#include <QLineEdit>
#include <QString>

namespace scope {

class THLEditTarn : public QLineEdit {
    Q_OBJECT
public:
    explicit THLEditTarn(QWidget *parent = nullptr);

    // The committed text: the last text the program set (not what the box shows while edited).
    QString Text() const { return Committed; }
    // Commits s and shows it; ignored when s equals the committed text, unless ForceNextText ran.
    void SetText(const QString &s);
    // The next SetText applies even when equal, so the box is rewritten and loses its red.
    void ForceNextText() { Force = true; }

    // Whether the box shows a text other than the committed one.
    bool Edited() const { return text() != Committed; }

    // The box colour while the text differs from the committed text.
    static QColor EditedColor() { return QColor(255, 0, 0); }

signals:
    // Enter (Return or keypad Enter) with the text currently in the box.
    void OnUserEnter(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void UpdateColor();

    QString Committed;
    bool Force = false;
};

} // namespace scope
