#include "platform/FileDialogFilter.h"

#include <QFileDialog>

namespace scope {

QStringList QtNameFilters(const std::string &pairs) {
    const QStringList parts = QString::fromStdString(pairs).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        // Qt reads the patterns from the last parentheses, separated by spaces.
        const QString shown = "(" + QString(parts[i + 1]).replace(';', ' ') + ")";
        filters << (description.endsWith(shown) ? description : description + " " + shown);
    }
    return filters;
}

void SetFileDialogFilter(QFileDialog &dialog, const std::string &filter, int32_t filterIndex) {
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = QtNameFilters(filter);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
}

bool ExecFileDialog(QFileDialog &dialog, std::string &fileName, int32_t &filterIndex) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().front().toStdString();
    const qsizetype chosen = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    filterIndex = chosen >= 0 ? int32_t(chosen) + 1 : 1;
    return true;
}

} // namespace scope
