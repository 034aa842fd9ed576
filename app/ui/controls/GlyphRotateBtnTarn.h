// A button that steps through the frames of a glyph strip on each click and shows a mark in its
// channel's colour. The strip's top half holds the enabled frames, the bottom half the disabled ones.
#pragma once

#include "settings/OptionsTarn.h"

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace scope {

class TSettingsTarn;

class TGlyphRotateBtnTarn : public QWidget {
    Q_OBJECT
public:
    explicit TGlyphRotateBtnTarn(QWidget *parent = nullptr);

    const QImage &Glyph() const { return GlyphStrip; }
    void SetGlyph(const QImage &glyph);
    int32_t GlyphAmount() const { return Amount; }
    void SetGlyphAmount(int32_t amount);
    // The shown frame, 0..GlyphAmount - 1; -1 without frames.
    int32_t SelectedItem() const { return Selected; }
    void SetSelectedItem(int32_t item);

    // The source of the channel colours (option ColorChannels); may stay unset.
    TSettingsTarn *Settings() const { return SettingsRef; }
    void SetSettings(TSettingsTarn *settings);
    // Index into the channel colours; -1 = none.
    int32_t ChannelID() const { return Channel; }
    void SetChannelID(int32_t id);
    // The mark's colour when there is no channel colour (0x00BBGGRR).
    TColor ChannelColor() const { return OwnColor; }
    void SetChannelColor(TColor color);
    // The mark's rectangle, right and bottom edges excluded.
    void SetChannelRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    QRect ChannelRect() const { return Mark; }

    // The colour the mark is drawn in now.
    TColor MarkColor() const;
    int32_t FrameCount() const { return static_cast<int32_t>(Frames.size()); }
    bool Pressed() const { return IsPressed; }

signals:
    // The user clicked: SelectedItem has moved on to the next frame.
    void OnUserItemChange();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct TFrame {
        QImage Enabled;
        QImage Disabled;
    };
    void RebuildFrames();
    int32_t Clamped(int32_t item) const;

    QImage GlyphStrip;
    int32_t Amount = 0;
    int32_t Selected = -1;
    TSettingsTarn *SettingsRef = nullptr;
    int32_t Channel = -1;
    TColor OwnColor = 0;
    QRect Mark;
    std::vector<TFrame> Frames;
    bool IsPressed = false;
};

} // namespace scope
