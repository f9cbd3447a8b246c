#include "app/WindowedApplication.h"

#include <QGuiApplication>
#include <QQuickWindow>

namespace chordmap {

int runWindowedApplication(int& argc, char** argv) {
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Chordmap"));

    QQuickWindow window;
    window.setTitle(QStringLiteral("Chordmap · 组合寻踪"));
    window.resize(720, 640);
    window.show();
    return application.exec();
}

}  // namespace chordmap
