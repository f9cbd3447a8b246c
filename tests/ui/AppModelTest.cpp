// The application model with the fake platform and the virtual clock.
#include "ui/AppModelTest.h"

#include "support/FakePlatform.h"
#include "ui/AppModel.h"
#include "ui/FindingItems.h"
#include "ui/KeyboardOverview.h"
#include "ui/UiSupport.h"

#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <algorithm>
#include <memory>
#include <set>

Q_DECLARE_METATYPE(chordmap::ShortcutSpec)

namespace chordmap::testing {
namespace {

using namespace std::chrono_literals;

const QString initialStatus = QStringLiteral("点击开始，按下你想检查的快捷键。");
const QString stoppedStatus = QStringLiteral("检测已停止，不再监听按键。");
const QString permissionMissing = QStringLiteral("请先在系统设置中允许 Chordmap 监控输入，然后重新检查权限。");
const QString completedStatus = QStringLiteral("检测完成 · 结果已保留，点击再次检测可查询其他组合。");
const QString detectorPrompt = QStringLiteral("请按下要检查的组合键。按键仍会触发原来功能。");
const QString detectorPermission = QStringLiteral("无法观察键盘。请在系统设置 → 隐私与安全性 → 输入监控中允许 Chordmap，然后重新打开应用；手动查询仍可使用。");
const QString detectorPaused = QStringLiteral("系统暂停了键盘观察。请点击开始检测重试；期间未归属任何按键。");

QString receivedLine(const ShortcutSpec& shortcut) {
    return QStringLiteral("已收到 ") + QString::fromStdString(shortcut.displayName()) + QStringLiteral("，正在核对接收软件。");
}

QString scannedLine(const ShortcutSpec& shortcut) {
    return QStringLiteral("已查询 ") + QString::fromStdString(shortcut.displayName()) + QStringLiteral(" 的系统绑定、已知配置与监听软件。");
}

const ShortcutSpec controlOptionK(40, modifier::control | modifier::option);
const ShortcutSpec controlG(5, modifier::control);

DetectionSnapshot received(const ShortcutSpec& shortcut, std::vector<Finding> findings = {}) {
    DetectionSnapshot snapshot;
    snapshot.shortcut = shortcut;
    snapshot.findings = std::move(findings);
    snapshot.receivedKey = true;
    return snapshot;
}

// One model on its own fake platform, with the example home to scan.
struct Harness {
    Harness() {
        platform.home.directory = CHORDMAP_EXAMPLE_HOME;
        model = std::make_unique<AppModel>(platform.services);
    }
    bool keyTapLive() const {
        const FakeTap* tap = platform.eventTaps.newest(TapLocation::session);
        return tap && !tap->ended();
    }
    FakePlatform platform;
    std::unique_ptr<AppModel> model;
};

}  // namespace

void AppModelTest::startWithoutPermissionLeavesObservationAlone() {
    Harness h;
    AppModel& model = *h.model;
    h.platform.inputMonitoring.granted = false;
    QSignalSpy granted(&model, &AppModel::permissionGrantedChanged);
    QSignalSpy listening(&model, &AppModel::isListeningChanged);
    model.start();
    QCOMPARE(granted.count(), 1);
    QVERIFY(!model.permissionGranted());
    QCOMPARE(model.status(), permissionMissing);
    QCOMPARE(listening.count(), 0);
    QVERIFY(h.platform.eventTaps.requests.empty());

    // Withdrawn while listening: the running observation is not touched.
    h.platform.inputMonitoring.granted = true;
    model.start();
    QVERIFY(model.isListening());
    h.platform.inputMonitoring.granted = false;
    model.start();
    QVERIFY(model.isListening());
    QVERIFY(h.keyTapLive());
    QCOMPARE(model.status(), permissionMissing);
}

void AppModelTest::startTakesTheDetectorsWord() {
    Harness h;
    AppModel& model = *h.model;
    model.start();
    QVERIFY(model.isListening());
    QCOMPARE(model.status(), detectorPrompt);
    QVERIFY(h.keyTapLive());
    model.stop();
    QVERIFY(!model.isListening());
    QVERIFY(!h.keyTapLive());
    QCOMPARE(model.status(), stoppedStatus);

    // The key tap refused: the detector says why, and the model follows it.
    Harness refused;
    refused.platform.eventTaps.refused.insert(TapLocation::session);
    refused.model->start();
    QVERIFY(!refused.model->isListening());
    QCOMPARE(refused.model->status(), detectorPermission);
}

void AppModelTest::refreshScansWhatIsShown_data() {
    QTest::addColumn<bool>("listening");
    QTest::addColumn<bool>("showing");
    QTest::addColumn<ShortcutSpec>("expected");
    QTest::newRow("nothing shown: the manual selection") << false << false << controlG;
    QTest::newRow("while listening: stops, then the manual selection") << true << false << controlG;
    QTest::newRow("a result shown: its combination") << false << true << controlOptionK;
}

void AppModelTest::refreshScansWhatIsShown() {
    QFETCH(bool, listening);
    QFETCH(bool, showing);
    QFETCH(ShortcutSpec, expected);
    Harness h;
    AppModel& model = *h.model;
    if (showing) model.scan(controlOptionK);
    if (listening) model.start();
    QSignalSpy status(&model, &AppModel::statusChanged);
    model.refresh();
    QVERIFY(model.hasSnapshot());
    QCOMPARE(model.snapshot()->shortcut, expected);
    QCOMPARE(model.status(), scannedLine(expected));
    QVERIFY(!model.isListening());
    QVERIFY(!h.keyTapLive());
    // The stop line comes first and is replaced by the scan line.
    QCOMPARE(status.count(), 2);
}

void AppModelTest::clearKeepsTheManualSelection() {
    Harness h;
    AppModel& model = *h.model;
    model.setShowManual(true);
    model.setCommand(true);
    model.setKeyCode(40);
    model.scan(controlOptionK);
    model.setShowDetails(true);
    model.start();

    QStringList order;
    connect(&model, &AppModel::snapshotChanged, [&] { order << QStringLiteral("snapshot"); });
    connect(&model, &AppModel::showDetailsChanged, [&] { order << QStringLiteral("showDetails"); });
    connect(&model, &AppModel::statusChanged, [&] { order << QStringLiteral("status:") + model.status(); });
    model.clear();

    QCOMPARE(order, (QStringList{QStringLiteral("status:") + stoppedStatus, QStringLiteral("snapshot"),
                                 QStringLiteral("showDetails"), QStringLiteral("status:") + initialStatus}));
    QVERIFY(!model.hasSnapshot());
    QVERIFY(!model.showDetails());
    QVERIFY(!model.isListening());
    QVERIFY(model.showManual());
    QCOMPARE(model.manualShortcut(), ShortcutSpec(40, modifier::control | modifier::command));
}

void AppModelTest::queryLooksUpTheManualSelection() {
    Harness h;
    AppModel& model = *h.model;
    model.start();
    model.setShowManual(true);
    model.setControl(false);
    model.setKeyCode(40);
    model.queryManualShortcut();
    QVERIFY(!model.isListening());
    QVERIFY(!model.showManual());
    QCOMPARE(model.snapshot()->shortcut, ShortcutSpec(40, 0));
    QCOMPARE(model.status(), scannedLine(ShortcutSpec(40, 0)));
}

void AppModelTest::openPermissionSettingsAsksOnlyWhenMissing() {
    for (const bool granted : {false, true}) {
        Harness h;
        AppModel& model = *h.model;
        h.platform.inputMonitoring.granted = granted;
        h.platform.inputMonitoring.grantOnRequest = true;
        QSignalSpy permission(&model, &AppModel::permissionGrantedChanged);
        QSignalSpy status(&model, &AppModel::statusChanged);
        model.openPermissionSettings();
        QCOMPARE(h.platform.inputMonitoring.requests, granted ? 0 : 1);
        QCOMPARE(h.platform.workspace.openedURLs.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(h.platform.workspace.openedURLs[0].absoluteString()),
                 QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_ListenEvent"));
        // It uses no model state and changes none.
        QCOMPARE(permission.count(), 0);
        QCOMPARE(status.count(), 0);
    }
}

void AppModelTest::liveKeyPressCompletesAQuarterSecondLater() {
    Harness h;
    AppModel& model = *h.model;
    model.start();
    // The detector publishes 0.08 s after the press; the model completes
    // 0.25 s after that.
    QVERIFY(h.platform.eventTaps.deliver(TapLocation::session, event_type::keyDown,
                                         FakeTapEvent::keyDown(40, modifier::control | modifier::option, 1000)));
    h.platform.mainQueue.advance(80ms);
    QVERIFY(model.hasSnapshot());
    QVERIFY(model.snapshot()->receivedKey);
    QCOMPARE(model.status(), receivedLine(controlOptionK));
    h.platform.mainQueue.advance(249ms);
    QVERIFY(model.isListening());
    h.platform.mainQueue.advance(1ms);
    QVERIFY(!model.isListening());
    QVERIFY(!h.keyTapLive());
    QCOMPARE(model.status(), completedStatus);
    QCOMPARE(model.snapshot()->shortcut, controlOptionK);
}

void AppModelTest::updateWithoutReceivedKeyOnlyReplacesTheSnapshot() {
    Harness h;
    AppModel& model = *h.model;
    model.start();
    model.handleUpdate(received(controlOptionK));
    h.platform.mainQueue.advance(100ms);

    DetectionSnapshot quiet = received(controlG, {makeFinding(EvidenceLevel::listener, "Filter")});
    quiet.receivedKey = false;
    model.handleUpdate(quiet);
    QCOMPARE(model.snapshot()->shortcut, controlG);
    QCOMPARE(model.status(), receivedLine(controlOptionK));
    // The pending completion keeps its time.
    h.platform.mainQueue.advance(150ms);
    QCOMPARE(model.status(), completedStatus);
}

void AppModelTest::onlyTheLastOfQuickReportsCompletes_data() {
    QTest::addColumn<ShortcutSpec>("second");
    QTest::newRow("two presses 0.1 s apart") << ShortcutSpec(38, modifier::control | modifier::option);
    QTest::newRow("a late update of the same press") << controlOptionK;
}

void AppModelTest::onlyTheLastOfQuickReportsCompletes() {
    QFETCH(ShortcutSpec, second);
    Harness h;
    AppModel& model = *h.model;
    model.start();
    QSignalSpy status(&model, &AppModel::statusChanged);
    model.handleUpdate(received(controlOptionK));
    h.platform.mainQueue.advance(100ms);
    model.handleUpdate(received(second, {makeFinding(EvidenceLevel::nearbyEvent, "Late")}));
    QCOMPARE(model.status(), receivedLine(second));
    QCOMPARE(model.listenerFindings().size(), std::size_t{1});

    h.platform.mainQueue.advance(249ms);
    QVERIFY(model.isListening());
    h.platform.mainQueue.advance(1ms);
    QVERIFY(!model.isListening());
    h.platform.mainQueue.advance(1s);
    // Two received lines, one completion.
    QCOMPARE(status.count(), 3);
    QCOMPARE(model.status(), completedStatus);
}

void AppModelTest::completionDoesNothingOnceObservationStopped() {
    // Stopped by the system, so the completion was not cancelled.
    Harness h;
    AppModel& model = *h.model;
    model.start();
    model.handleUpdate(received(controlOptionK));
    QVERIFY(h.platform.eventTaps.newest(TapLocation::session)->disableBySystem());
    h.platform.mainQueue.runReady();
    QVERIFY(!model.isListening());
    const QString paused = model.status();
    QCOMPARE(paused, detectorPaused);
    h.platform.mainQueue.advance(1s);
    QCOMPARE(model.status(), paused);

    // Stopped by the user: the completion is cancelled.
    Harness user;
    user.model->start();
    user.model->handleUpdate(received(controlOptionK));
    user.model->stop();
    QCOMPARE(user.platform.mainQueue.queuedTasks(), std::size_t{0});
    user.platform.mainQueue.advance(1s);
    QCOMPARE(user.model->status(), stoppedStatus);
}

void AppModelTest::completionOutlivingTheModelDoesNothing() {
    FakePlatform platform;
    {
        AppModel model(platform.services);
        model.start();
        model.handleUpdate(received(controlOptionK));
    }
    platform.mainQueue.advance(1s);
    QCOMPARE(platform.mainQueue.queuedTasks(), std::size_t{0});
}

void AppModelTest::findingsSplitIntoTwoLists() {
    Harness h;
    DetectionSnapshot snapshot = received(controlOptionK);
    snapshot.receivedKey = false;
    const EvidenceLevel levels[] = {EvidenceLevel::observedRecipient, EvidenceLevel::nearbyEvent, EvidenceLevel::systemBinding,
                                    EvidenceLevel::configuration, EvidenceLevel::listener, EvidenceLevel::conditionalConfiguration};
    for (std::size_t i = 0; i < std::size(levels); ++i) snapshot.findings.push_back(makeFinding(levels[i], std::to_string(i)));
    snapshot.notes = {"one", "two"};
    snapshot.checkedSources = {"Alpha"};
    h.model->handleUpdate(snapshot);
    const auto names = [](const std::vector<Finding>& findings) {
        std::string out;
        for (const auto& finding : findings) out += finding.application.name;
        return out;
    };
    // Each list keeps the snapshot's order.
    QCOMPARE(names(h.model->primaryFindings()), std::string("0235"));
    QCOMPARE(names(h.model->listenerFindings()), std::string("14"));

    // The rows the window lists: the details' rows only while they are open.
    const auto rows = [&] {
        ResultRows& results = *h.model->results();
        const int kind = results.roleNames().key("kind");
        QStringList kinds;
        for (int row = 0; row < results.rowCount(); ++row) kinds.append(results.data(results.index(row), kind).toString());
        return kinds.join(QLatin1Char(' '));
    };
    QCOMPARE(rows(), QStringLiteral("heading finding finding finding finding details"));
    h.model->setShowDetails(true);
    QCOMPARE(rows(), QStringLiteral("heading finding finding finding finding details listenerIntro listenerFinding "
                                    "listenerFinding note note sources"));
    h.model->setShowDetails(false);
    h.model->handleUpdate(received(controlOptionK));
    QCOMPARE(rows(), QStringLiteral("noRecipient details"));
}

void AppModelTest::findingItemsCarryWhatTheRowShows() {
    const std::string oddPath = std::string("/Applications/Caf\xC3\xA9 \xFF<b>.app");
    const Finding finding =
        makeFinding(EvidenceLevel::configuration, "<b>Tool</b>", "title", "detail",
                    Url::file("/home/user/.config/tool/rules.json"), Url::file(oddPath, true));
    const QVariantMap item = findingItem(finding);
    QCOMPARE(item.value(QStringLiteral("level")).toString(), QStringLiteral("configuration"));
    QCOMPARE(item.value(QStringLiteral("name")).toString(), QStringLiteral("<b>Tool</b>"));
    QVERIFY(item.value(QStringLiteral("sourceIsFile")).toBool());
    const QString icon = item.value(QStringLiteral("iconSource")).toString();
    QVERIFY(icon.startsWith(QStringLiteral("image://fileicon/")));
    // The bundle path survives the trip through the image URL byte for byte.
    QCOMPARE(fileIconPath(icon.mid(QStringLiteral("image://fileicon/").size())), oddPath);
}

void AppModelTest::layoutPlacesEveryNamedKeyOnce() {
    std::multiset<std::uint16_t> placed;
    const auto layout = keyboardLayout();
    for (const KeyPlace& key : layout) {
        if (key.code) placed.insert(*key.code);
        for (const KeyPlace& other : layout) {
            const bool overlap = &key != &other && key.x < other.x + other.width && other.x < key.x + key.width &&
                                 key.y < other.y + other.height && other.y < key.y + key.height;
            QVERIFY2(!overlap, key.label.data());
        }
    }
    std::multiset<std::uint16_t> named;
    for (const auto& [code, name] : ShortcutSpec::keyNames()) named.insert(code);
    QCOMPARE(placed, named);
}

void AppModelTest::keyboardMapIsBuiltOffTheMainThread() {
    Harness h;
    AppModel& model = *h.model;
    KeyboardView& keyboard = *model.keyboard();
    QSignalSpy delivered(&keyboard, &KeyboardView::mapChanged);
    model.start();
    model.openKeyboard();
    QVERIFY(model.showKeyboard());
    QVERIFY(!model.isListening());
    // Not built by the call: it is on its way.
    QVERIFY(keyboard.building());
    QVERIFY(!keyboard.hasMap());
    // Refresh maps again; only the newest build is shown.
    model.refresh();
    QVERIFY(!model.hasSnapshot());
    QTRY_VERIFY(!keyboard.building());
    QCOMPARE(delivered.count(), 1);
    QCOMPARE(keyboard.conflictCount(), int(conflictsOf(*keyboard.map()).size()));
    QVERIFY(keyboard.conflictCount() > 0);

    // A conflict looked up: the manual query's result, the overview closed.
    const QModelIndex first = keyboard.conflicts()->index(0);
    const auto role = [&](const char* name) { return first.data(keyboard.conflicts()->roleNames().key(name)); };
    model.queryCombination(role("keyCode").toInt(), role("modifiers").toInt());
    QVERIFY(!model.showKeyboard());
    QCOMPARE(model.shortcutName(), role("name").toString());
    QCOMPARE(model.status(), scannedLine(model.snapshot()->shortcut));

    // Detection shows its result in the main view: starting closes the
    // overview. Then gone while a build runs: nothing is delivered to it.
    model.openKeyboard();
    model.start();
    QVERIFY(!model.showKeyboard() && model.isListening());
    h.model.reset();
}

}  // namespace chordmap::testing
