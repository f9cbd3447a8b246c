// Renders the main window offscreen in its typical states and writes PNG
// files into the build folder, so that a person can look at them.
#include "ui/ScreenshotTest.h"

#include "app/AppDelegate.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"
#include "ui/UiSupport.h"

#include <QDir>
#include <QImage>
#include <QQuickItem>
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

QString screenshotPath(const QString& name) {
    QDir().mkpath(QStringLiteral(CHORDMAP_SCREENSHOTS));
    return QStringLiteral(CHORDMAP_SCREENSHOTS "/") + name + QStringLiteral(".png");
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
    void scrollTo(const char* objectName) const {
        const auto scrolls = findItems(delegate->window()->contentItem(), QStringLiteral("scrollArea"));
        const auto targets = findItems(delegate->window()->contentItem(), QString::fromLatin1(objectName));
        QVERIFY(!scrolls.isEmpty() && !targets.isEmpty());
        QQuickItem* scroll = scrolls.first();
        QQuickItem* target = targets.first();
        auto* flickable = scroll->property("contentItem").value<QQuickItem*>();
        QVERIFY(flickable);
        const QPointF at = target->mapToItem(flickable->property("contentItem").value<QQuickItem*>(), QPointF(0, 0));
        const qreal most = flickable->property("contentHeight").toReal() - flickable->height();
        flickable->setProperty("contentY", std::min(std::max(at.y() - 20, qreal{0}), std::max(most, qreal{0})));
    }

    FakePlatform platform;
    std::unique_ptr<AppDelegate> delegate;
};

}  // namespace

void ScreenshotTest::rendersTheWindowInItsStates() {
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
        // A live check on the example home: the key press, the hot-key event
        // the system dispatched to a running program, and two keyboard
        // filters, then the details opened.
        Window results;
        results.platform.home.directory = CHORDMAP_EXAMPLE_HOME;
        results.platform.processes.executablePaths = {
            {501, "/Applications/Alfred 5.app/Contents/MacOS/Alfred"},
            {502, "/Applications/Karabiner-Elements.app/Contents/MacOS/karabiner_grabber"},
            {503, "/usr/local/bin/skhd"},
        };
        results.platform.processes.livePids = {501, 502, 503};
        results.platform.eventTapList.taps = {{502, true, 0, 0xC00}, {503, true, 1, 0x400}};
        results.model().start();
        QVERIFY(results.platform.eventTaps.deliver(TapLocation::session, event_type::keyDown,
                                                   FakeTapEvent::keyDown(40, controlOptionK.modifiers, 5000)));
        QVERIFY(results.platform.eventTaps.deliver(TapLocation::annotatedSession, event_type::systemDefined,
                                                   FakeTapEvent::systemDefined(501, 5000)));
        results.platform.mainQueue.advance(80ms + 250ms);
        QVERIFY(results.model().snapshot() && results.model().snapshot()->observedRecipient());
        QVERIFY(!results.model().listenerFindings().empty());
        results.model().setShowDetails(true);
        results.shoot(QStringLiteral("03-results"));
        results.scrollTo("details");
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
}

void ScreenshotTest::macroNamedWithMarkupShowsItLiterally() {
    // A real Keyboard Maestro library whose macro name is markup.
    const QString name = QStringLiteral("<b>Bold</b> <i>&amp;</i> <img src=x>");
    QString escaped = name;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&amp;")).replace(QLatin1Char('<'), QStringLiteral("&lt;")).replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    const TemporaryDirectory home;
    home.write("Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist",
               (QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>MacroGroups</key><array><dict>
<key>UID</key><string>6B1D3C52-7E0F-4C1A-9B2D-3E4F5A6B7C80</string><key>Name</key><string>Global Macro Group</string>
<key>Macros</key><array><dict>
<key>UID</key><string>9F4C2B7A-1D3E-4F5A-8B6C-7D8E9F0A1B21</string><key>Name</key><string>)") + escaped +
                QStringLiteral(R"(</string>
<key>Triggers</key><array><dict><key>MacroTriggerType</key><string>HotKey</string>
<key>KeyCode</key><integer>40</integer><key>Modifiers</key><integer>6144</integer><key>FireType</key><string>Pressed</string></dict></array>
</dict></array></dict></array></dict></plist>
)")).toStdString());

    Window window;
    window.platform.home.directory = home.path();
    window.model().setOption(true);
    window.model().setKeyCode(40);
    window.model().queryManualShortcut();
    QVERIFY2(!window.model().primaryFindings().empty(), "the scan found no macro");

    const auto titles = findItems(window.delegate->window()->contentItem(), QStringLiteral("findingTitle"));
    QVERIFY(!titles.isEmpty());
    QQuickItem* title = titles.first();
    QCOMPARE(title->property("text").toString(), name);
    // As plain text the document holds every character of the tags; read as
    // markup it would hold only "Bold & ".
    QCOMPARE(title->property("length").toInt(), name.size());
    window.shoot(QStringLiteral("07-markup-shown-literally"));
}

}  // namespace chordmap::testing
