#include "controls/DragButtonTarn.h"

#include <QDrag>
#include <QMimeData>
#include <QPointer>

namespace scope {

TDragButtonTarn::TDragButtonTarn(QWidget *parent) : QPushButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

bool TDragButtonTarn::BeginDrag(QMimeData *data) {
    // The drag runs its own event loop, in which the owner may free the button.
    const QPointer<TDragButtonTarn> self(this);
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(grab());
    drag->setHotSpot(QPoint(width() / 2, height() / 2));
    const bool dropped = drag->exec(Qt::LinkAction) != Qt::IgnoreAction;
    if (self && OnEndDrag)
        OnEndDrag(*this);
    return dropped;
}

} // namespace scope
