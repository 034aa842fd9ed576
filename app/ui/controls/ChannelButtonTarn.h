// A speed button that marks its channel with a small rectangle in the channel's colour.
#pragma once

#include <QToolButton>
#include <cstdint>

namespace scope {

class TSettingsTarn;

class TChannelButtonTarn : public QToolButton {
    Q_OBJECT
public:
    explicit TChannelButtonTarn(QWidget *parent = nullptr);

    // Index into the channel colours; beyond the list (or negative) the mark is grey.
    int32_t ChannelID() const { return Channel; }
    void SetChannelID(int32_t id);
    // The mark, right and bottom edges exclusive.
    void SetChannelRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    int32_t ChannelRectX1() const { return X1; }
    int32_t ChannelRectY1() const { return Y1; }
    int32_t ChannelRectX2() const { return X2; }
    int32_t ChannelRectY2() const { return Y2; }
    // Without settings only the button itself is painted.
    void SetSettings(TSettingsTarn *settings);
    TSettingsTarn *Settings() const { return SettingsRef; }

    // The colour the mark is painted in (0x00BBGGRR).
    uint32_t MarkColor() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int32_t Channel = 0;
    int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    TSettingsTarn *SettingsRef = nullptr;
};

} // namespace scope
