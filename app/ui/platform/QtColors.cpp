#include "platform/QtColors.h"

#include <QColorDialog>

namespace scope {

bool ChooseColor(QColorDialog &dialog, uint32_t &color) {
    dialog.setCurrentColor(ToQColor(color));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    color = FromQColor(dialog.selectedColor());
    return true;
}

} // namespace scope
