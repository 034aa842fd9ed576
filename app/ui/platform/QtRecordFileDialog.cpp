#include "platform/QtRecordFileDialog.h"

#include "platform/FileDialogFilter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace scope {

bool TQtRecordFileDialog::Execute() {
    QFileDialog dialog(Parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(ForSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(ForSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    SetFileDialogFilter(dialog, Filter, FilterIndex);
    if (ForSaving && !DefaultExt.empty())
        dialog.setDefaultSuffix(QString::fromStdString(DefaultExt));
    const QFileInfo current(QString::fromStdString(FileName));
    dialog.setDirectory(!FileName.empty() && current.absoluteDir().exists() ? current.absolutePath()
                                                                            : QDir::currentPath());
    return ExecFileDialog(dialog, FileName, FilterIndex);
}

} // namespace scope
