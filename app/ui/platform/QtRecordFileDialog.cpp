#include "platform/QtRecordFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace scope {

QStringList QtNameFilters(const std::string &pairs) {
    const QStringList parts = QString::fromStdString(pairs).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << (description.contains('(') ? description : description + " (" + patterns + ")");
    }
    return filters;
}

bool TQtRecordFileDialog::Execute() {
    QFileDialog dialog(Parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(ForSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(ForSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = QtNameFilters(Filter);
    dialog.setNameFilters(filters);
    if (FilterIndex >= 1 && FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[FilterIndex - 1]);
    if (ForSaving && !DefaultExt.empty())
        dialog.setDefaultSuffix(QString::fromStdString(DefaultExt));
    const QFileInfo current(QString::fromStdString(FileName));
    dialog.setDirectory(!FileName.empty() && current.absoluteDir().exists() ? current.absolutePath()
                                                                            : QDir::currentPath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = dialog.selectedFiles().first().toStdString();
    const qsizetype index = filters.indexOf(dialog.selectedNameFilter());
    FilterIndex = index >= 0 ? int32_t(index) + 1 : 1;
    return true;
}

} // namespace scope
