#include "GraphicControlTarn.h"

TGraphicControlTarn::TGraphicControlTarn(QWidget *parent) : QWidget(parent) {}
