#include "controllers/PresetMenuItems.h"

#include <QAction>
#include <QMenu>

namespace scope {

TPresetMenuItems::~TPresetMenuItems() {
    Clear();
}

void TPresetMenuItems::Clear() {
    for (const QPointer<QAction> &item : List)
        delete item.data();
    List.clear();
}

int32_t TPresetMenuItems::TagOf(const QAction *item) {
    return item ? item->data().toInt() : -1;
}

void TPresetMenuItems::Rebuild(QMenu *menu, const std::vector<std::string> &names,
                               const std::function<void(QAction *)> &onClick) {
    Clear();
    if (!menu)
        return;
    for (size_t i = 0; i < names.size(); ++i) {
        auto *item = new QAction(QString::fromStdString(names[i]), menu);
        item->setData(int32_t(i));
        QObject::connect(item, &QAction::triggered, item, [onClick, item] {
            if (onClick)
                onClick(item);
        });
        const QList<QAction *> present = menu->actions();
        menu->insertAction(qsizetype(i) < present.size() ? present[qsizetype(i)] : nullptr, item);
        List.emplace_back(item);
    }
}

} // namespace scope
