#include "DragButtonTarn.h"

#include <QDrag>
#include <QMimeData>

TDragButtonTarn::TDragButtonTarn(QWidget *parent) : QPushButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

bool TDragButtonTarn::BeginDrag(QMimeData *data) {
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(grab());
    drag->setHotSpot(QPoint(width() / 2, height() / 2));
    const bool dropped = drag->exec(Qt::LinkAction) != Qt::IgnoreAction;
    if (OnEndDrag)
        OnEndDrag(*this);
    return dropped;
}
