// A small vertical bar that shows in percent how far an equivalent-time record has been filled: red below
// half, dark yellow below 95, green from 95; full only at 100.
#pragma once

#include <QWidget>
#include <cstdint>

namespace scope {

class TSamplingProgressBarTarn : public QWidget {
    Q_OBJECT
public:
    explicit TSamplingProgressBarTarn(QWidget *parent = nullptr);

    int32_t Progress() const { return Value; }
    // Paints at once when the value changes. The value is kept as given; the paint limits it to 0..100.
    void SetProgress(int32_t progress);

    // Filled inner rows of a bar of height h at progress p.
    static int FilledRows(int h, int32_t p);
    static QColor FillColor(int32_t p);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int32_t Value = 0;
};

} // namespace scope
