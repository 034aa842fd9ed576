// A speed button that repeats while it is held: one step at the press, the next after 500 ms, then one
// every 50 ms until the release.
#pragma once

#include <QToolButton>

class QTimer;

namespace scope {

class TUpDownSpeedButton : public QToolButton {
    Q_OBJECT
public:
    explicit TUpDownSpeedButton(QWidget *parent = nullptr);
    ~TUpDownSpeedButton() override;

    static constexpr int FirstDelayMs = 500;
    static constexpr int RepeatMs = 50;

    // The repeat timer; null while the button is not held.
    QTimer *RepeatTimer() const { return Timer; }

signals:
    // One step of the held button.
    void OnUpDown();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // A button that disappears or is disabled while held gets no release: stop repeating then too.
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void Tick();
    void StopRepeat();

    QTimer *Timer = nullptr;
};

} // namespace scope
