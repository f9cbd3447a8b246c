// Runs the real windowed path and checks, from inside its event loop, that
// the main window is up with its title; then closes the window, which on a
// desktop without a Dock ends the program, and checks the exit status.
#include "app/WindowedApplication.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

bool sawTitledWindow = false;

void inspectOnceRunning() {
    QTimer::singleShot(0, [] {
        for (QWindow* window : QGuiApplication::topLevelWindows()) {
            if (window->isVisible() && window->title() == QStringLiteral("Chordmap · 组合寻踪")) {
                sawTitledWindow = true;
                window->close();
                return;
            }
        }
        QCoreApplication::quit();
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(inspectOnceRunning)

int main(int argc, char** argv) {
    const int status = chordmap::runWindowedApplication(argc, argv);
    if (status != 0 || !sawTitledWindow) {
        std::fprintf(stderr, "exit status %d, titled main window seen: %s\n", status, sawTitledWindow ? "yes" : "no");
        return 1;
    }
    return 0;
}
