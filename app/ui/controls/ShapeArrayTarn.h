// A row of square colour swatches that reports the swatch clicked. A row may show a lighter copy of each
// colour a fixed number of swatches further on (the mirror).
#pragma once

#include "settings/OptionsTarn.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

namespace scope {

class TShapeArrayTarn : public QWidget, public IColorRowControl {
    Q_OBJECT
public:
    explicit TShapeArrayTarn(QWidget *parent = nullptr);

    int32_t ShapeCount() const { return int32_t(Colors.size()); }
    // Every swatch becomes white; the width follows the count.
    void SetShapeCount(int32_t count) override;
    // Distance from a swatch to its mirror; -1 for none.
    int32_t MirrorIndex() const { return Mirror; }
    void SetMirrorIndex(int32_t index) override { Mirror = index; }
    // Sets a swatch and, where there is one, its mirror. Indexes outside the row are ignored.
    void SetColor(int32_t index, TColor color) override;
    TColor GetColor(int32_t index) const override;
    // Height of a swatch; the width follows.
    void SetRowHeight(int32_t height);

    // The swatch under x; the row's closing border column belongs to the last swatch, -1 outside.
    int32_t IndexAt(int32_t x) const;

    std::function<void(TShapeArrayTarn &, int32_t)> OnShapeClick;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void FitWidth();

    std::vector<TColor> Colors;
    int32_t Mirror = -1;
};

} // namespace scope
