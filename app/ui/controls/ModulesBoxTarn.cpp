#include "controls/ModulesBoxTarn.h"

#include "controls/DragButtonTarn.h"

#include <QMimeData>
#include <QTimer>

namespace scope {

namespace {

constexpr int ButtonHeight = 20;
constexpr int FirstRowTop = 15;
constexpr int LeftMargin = 3;
// Colours of the captions: function modules blue, window modules green.
const QColor FunctionColour(0, 0, 255);
const QColor WindowColour(0, 128, 0);

} // namespace

int32_t TModulesBoxTarn::DraggedItem(const QMimeData *data) {
    if (!data || !data->hasFormat(ItemMimeType))
        return -1;
    bool ok = false;
    const int32_t id = QString::fromLatin1(data->data(ItemMimeType)).toInt(&ok);
    return ok && id >= 0 ? id : -1;
}

TModulesBoxTarn::TModulesBoxTarn(QWidget *parent) : QGroupBox(parent) {}

void TModulesBoxTarn::AddItem(uint8_t kind, const std::string &caption, const std::string &hint) {
    TItem item;
    item.Kind = kind;
    item.Caption = caption;
    item.Hint = hint;
    Items.push_back(std::move(item));
}

void TModulesBoxTarn::Rebuild() {
    // Taken out of the box at once and freed later: Rebuild may run inside a button's own handler.
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        child->hide();
        child->setParent(nullptr);
        child->deleteLater();
    }
    const int w = width();
    for (int32_t i = 0; i < ItemCount(); ++i) {
        TItem &item = Items[static_cast<size_t>(i)];
        auto *button = new TDragButtonTarn(this);
        button->setObjectName(QStringLiteral("ModuleButton%1").arg(i));
        button->Tag = i;
        button->GroupIndex = i + GroupIndexStart;
        button->setGeometry(i % 2 == 0 ? LeftMargin : w / 2, (i / 2) * ButtonHeight + FirstRowTop,
                            (w - 6) / 2, ButtonHeight);
        button->setText(QString::fromStdString(item.Caption));
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, item.Kind == ikFunction ? FunctionColour : WindowColour);
        button->setPalette(palette);
        button->setToolTip(QString::fromStdString(item.Hint));
        connect(button, &QPushButton::clicked, this, [this, button] { ButtonClick(*button); });
        button->OnEndDrag = [this](TDragButtonTarn &b) { ButtonEndDrag(b); };
        button->show();
        item.Button = button;
    }
    UpdateButtons();
}

uint8_t TModulesBoxTarn::ItemState(int32_t id) const {
    return Valid(id) ? Items[static_cast<size_t>(id)].State : uint8_t(isOff);
}

void TModulesBoxTarn::SetItemState(int32_t id, uint8_t state) {
    if (Valid(id))
        Items[static_cast<size_t>(id)].State = state;
}

TDragButtonTarn *TModulesBoxTarn::Button(int32_t id) const {
    return Valid(id) ? Items[static_cast<size_t>(id)].Button.data() : nullptr;
}

void TModulesBoxTarn::UpdateButtons() {
    for (const TItem &item : Items)
        if (item.Button)
            item.Button->SetDown(item.State != isOff);
}

void TModulesBoxTarn::SetModuleEvents(TModuleOnOff functionDeactivate, TModuleOnOff extraScreenActivate,
                                      TModuleOnOff extraScreenDeactivate) {
    OnFunctionDeactivate = std::move(functionDeactivate);
    OnExtraScreenActivate = std::move(extraScreenActivate);
    OnExtraScreenDeactivate = std::move(extraScreenDeactivate);
}

void TModulesBoxTarn::ButtonClick(TDragButtonTarn &button) {
    const int32_t t = button.Tag;
    if (!Valid(t))
        return;
    TItem &item = Items[static_cast<size_t>(t)];
    if (item.Kind == ikFunction) {
        if (item.State == isOff) {
            item.State = isDragged;
            // Started once the click is over, so that the button shows down while it is dragged.
            QTimer::singleShot(0, &button, [this, &button] { DragButton(button); });
        } else if (OnFunctionDeactivate) {
            // The host decides the state.
            OnFunctionDeactivate(t);
        }
    } else if (item.State != isOff) {
        item.State = isOff;
        if (OnExtraScreenDeactivate)
            OnExtraScreenDeactivate(t);
    } else {
        item.State = isOn;
        if (OnExtraScreenActivate)
            OnExtraScreenActivate(t);
    }
    UpdateButtons();
}

void TModulesBoxTarn::ButtonEndDrag(TDragButtonTarn &button) {
    const int32_t t = button.Tag;
    // A drag that ended without the host switching the module on leaves it off.
    if (Valid(t) && Items[static_cast<size_t>(t)].State == isDragged)
        Items[static_cast<size_t>(t)].State = isOff;
    UpdateButtons();
}

void TModulesBoxTarn::DragButton(TDragButtonTarn &button) {
    auto *data = new QMimeData;
    data->setData(ItemMimeType, QByteArray::number(button.Tag));
    button.BeginDrag(data);
}

} // namespace scope
