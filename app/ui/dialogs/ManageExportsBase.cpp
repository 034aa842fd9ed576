#include "dialogs/ManageExportsBase.h"

#include <QApplication>
#include <QGroupBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

namespace scope {

namespace {

constexpr int Margin = 8, ListWidth = 160, ButtonHeight = 25, OKWidth = 75;

} // namespace

TManageExportsBase::TManageExportsBase(QWidget *parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setDragDropMode(QAbstractItemView::NoDragDrop);
    ListBox1->viewport()->installEventFilter(this);
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    auto button = [this](const char *name) {
        auto *b = new QPushButton(this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    Button5 = button("Button5");
    Button1 = button("Button1");
    Button2 = button("Button2");
    OKButton = button("OKButton");
    CancelButton = button("CancelButton");
    OKButton->setDefault(true);
    LoadCaptions();
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { ListBox1Click(); });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TManageExportsBase::LoadCaptions() {
    GroupBox1->setTitle("Export options");
    Button5->setText("Update selected");
    Button1->setText("Add");
    Button2->setText("Remove selected");
    OKButton->setText("OK");
    CancelButton->setText("Cancel");
}

void TManageExportsBase::PlaceControls(int groupWidth, int groupHeight) {
    // The three list buttons under the group, each as wide as its caption needs; the group widens
    // when they need more room than it has.
    QPushButton *const row[] = {Button5, Button1, Button2};
    int needed = 0;
    for (QPushButton *b : row)
        needed += std::max(b->sizeHint().width(), OKWidth) + 4;
    groupWidth = std::max(groupWidth, needed - 4);
    const int groupLeft = Margin + ListWidth + Margin;
    GroupBox1->setGeometry(groupLeft, Margin, groupWidth, groupHeight);
    const int buttonsTop = Margin + groupHeight + 6;
    const int extra = (groupWidth - (needed - 4)) / 3;
    int left = groupLeft;
    for (QPushButton *b : row) {
        const int w = std::max(b->sizeHint().width(), OKWidth) + extra;
        b->setGeometry(left, buttonsTop, w, ButtonHeight);
        left += w + 4;
    }
    const int width = groupLeft + groupWidth + Margin;
    const int okTop = buttonsTop + ButtonHeight + 12;
    ListBox1->setGeometry(Margin, Margin, ListWidth, buttonsTop + ButtonHeight - Margin);
    OKButton->setGeometry(width - 2 * (OKWidth + 4) - 4, okTop, OKWidth, ButtonHeight);
    CancelButton->setGeometry(width - (OKWidth + 4) - 4, okTop, OKWidth, ButtonHeight);
    setFixedSize(width, okTop + ButtonHeight + Margin);
}

int TManageExportsBase::ShowModal() {
    return exec();
}

int32_t TManageExportsBase::SelectedIndex() const {
    const int32_t row = ListBox1->currentRow();
    if (row < 0 || row >= ListBox1->count() || !ListBox1->item(row)->isSelected())
        return -1;
    return row;
}

void TManageExportsBase::Select(int32_t index) {
    const QSignalBlocker quiet(ListBox1);
    if (index >= 0 && index < ListBox1->count()) {
        ListBox1->setCurrentRow(index);
    } else {
        ListBox1->clearSelection();
        ListBox1->setCurrentRow(-1);
    }
}

void TManageExportsBase::FillList() {
    const QSignalBlocker quiet(ListBox1);
    ListBox1->clear();
    for (int32_t i = 0; i < WorkingCount(); ++i)
        ListBox1->addItem(QString::fromStdString(WorkingName(i)));
    Select(-1);
}

void TManageExportsBase::ListBox1Click() {
    const int32_t i = SelectedIndex();
    if (i >= 0 && i < WorkingCount())
        ShowWorkingItem(i);
}

void TManageExportsBase::Button1Click() {
    ReadBuffer();
    AppendBuffer();
    FillList();
    Select(WorkingCount() - 1);
}

void TManageExportsBase::Button5Click() {
    const int32_t i = SelectedIndex();
    if (i < 0 || i >= WorkingCount())
        return;
    ReadBuffer();
    ReplaceWithBuffer(i);
    FillList();
    Select(i);
}

void TManageExportsBase::Button2Click() {
    const int32_t i = SelectedIndex();
    if (i < 0 || i >= WorkingCount())
        return;
    DeleteWorking(i);
    FillList();
    Select(std::min(i, WorkingCount() - 1));
}

void TManageExportsBase::ResetDrag() {
    DragIndex = -1;
    Reordered = false;
    Pressed = Dragging = false;
}

void TManageExportsBase::ListBox1StartDrag() {
    TakeSnapshot();
    DragIndex = SelectedIndex();
}

int32_t TManageExportsBase::TargetAt(QPoint position) const {
    const int32_t count = ListBox1->count();
    if (count == 0)
        return -1;
    const QModelIndex at = ListBox1->indexAt(position);
    if (at.isValid())
        return at.row();
    // Above the first item counts as the first, anywhere else (below the last) as the last.
    const QRect first = ListBox1->visualItemRect(ListBox1->item(0));
    return position.y() < first.top() ? 0 : count - 1;
}

void TManageExportsBase::ListBox1DragOver(QPoint position) {
    const int32_t target = TargetAt(position);
    if (target < 0 || target == DragIndex || DragIndex < 0 || DragIndex >= WorkingCount())
        return;
    MoveWorking(DragIndex, target);
    FillList();
    Select(target);
    DragIndex = target;
    Reordered = true;
}

void TManageExportsBase::ListBox1EndDrag(bool accepted) {
    if (!accepted && Reordered) {
        RestoreSnapshot();
        FillList();
    }
    Reordered = false;
    DragIndex = -1;
}

// The list's own mouse events carry the drag: press, move past the drag distance, release. A release
// outside the list box is a drop that no control accepts.
bool TManageExportsBase::eventFilter(QObject *watched, QEvent *event) {
    if (watched != ListBox1->viewport())
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            Pressed = true;
            Dragging = false;
            PressPosition = mouse->position().toPoint();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!Pressed || !(mouse->buttons() & Qt::LeftButton))
            break;
        const QPoint at = mouse->position().toPoint();
        if (!Dragging && (at - PressPosition).manhattanLength() >= QApplication::startDragDistance()) {
            Dragging = true;
            ListBox1StartDrag();
        }
        if (Dragging && ListBox1->rect().contains(ListBox1->viewport()->mapTo(ListBox1, at)))
            ListBox1DragOver(at);
        // The view's own selection must not follow the pointer.
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !Pressed)
            break;
        Pressed = false;
        if (!Dragging)
            break;
        Dragging = false;
        const QPoint at = ListBox1->viewport()->mapTo(ListBox1, mouse->position().toPoint());
        ListBox1EndDrag(ListBox1->rect().contains(at));
        return true;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace scope
