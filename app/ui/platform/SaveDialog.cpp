#include "platform/SaveDialog.h"

#include "platform/FileDialogFilter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace scope {

bool TSaveDialog::Execute() {
    QFileDialog dialog(Parent, QString::fromStdString(Title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    SetFileDialogFilter(dialog, Filter, FilterIndex);
    if (!FileName.empty()) {
        const QFileInfo offered(QString::fromStdString(FileName));
        dialog.setDirectory(offered.absolutePath());
        dialog.selectFile(offered.fileName());
    } else {
        dialog.setDirectory(QDir::current());
    }
    return ExecFileDialog(dialog, FileName, FilterIndex);
}

} // namespace scope
