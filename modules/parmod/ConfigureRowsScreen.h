// The rows dialog: every row's name with its visibility as a check list.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;

namespace parmod {

// Keeps at least one item of a check list checked: a click that would clear the last check brings back
// the checks remembered before it.
void KeepOneChecked(QListWidget *list);

std::vector<bool> CheckedItems(const QListWidget *list);

class TConfigureRowsForm : public QDialog {
    Q_OBJECT
public:
    TConfigureRowsForm(QWidget *owner, const std::vector<std::string> &names,
                       const std::vector<bool> &visible);
    std::vector<bool> Checks() const { return CheckedItems(Rows); }
    QListWidget *RowList() const { return Rows; }

private:
    QListWidget *Rows;
};

} // namespace parmod
