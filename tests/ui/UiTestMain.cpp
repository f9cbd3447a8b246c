// The window's C++ tests, one Qt Test class per CTest entry: the first
// argument names the class, the rest goes to Qt Test.
#include "app/WindowedApplication.h"
#include "ui/AppModelTest.h"
#include "ui/ShellTest.h"

#include <QGuiApplication>
#include <QQuickWindow>
#include <QTest>

#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    chordmap::configureApplication();
    // Pixels that do not depend on the machine's graphics stack.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    chordmap::testing::AppModelTest model;
    chordmap::testing::ShellTest shell;
    const std::vector<std::pair<const char*, QObject*>> tests{
        {"AppModelTest", &model}, {"ShellTest", &shell}};

    std::vector<char*> arguments(argv, argv + argc);
    const char* only = nullptr;
    if (arguments.size() > 1 && arguments[1][0] != '-') {
        only = arguments[1];
        arguments.erase(arguments.begin() + 1);
    }
    int failures = 0;
    bool ran = false;
    for (const auto& [name, test] : tests) {
        if (only && std::strcmp(only, name) != 0) continue;
        ran = true;
        failures += QTest::qExec(test, static_cast<int>(arguments.size()), arguments.data());
    }
    return ran ? failures : 1;
}
