// Renders the main window offscreen in its typical states and writes PNG
// files into the folder given (the build folder's screenshots/ by default),
// so that a person can look at them. Run: scripts/screenshots.sh
#include "app/AppDelegate.h"
#include "app/WindowedApplication.h"
#include "support/FakePlatform.h"
#include "ui/UiSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <chrono>
#include <memory>

namespace chordmap::testing {
namespace {

using namespace std::chrono_literals;

const ShortcutSpec controlOptionK(40, modifier::control | modifier::option);

// Items by object name, through the visual tree (Repeater rows included).
QList<QQuickItem*> findItems(QQuickItem* root, const QString& name) {
    QList<QQuickItem*> found;
    if (!root) return found;
    if (root->objectName() == name) found.append(root);
    for (QQuickItem* child : root->childItems()) found += findItems(child, name);
    return found;
}

QString folder = QStringLiteral(CHORDMAP_SCREENSHOTS);

QString screenshotPath(const QString& name) {
    QDir().mkpath(folder);
    return folder + QStringLiteral("/") + name + QStringLiteral(".png");
}

struct Window {
    Window() {
        delegate = std::make_unique<AppDelegate>(platform.services);
        delegate->applicationDidFinishLaunching();
    }
    AppModel& model() const { return delegate->model(); }

    // Lets bindings, layouts and images settle, then grabs the window.
    QImage grab() const {
        QQuickWindow* window = delegate->window();
        for (int i = 0; i < 3; ++i) QTest::qWait(20);
        return window->grabWindow();
    }
    // Writes the window as it looks now and checks that something was drawn.
    void shoot(const QString& name) const {
        const QImage image = grab();
        QCOMPARE(image.size(), QSize(780, 710));
        QVERIFY(image.save(screenshotPath(name)));
        QVERIFY2(image.pixelColor(52, 75) != image.pixelColor(10, 705),
                 qPrintable(name + QStringLiteral(": blank window")));
    }
    void focusByKeyboard(const char* objectName) const {
        const auto targets = findItems(delegate->window()->contentItem(), QString::fromLatin1(objectName));
        QVERIFY(!targets.isEmpty());
        targets.first()->forceActiveFocus(Qt::TabFocusReason);
    }
    void scrollToEnd() const {
        const auto lists = findItems(delegate->window()->contentItem(), QStringLiteral("scrollArea"));
        QVERIFY(!lists.isEmpty());
        QMetaObject::invokeMethod(lists.first(), "positionViewAtEnd");
    }

    FakePlatform platform;
    std::unique_ptr<AppDelegate> delegate;
};

}  // namespace

class Screenshots : public QObject {
    Q_OBJECT

private slots:
    void rendersTheWindowInItsStates();
};

void Screenshots::rendersTheWindowInItsStates() {
    {
        Window first;
        first.shoot(QStringLiteral("01-first-launch"));
    }
    {
        Window cards;
        cards.platform.inputMonitoring.granted = false;
        cards.model().checkPermission();
        cards.model().setShowManual(true);
        cards.model().setOption(true);
        cards.model().setKeyCode(40);
        cards.shoot(QStringLiteral("02-permission-and-manual-cards"));
    }
    {
        // A live check on the example home in Terminal: the key press, the
        // hot-key event the system dispatched to a running program, and two
        // keyboard filters, then the details opened.
        Window results;
        results.platform.home.directory = CHORDMAP_EXAMPLE_HOME;
        results.platform.processes.executablePaths = {
            {501, "/Applications/Alfred 5.app/Contents/MacOS/Alfred"},
            {502, "/Applications/Karabiner-Elements.app/Contents/MacOS/karabiner_grabber"},
            {503, "/usr/local/bin/skhd"},
        };
        results.platform.processes.livePids = {501, 502, 503};
        results.platform.eventTapList.taps = {{502, true, 0, 0xC00}, {503, true, 1, 0x400}};
        results.platform.processes.front = RunningApplication{.pid = 310, .localizedName = "Terminal", .executableURL = std::nullopt,
                                                              .bundleID = "com.apple.Terminal", .bundleURL = std::nullopt};
        results.model().start();
        QVERIFY(results.platform.eventTaps.deliver(TapLocation::session, event_type::keyDown,
                                                   FakeTapEvent::keyDown(40, controlOptionK.modifiers, 5000)));
        QVERIFY(results.platform.eventTaps.deliver(TapLocation::annotatedSession, event_type::systemDefined,
                                                   FakeTapEvent::systemDefined(501, 5000)));
        results.platform.mainQueue.advance(80ms + 250ms);
        QVERIFY(results.model().snapshot() && results.model().snapshot()->observedRecipient());
        QVERIFY(!results.model().listenerFindings().empty());
        results.model().setShowDetails(true);
        results.focusByKeyboard("manualSelection");
        results.shoot(QStringLiteral("03-results"));
        results.scrollToEnd();
        results.shoot(QStringLiteral("04-details-expanded"));
    }
    {
        Window wrapping;
        DetectionSnapshot snapshot;
        snapshot.shortcut = ShortcutSpec(49, modifier::command | modifier::shift | modifier::option);
        std::string detail;
        for (int i = 0; i < 6; ++i) detail += "根据结果回到对应软件调整。无法确认时，查看排查线索。优先显示实际接收事件的软件，并说明找到的绑定依据。";
        snapshot.findings = {
            makeFinding(EvidenceLevel::configuration, "Hammerspoon", "hs.hotkey.bind({\"cmd\", \"alt\", \"shift\"}, \"space\")",
                        detail, Url::file("/home/user/.hammerspoon/init.lua")),
            makeFinding(EvidenceLevel::conditionalConfiguration, "skhd_with_a_very_long_process_name_that_has_no_spaces_at_all_and_keeps_going",
                        "cmd + alt + shift - space : yabai -m space --focus recent",
                        "/Users/someone/Library/Application_Support/Very_Long_Folder_Name_Without_Spaces/Very_Long_Folder_Name_Without_Spaces/skhdrc",
                        Url::file("/home/user/.config/skhd/skhdrc")),
        };
        snapshot.notes = {"已观察到组合键，但尚未取得可确认的接收进程。过滤器提前吞键、应用内部快捷键或未公开的系统行为都可能没有热键派发证据。"};
        wrapping.model().handleUpdate(snapshot);
        wrapping.focusByKeyboard("sourceLink");
        wrapping.shoot(QStringLiteral("05-long-detail"));
    }
    {
        // The menus live in the window; their key equivalents show beside them.
        Window menus;
        const auto bars = findItems(menus.delegate->window()->contentItem(), QStringLiteral("menuBar"));
        QVERIFY(!bars.isEmpty());
        QQuickItem* bar = bars.first();
        QTest::mouseClick(menus.delegate->window(), Qt::LeftButton, {}, QPoint(95, int(bar->height() / 2)));
        menus.shoot(QStringLiteral("06-menu-open"));
    }
    {
        // The keyboard overview of the example home, ⌃ ⌥ with its conflicts.
        Window overview;
        overview.platform.home.directory = CHORDMAP_EXAMPLE_HOME;
        overview.model().openKeyboard();
        QTRY_VERIFY(!overview.model().keyboard()->building());
        overview.focusByKeyboard("key.K");
        overview.shoot(QStringLiteral("07-keyboard-overview"));
    }
}

}  // namespace chordmap::testing

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    chordmap::configureApplication();
    // Pixels that do not depend on the machine's graphics stack.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    if (argc > 1) chordmap::testing::folder = QString::fromLocal8Bit(argv[1]);
    chordmap::testing::Screenshots screenshots;
    char* arguments[] = {argv[0], nullptr};
    return QTest::qExec(&screenshots, 1, arguments);
}

#include "Screenshots.moc"
