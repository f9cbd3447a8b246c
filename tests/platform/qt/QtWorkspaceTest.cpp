#include "platform/qt/QtWorkspace.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

namespace chordmap::qt_platform {
namespace {

struct QtWorkspaceTest : ::testing::Test {
    int argc = 1;
    char name[16] = "qt-workspace";
    char* argv[2] = {name, nullptr};
    QGuiApplication application{argc, argv};
    QtWorkspace workspace;
};

TEST_F(QtWorkspaceTest, macSettingsLinksAreNotHandedToTheDesktop) {
    // Nothing here handles them; nothing is launched for them.
    EXPECT_FALSE(workspace.openURL(Url::fromString("x-apple.systempreferences:com.apple.Keyboard-Settings.extension")));
    EXPECT_FALSE(workspace.openURL(
        Url::fromString("x-apple.systempreferences:com.apple.preference.security?Privacy_ListenEvent")));
}

}  // namespace
}  // namespace chordmap::qt_platform
