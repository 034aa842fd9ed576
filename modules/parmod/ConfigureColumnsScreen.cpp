#include "ConfigureColumnsScreen.h"
#include "ConfigureRowsScreen.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

namespace parmod {

namespace {

void Fill(QListWidget *list, const QStringList &names, const std::vector<bool> &checks) {
    for (int i = 0; i < names.size(); ++i) {
        auto *item = new QListWidgetItem(names[i], list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(i < static_cast<int>(checks.size()) && checks[i] ? Qt::Checked : Qt::Unchecked);
    }
    KeepOneChecked(list);
}

} // namespace

TConfigureColumnsForm::TConfigureColumnsForm(QWidget *owner, const std::vector<bool> &channels,
                                             const std::vector<bool> &stats)
    : QDialog(owner), Channels(new QListWidget(this)), Stats(new QListWidget(this)) {
    setWindowTitle(QStringLiteral("Configure columns"));
    Fill(Channels, {"Channel A", "Channel B", "Channel C", "Channel D"}, channels);
    Fill(Stats, {"Now", "Avg", "Min", "Max", "Dev"}, stats);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *lists = new QHBoxLayout;
    lists->addWidget(Channels);
    lists->addWidget(Stats);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addWidget(buttons);
}

std::vector<bool> TConfigureColumnsForm::ChannelChecks() const {
    return CheckedItems(Channels);
}

std::vector<bool> TConfigureColumnsForm::StatChecks() const {
    return CheckedItems(Stats);
}

} // namespace parmod
