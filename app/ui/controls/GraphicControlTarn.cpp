#include "controls/GraphicControlTarn.h"

namespace scope {

TGraphicControlTarn::TGraphicControlTarn(QWidget *parent) : QWidget(parent) {}

} // namespace scope
