#include "platform/X11AutoRepeat.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <X11/XKBlib.h>

namespace scope {

bool EnableDetectableAutoRepeat() {
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display())
        return false;
    Bool supported = False;
    return XkbSetDetectableAutoRepeat(x11->display(), True, &supported) && supported;
}

} // namespace scope
