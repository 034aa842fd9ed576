// Base class of the painted bus controls: a widget that is also a bus subscriber.
#pragma once

#include "bus/ComponentsTarn.h"

#include <QWidget>

namespace scope {

class TGraphicControlTarn : public QWidget, public TBusMember {
    Q_OBJECT
public:
    explicit TGraphicControlTarn(QWidget *parent = nullptr);
};

} // namespace scope
