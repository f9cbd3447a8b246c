#include "ui/ViewFixture.h"

#include "ui/FindingItems.h"

#include <QColor>
#include <QQmlEngine>

#include <tuple>

namespace chordmap::testing {

struct ViewFixture::Instance {
    explicit Instance(const FakeWorkspace& workspace) : platform(workspace) {}
    SharedDesktopPlatform platform;
    std::unique_ptr<AppModel> model;
};

ViewFixture::ViewFixture() = default;
ViewFixture::~ViewFixture() = default;

AppModel* ViewFixture::model(bool permissionGranted) {
    auto instance = std::make_unique<Instance>(workspace_);
    instance->platform.fake.inputMonitoring.granted = permissionGranted;
    instance->platform.fake.home.directory = CHORDMAP_EXAMPLE_HOME;
    // Applications to choose as the one in front.
    for (const auto& [pid, name, bundleID] : {std::tuple(310, "Terminal", "com.apple.Terminal"),
                                              std::tuple(320, "Safari", "com.apple.Safari")}) {
        instance->platform.fake.processes.regular.push_back(
            {.pid = pid, .localizedName = name, .executableURL = std::nullopt, .bundleID = bundleID,
             .bundleURL = std::nullopt});
    }
    instance->model = std::make_unique<AppModel>(instance->platform.services);
    AppModel* model = instance->model.get();
    QQmlEngine::setObjectOwnership(model, QQmlEngine::CppOwnership);
    instances_.push_back(std::move(instance));
    return model;
}

ViewFixture::Instance* ViewFixture::find(const AppModel* model) const {
    for (const auto& instance : instances_) {
        if (instance->model.get() == model) return instance.get();
    }
    return nullptr;
}

void ViewFixture::show(AppModel* model, const QVariantMap& snapshot) {
    if (model) model->handleUpdate(snapshotFrom(snapshot));
}

QVariantMap ViewFixture::findingItem(const QVariantMap& finding) const {
    return chordmap::findingItem(snapshotFrom({{QStringLiteral("findings"), QVariantList{finding}}}).findings.front());
}

void ViewFixture::setPermission(AppModel* model, bool granted) {
    if (Instance* instance = find(model)) instance->platform.fake.inputMonitoring.granted = granted;
}

int ViewFixture::permissionRequests(AppModel* model) const {
    const Instance* instance = find(model);
    return instance ? instance->platform.fake.inputMonitoring.requests : -1;
}

void ViewFixture::giveIcon(const QString& path, const QColor& colour) {
    workspace_.iconColours[path.toStdString()] = colour.rgba();
}

QStringList ViewFixture::openedURLs() const {
    QStringList urls;
    for (const auto& url : workspace_.openedURLs) urls.append(QString::fromStdString(url.absoluteString()));
    return urls;
}

QStringList ViewFixture::revealedFiles() const {
    QStringList files;
    for (const auto& request : workspace_.revealedFiles) {
        for (const auto& url : request) files.append(QString::fromStdString(url.absoluteString()));
    }
    return files;
}

void ViewFixture::forgetDesktopRequests() {
    workspace_.openedURLs.clear();
    workspace_.revealedFiles.clear();
}

}  // namespace chordmap::testing
