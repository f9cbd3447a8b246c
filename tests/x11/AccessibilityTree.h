#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace chordmap::testing {

// One object of an application's accessibility tree, as AT-SPI gives it.
struct AccessibleObject {
    QString service;
    QDBusObjectPath path;
    QString role;  // AT-SPI's role name: "push button", "check box", "label" ...
    QString name;
    bool showing = false;
};

// What a screen reader sees of this process's windows: its AT-SPI tree, read
// over the accessibility bus, and the actions it offers. Calls wait with the
// event loop running, so the process itself can answer them.
class AccessibilityTree {
public:
    explicit AccessibilityTree(const QString& applicationName);

    // Empty when the tree was found; otherwise what went wrong.
    const QString& error() const { return error_; }
    // Every object that is showing, depth first.
    std::vector<AccessibleObject> showing();
    // The first showing object of that role and name.
    std::optional<AccessibleObject> find(const QString& role, const QString& name);
    QString description(const AccessibleObject& object);
    QStringList actions(const AccessibleObject& object);
    // Runs the named action ("Press", "Toggle"); false when it has none.
    bool act(const AccessibleObject& object, const QString& action);

private:
    QVariantList call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {});
    void collect(const QString& service, const QDBusObjectPath& path, std::vector<AccessibleObject>& into);

    QDBusConnection bus_{QStringLiteral("none")};
    QString service_;
    QDBusObjectPath root_;
    QString error_;
};

}  // namespace chordmap::testing
