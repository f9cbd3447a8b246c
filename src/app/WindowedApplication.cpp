#include "app/WindowedApplication.h"

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "platform/qt/ApplicationPlatform.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QQuickStyle>

#ifdef CHORDMAP_X11
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#endif

namespace chordmap {

void configureApplication() {
    // The program writes nothing, caches included: neither Qt's shader and
    // QML caches nor the graphics driver's land in the user's home.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    qputenv("QML_DISABLE_DISK_CACHE", "1");
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication::setApplicationName(QStringLiteral("Chordmap"));
    QGuiApplication::setApplicationVersion(AppDelegate::version().section(QLatin1Char(' '), 1));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/chordmap/chordmap.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral("chordmap"));
    // The delegate decides what closing the window means.
    QGuiApplication::setQuitOnLastWindowClosed(false);
#ifndef Q_OS_MACOS
    // A desktop style whose look does not depend on the user's theme, in the
    // light appearance the window always uses.
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    QGuiApplication::setPalette(QPalette(QColor(239, 239, 239)));
#endif
}

#ifdef CHORDMAP_X11
namespace {

// Qt aborts when its X11 platform finds no display; tell whether one is
// reachable first. Other platforms (offscreen, Wayland) are left to Qt.
bool x11DisplayReachable() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen && *chosen && !std::string_view(chosen).starts_with("xcb")) return true;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}

}  // namespace
#endif

int runWindowedApplication(int& argc, char** argv) {
#ifdef CHORDMAP_X11
    if (!x11DisplayReachable()) {
        std::fprintf(stderr, "无法打开窗口：连接不到图形显示（请检查 DISPLAY）。\n\n%s", usageText);
        return 2;
    }
#endif
    QGuiApplication application(argc, argv);
    configureApplication();

    const qt_platform::ApplicationPlatform platform;
    AppDelegate delegate(platform.services());
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
#ifdef Q_OS_MACOS
    // A click on the Dock icon activates the running program.
    QObject::connect(&application, &QGuiApplication::applicationStateChanged, &delegate, [&delegate](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) {
            delegate.applicationShouldHandleReopen(delegate.window() && delegate.window()->isVisible());
        }
    });
#endif
    delegate.applicationDidFinishLaunching();
    return application.exec();
}

}  // namespace chordmap
