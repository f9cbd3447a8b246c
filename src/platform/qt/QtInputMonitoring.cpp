#include "platform/qt/QtInputMonitoring.h"

#include <QGuiApplication>

namespace chordmap::qt_platform {

bool QtInputMonitoring::preflightListenEventAccess() const {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace chordmap::qt_platform
