#include "platform/KeyEventAdapter.h"

#include "platform/KeyCodes.h"

#include <QKeyEvent>

namespace scope {

void TKeyEventAdapter::ProcessMessage(QKeyEvent &message, bool &handled) {
    Detector.ProcessMessage(KeyMessageOf(message), handled);
}

} // namespace scope
