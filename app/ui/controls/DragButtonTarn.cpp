#include "controls/DragButtonTarn.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>

namespace scope {

TDragButtonTarn::TDragButtonTarn(QWidget *parent) : QPushButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setAcceptDrops(true);
}

bool TDragButtonTarn::Accepts(const QMimeData *data, QObject *source) {
    return OnDragOver && OnDragOver(*this, data, source);
}

void TDragButtonTarn::dragEnterEvent(QDragEnterEvent *event) {
    if (Accepts(event->mimeData(), event->source())) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TDragButtonTarn::dragMoveEvent(QDragMoveEvent *event) {
    if (Accepts(event->mimeData(), event->source())) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TDragButtonTarn::dropEvent(QDropEvent *event) {
    // Asked again: the state may have changed since the drag entered.
    if (!Accepts(event->mimeData(), event->source())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::LinkAction);
    event->accept();
    if (OnDragDrop)
        OnDragDrop(*this, event->mimeData(), event->source());
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
