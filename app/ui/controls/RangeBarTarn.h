// A vertical position bar in a channel's colour: a slot over the value range and a double pointer at the
// current value, dragged by the user or stepped by one (repeating while held) by a press above or below it.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

class QTimer;

namespace scope {

class TSettingsTarn;

class TRangeBarTarn : public QWidget {
    Q_OBJECT
public:
    explicit TRangeBarTarn(QWidget *parent = nullptr);
    ~TRangeBarTarn() override;

    static constexpr int FirstDelayMs = 500;
    static constexpr int RepeatMs = 50;

    enum TPress { psNone = 0, psDrag = 1, psUp = 2, psDown = 3 };
    // Hover regions share the press numbers: 1 the pointer, 2 above it, 3 below it.

    TSettingsTarn *Settings() const { return SettingsRef; }
    void SetSettings(TSettingsTarn *settings);
    int32_t ChannelID() const { return Channel; }
    void SetChannelID(int32_t id);
    int32_t MinValue() const { return Min; }
    void SetMinValue(int32_t v);
    int32_t MaxValue() const { return Max; }
    void SetMaxValue(int32_t v);
    int32_t Position() const { return Pos; }
    // Clamped to MinValue..MaxValue; a changed value is drawn at once. Never fires OnChange: the owner
    // sets the position from its settings.
    void SetPosition(int32_t v);

    // Pixel row of a value; with no range or no room, the bottom.
    int RangeBarY(int32_t v) const;
    // Value of a pixel row, unclamped; with no range or no room, MinValue.
    int32_t RangeBarValue(int y) const;
    // 1 pointer, 2 above it, 3 below it.
    int RangeBarRegion(int y) const;

    int PressState() const { return Press; }
    int HoverRegion() const { return Hover; }
    QTimer *RepeatTimer() const { return Timer; }
    // The off-screen picture as last drawn, and how often it was drawn.
    const QImage &Bitmap() const { return Image; }
    int RedrawCount() const { return Redraws; }

signals:
    // The user moved the position (drag or step).
    void OnChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void Redraw();
    void Step();
    void MouseMoveAt(int y);
    void StopRepeat();
    int32_t Clamp(int32_t v) const;

    TSettingsTarn *SettingsRef = nullptr;
    int32_t Channel = 0;
    int32_t Min = 0;
    int32_t Max = 4095;
    int32_t Pos = 2048;
    int Press = psNone;
    int Hover = 0;
    QTimer *Timer = nullptr;
    QImage Image;
    int Redraws = 0;
};

} // namespace scope
