#include "platform/SaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace scope {

QStringList TSaveDialog::QtFilters(const std::string &filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        // Qt reads the patterns from the last parentheses; a description showing them already is kept.
        const QString patterns = QString(parts[i + 1]).replace(';', ' ');
        const QString shown = "(" + patterns + ")";
        result << (description.endsWith(shown) ? description : description + " " + shown);
    }
    return result;
}

bool TSaveDialog::Execute() {
    QFileDialog dialog(Parent, QString::fromStdString(Title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = QtFilters(Filter);
    dialog.setNameFilters(filters);
    if (FilterIndex >= 1 && FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[FilterIndex - 1]);
    if (!FileName.empty()) {
        const QFileInfo offered(QString::fromStdString(FileName));
        dialog.setDirectory(offered.absolutePath());
        dialog.selectFile(offered.fileName());
    } else {
        dialog.setDirectory(QDir::current());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = dialog.selectedFiles().front().toStdString();
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    FilterIndex = chosen >= 0 ? int32_t(chosen) + 1 : 1;
    return true;
}

} // namespace scope
