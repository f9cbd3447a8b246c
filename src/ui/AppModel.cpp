#include "ui/AppModel.h"

#include "scan/AppIdentities.h"
#include "ui/FindingItems.h"
#include "ui/WorkspaceActions.h"

#include <QPointer>

#include <algorithm>
#include <chrono>
#include <limits>

namespace chordmap {
namespace {

using namespace std::chrono_literals;

// A reported key press completes the live check this long after the last report.
constexpr auto completionDelay = 250ms;

const char* const initialStatus = "点击开始，按下你想检查的快捷键。";
const char* const stoppedStatus = "检测已停止，不再监听按键。";
const char* const permissionMissingStatus = "请先在系统设置中允许 Chordmap 监控输入，然后重新检查权限。";
const char* const permissionReadyStatus = "权限已就绪，可以开始检测。";
const char* const permissionAbsentStatus = "尚未获得输入监控权限。授权后如未生效，请退出并重新打开 Chordmap。";
const char* const receivedPrefix = "已收到 ";
const char* const receivedSuffix = "，正在核对接收软件。";
const char* const completedStatus = "检测完成 · 结果已保留，点击再次检测可查询其他组合。";
const char* const scannedPrefix = "已查询 ";
const char* const scannedSuffix = " 的系统绑定、已知配置与监听软件。";
const char* const anyApplication = "任意应用";
const char* const inputMonitoringSettings = "x-apple.systempreferences:com.apple.preference.security?Privacy_ListenEvent";

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

QStringList texts(const std::vector<std::string>& lines) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(lines.size()));
    for (const auto& line : lines) list.append(text(line));
    return list;
}

}  // namespace

AppModel::AppModel(const Platform& platform, QObject* parent)
    : QObject(parent),
      platform_(platform),
      status_(QString::fromUtf8(initialStatus)),
      permissionGranted_(platform.inputMonitoring.preflightListenEventAccess()),
      workspace_(new WorkspaceActions(platform.workspace, this)),
      results_(new ResultRows(snapshot_, this)),
      detector_(std::make_unique<ShortcutDetector>(platform)) {
    // The map is built off the main thread; the detector's map() reads only
    // files and the platform's services and no state of the detector.
    keyboard_ = new KeyboardView(
        [detector = detector_.get()](const std::optional<FrontApplication>& front) { return detector->map(front); },
        this);
    // The detector lives inside the model, but its deferred deliveries may
    // still come in while the model is being torn down: hold it weakly.
    detector_->onUpdate = [self = QPointer<AppModel>(this)](const DetectionSnapshot& snapshot) {
        if (self) self->handleUpdate(snapshot);
    };
    detector_->onStatus = [self = QPointer<AppModel>(this)](const std::string& message) {
        if (self) self->handleStatus(message);
    };
}

AppModel::~AppModel() {
    cancelCompletion();
    keyboard_->waitForBuilds();
    detector_.reset();
}

QString AppModel::shortcutName() const {
    return snapshot_ ? text(snapshot_->shortcut.displayName()) : QString();
}

QStringList AppModel::keyCaps() const {
    // Every space separates two caps; empty pieces stay caps.
    return snapshot_ ? shortcutName().split(QLatin1Char(' ')) : QStringList();
}

bool AppModel::hasObservedRecipient() const { return snapshot_ && snapshot_->observedRecipient().has_value(); }

QStringList AppModel::notes() const { return snapshot_ ? texts(snapshot_->notes) : QStringList(); }

QStringList AppModel::checkedSources() const { return snapshot_ ? texts(snapshot_->checkedSources) : QStringList(); }

void AppModel::setSnapshot(std::optional<DetectionSnapshot> snapshot) {
    snapshot_ = std::move(snapshot);
    results_->showSnapshot(showDetails_);
    emit snapshotChanged();
}

void AppModel::setListening(bool value) {
    isListening_ = value;
    emit isListeningChanged();
}

void AppModel::setStatus(QString value) {
    status_ = std::move(value);
    emit statusChanged();
}

void AppModel::setShowManual(bool value) {
    showManual_ = value;
    emit showManualChanged();
}

void AppModel::setShowDetails(bool value) {
    showDetails_ = value;
    results_->showDetails(value);
    emit showDetailsChanged();
}

void AppModel::setShowKeyboard(bool value) {
    showKeyboard_ = value;
    emit showKeyboardChanged();
}

void AppModel::setPermissionGranted(bool value) {
    permissionGranted_ = value;
    emit permissionGrantedChanged();
}

void AppModel::setControl(bool value) {
    control_ = value;
    emit controlChanged();
}

void AppModel::setOption(bool value) {
    option_ = value;
    emit optionChanged();
}

void AppModel::setShift(bool value) {
    shift_ = value;
    emit shiftChanged();
}

void AppModel::setCommand(bool value) {
    command_ = value;
    emit commandChanged();
}

void AppModel::setKeyCode(int value) {
    if (value < 0 || value > std::numeric_limits<std::uint16_t>::max()) return;
    keyCode_ = value;
    emit keyCodeChanged();
}

QVariantList AppModel::frontApplications() const {
    QVariantList list{QVariantMap{{QStringLiteral("name"), QString::fromUtf8(anyApplication)}}};
    for (const FrontApplication& front : frontApplications_) {
        list.append(QVariantMap{{QStringLiteral("name"), text(displayName(front))}});
    }
    return list;
}

int AppModel::frontChoice() const {
    if (!chosenFront_) return 0;
    const auto found = std::find(frontApplications_.begin(), frontApplications_.end(), *chosenFront_);
    return found == frontApplications_.end() ? 0 : int(found - frontApplications_.begin()) + 1;
}

void AppModel::setFrontChoice(int value) {
    if (value < 0 || value > int(frontApplications_.size())) return;
    chosenFront_ = value == 0 ? std::nullopt : std::optional(frontApplications_[std::size_t(value - 1)]);
    keyboard_->setFrontApplication(chosenFront_);
    if (showKeyboard_) keyboard_->build();
    emit frontChoiceChanged();
}

void AppModel::refreshFrontApplications() {
    std::vector<FrontApplication> running;
    for (const RunningApplication& application : platform_.processes.regularApplications()) {
        if (application.pid == platform_.processes.ownPid() || application.isTerminated) continue;
        std::optional<FrontApplication> front = frontApplicationOf(application);
        if (front && std::find(running.begin(), running.end(), *front) == running.end())
            running.push_back(std::move(*front));
    }
    if (chosenFront_ && std::find(running.begin(), running.end(), *chosenFront_) == running.end()) {
        running.push_back(*chosenFront_);
    }
    std::sort(running.begin(), running.end(), [](const FrontApplication& a, const FrontApplication& b) {
        return text(displayName(a)).localeAwareCompare(text(displayName(b))) < 0;
    });
    frontApplications_ = std::move(running);
    emit frontApplicationsChanged();
    emit frontChoiceChanged();
}

ShortcutSpec AppModel::manualShortcut() const {
    std::uint64_t modifiers = 0;
    if (control_) modifiers |= modifier::control;
    if (option_) modifiers |= modifier::option;
    if (shift_) modifiers |= modifier::shift;
    if (command_) modifiers |= modifier::command;
    return ShortcutSpec(static_cast<std::uint16_t>(keyCode_), modifiers);
}

std::vector<Finding> AppModel::primaryFindings() const {
    std::vector<Finding> findings;
    if (!snapshot_) return findings;
    for (const auto& finding : snapshot_->findings) {
        if (!isListenerLevel(finding.level)) findings.push_back(finding);
    }
    return findings;
}

std::vector<Finding> AppModel::listenerFindings() const {
    std::vector<Finding> findings;
    if (!snapshot_) return findings;
    for (const auto& finding : snapshot_->findings) {
        if (isListenerLevel(finding.level)) findings.push_back(finding);
    }
    return findings;
}

int AppModel::listenerCount() const {
    if (!snapshot_) return 0;
    return int(std::count_if(snapshot_->findings.begin(), snapshot_->findings.end(),
                             [](const Finding& finding) { return isListenerLevel(finding.level); }));
}

QVariantList AppModel::selectableKeys() {
    QVariantList keys;
    for (const auto& key : ShortcutSpec::selectableKeys()) {
        keys.append(QVariantMap{{QStringLiteral("code"), int{key.code}}, {QStringLiteral("name"), text(key.name)}});
    }
    return keys;
}

void AppModel::cancelCompletion() {
    if (!completion_) return;
    completion_->cancel();
    completion_.reset();
}

void AppModel::start() {
    cancelCompletion();
    // The result of a check shows in the main view.
    if (showKeyboard_) setShowKeyboard(false);
    setPermissionGranted(platform_.inputMonitoring.preflightListenEventAccess());
    if (!permissionGranted_) {
        setStatus(QString::fromUtf8(permissionMissingStatus));
        return;
    }
    // The detector reports its own start message through onStatus.
    setListening(detector_->start());
}

void AppModel::stop() {
    cancelCompletion();
    detector_->stop();
    setListening(false);
    setStatus(QString::fromUtf8(stoppedStatus));
}

void AppModel::scan(const ShortcutSpec& shortcut, const std::optional<FrontApplication>& front) {
    setSnapshot(detector_->scan(shortcut, front));
    setStatus(QString::fromUtf8(scannedPrefix) + text(shortcut.displayName()) + QString::fromUtf8(scannedSuffix));
}

void AppModel::refresh() {
    if (showKeyboard_) {
        keyboard_->build();
        return;
    }
    stop();
    // The same question again: the combination and application on display.
    if (snapshot_) {
        const ShortcutSpec shortcut = snapshot_->shortcut;
        const std::optional<FrontApplication> front = snapshot_->frontApplication;
        scan(shortcut, front);
    } else {
        scan(manualShortcut(), chosenFront_);
    }
}

void AppModel::clear() {
    stop();
    setSnapshot(std::nullopt);
    setShowDetails(false);
    setStatus(QString::fromUtf8(initialStatus));
}

void AppModel::checkPermission() {
    setPermissionGranted(platform_.inputMonitoring.preflightListenEventAccess());
    setStatus(QString::fromUtf8(permissionGranted_ ? permissionReadyStatus : permissionAbsentStatus));
}

bool AppModel::canOpenPermissionSettings() const {
    return platform_.workspace.canOpenURL(Url::fromString(inputMonitoringSettings));
}

void AppModel::openPermissionSettings() {
    if (!platform_.inputMonitoring.preflightListenEventAccess()) {
        platform_.inputMonitoring.requestListenEventAccess();
    }
    platform_.workspace.openURL(Url::fromString(inputMonitoringSettings));
}

void AppModel::toggleDetection() {
    if (isListening_) {
        stop();
    } else {
        start();
    }
}

void AppModel::toggleManual() {
    if (!showManual_) refreshFrontApplications();
    setShowManual(!showManual_);
}

void AppModel::query(const ShortcutSpec& shortcut) {
    stop();
    scan(shortcut, chosenFront_);
    setShowManual(false);
    if (showKeyboard_) setShowKeyboard(false);
}

void AppModel::queryManualShortcut() { query(manualShortcut()); }

void AppModel::queryCombination(int keyCode, int modifiers) {
    if (keyCode < 0 || keyCode > std::numeric_limits<std::uint16_t>::max() || modifiers < 0) return;
    query(ShortcutSpec(static_cast<std::uint16_t>(keyCode), static_cast<std::uint64_t>(modifiers)));
}

void AppModel::openKeyboard() {
    if (isListening_) stop();
    refreshFrontApplications();
    setShowKeyboard(true);
    keyboard_->build();
}

void AppModel::closeKeyboard() { setShowKeyboard(false); }

void AppModel::handleUpdate(const DetectionSnapshot& snapshot) {
    setSnapshot(snapshot);
    if (!snapshot.receivedKey) return;
    setStatus(QString::fromUtf8(receivedPrefix) + text(snapshot.shortcut.displayName()) +
              QString::fromUtf8(receivedSuffix));
    // Every reported press (or late update of it) restarts the wait, so only
    // the last of a quick series completes.
    cancelCompletion();
    completion_ = platform_.mainQueue.asyncAfter(completionDelay, [self = QPointer<AppModel>(this)] {
        if (self) self->complete();
    });
}

void AppModel::complete() {
    completion_.reset();
    if (!detector_->isListening()) return;
    detector_->stop();
    setListening(false);
    setStatus(QString::fromUtf8(completedStatus));
}

void AppModel::handleStatus(const std::string& message) {
    setStatus(text(message));
    setListening(detector_->isListening());
}

}  // namespace chordmap
