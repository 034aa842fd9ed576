#include "ConfigureRowsScreen.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace parmod {

void KeepOneChecked(QListWidget *list) {
    auto remembered = std::make_shared<std::vector<bool>>(CheckedItems(list));
    QObject::connect(list, &QListWidget::itemChanged, list, [list, remembered](QListWidgetItem *) {
        const std::vector<bool> now = CheckedItems(list);
        bool any = false;
        for (bool on : now)
            any = any || on;
        if (any) {
            *remembered = now;
            return;
        }
        const QSignalBlocker blocker(list);
        for (int i = 0; i < list->count() && i < static_cast<int>(remembered->size()); ++i)
            list->item(i)->setCheckState((*remembered)[i] ? Qt::Checked : Qt::Unchecked);
    });
}

std::vector<bool> CheckedItems(const QListWidget *list) {
    std::vector<bool> checks;
    for (int i = 0; i < list->count(); ++i)
        checks.push_back(list->item(i)->checkState() == Qt::Checked);
    return checks;
}

TConfigureRowsForm::TConfigureRowsForm(QWidget *owner, const std::vector<std::string> &names,
                                       const std::vector<bool> &visible)
    : QDialog(owner), Rows(new QListWidget(this)) {
    setWindowTitle(QStringLiteral("Configure rows"));
    for (size_t i = 0; i < names.size(); ++i) {
        auto *item = new QListWidgetItem(QString::fromStdString(names[i]), Rows);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(i < visible.size() && visible[i] ? Qt::Checked : Qt::Unchecked);
    }
    KeepOneChecked(Rows);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Rows);
    layout->addWidget(buttons);
}

} // namespace parmod
