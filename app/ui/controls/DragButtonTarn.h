// A toggle button that can be dragged: the modules box drags its function-module buttons onto the
// module channels' buttons.
#pragma once

#include <QPushButton>
#include <cstdint>
#include <functional>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;

namespace scope {

class TDragButtonTarn : public QPushButton {
    Q_OBJECT
public:
    explicit TDragButtonTarn(QWidget *parent = nullptr);

    // The owner's number for the button (the modules box: the item index).
    int32_t Tag = 0;
    // Buttons of distinct group indexes toggle each on their own.
    int32_t GroupIndex = 0;

    bool Down() const { return isChecked(); }
    void SetDown(bool down) { setChecked(down); }

    // Told when a drag of this button has ended, whether it was dropped somewhere or not.
    std::function<void(TDragButtonTarn &)> OnEndDrag;

    // Drags the button with the given data (taking it over) until the user drops or cancels it, then
    // tells OnEndDrag. Returns whether a target accepted the drop.
    bool BeginDrag(QMimeData *data);

    // Asked while something is dragged over the button (source: the dragging widget of this program,
    // null for another program's drag); true lets it be dropped here. Unset refuses every drop.
    std::function<bool(TDragButtonTarn &target, const QMimeData *data, QObject *source)> OnDragOver;
    // Told when an accepted drag is dropped on the button.
    std::function<void(TDragButtonTarn &target, const QMimeData *data, QObject *source)> OnDragDrop;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool Accepts(const QMimeData *data, QObject *source);
};

} // namespace scope
