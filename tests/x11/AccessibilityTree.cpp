#include "x11/AccessibilityTree.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QDBusVariant>
#include <QTest>

namespace chordmap::testing {
namespace {

const QString accessible = QStringLiteral("org.a11y.atspi.Accessible");
// A bit of GetState's first word.
constexpr quint32 showingState = 1u << 25;

QVariantList await(const QDBusConnection& bus, const QDBusMessage& message) {
    QDBusPendingCallWatcher pending(bus.asyncCall(message, 5000));
    QEventLoop loop;
    QObject::connect(&pending, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!pending.isFinished()) loop.exec();
    const QDBusMessage reply = pending.reply();
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments() : QVariantList();
}

// a(so): references to other objects.
std::vector<std::pair<QString, QDBusObjectPath>> references(const QVariant& value) {
    std::vector<std::pair<QString, QDBusObjectPath>> list;
    const auto argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QString service;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> service >> path;
        argument.endStructure();
        list.emplace_back(service, path);
    }
    argument.endArray();
    return list;
}

}  // namespace

AccessibilityTree::AccessibilityTree(const QString& applicationName) {
    const auto address = await(QDBusConnection::sessionBus(),
                               QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                              QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
    if (address.isEmpty()) {
        error_ = QStringLiteral("no accessibility bus on the session bus");
        return;
    }
    bus_ = QDBusConnection::connectToBus(address.first().toString(), QStringLiteral("accessibility-tree"));
    if (!bus_.isConnected()) {
        error_ = QStringLiteral("cannot connect to the accessibility bus");
        return;
    }
    // The application registers itself once its bridge is up.
    (void)QTest::qWaitFor([&] {
        const auto children = call(QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/accessible/root"),
                                   accessible, QStringLiteral("GetChildren"));
        if (children.isEmpty()) return false;
        for (const auto& [service, path] : references(children.first())) {
            const auto name = call(service, path.path(), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                   {accessible, QStringLiteral("Name")});
            if (!name.isEmpty() && name.first().value<QDBusVariant>().variant().toString() == applicationName) {
                service_ = service;
                root_ = path;
            }
        }
        return !service_.isEmpty();
    }, 10'000);
    if (service_.isEmpty()) error_ = QStringLiteral("the application never appeared in the accessibility tree");
}

QVariantList AccessibilityTree::call(const QString& service, const QString& path, const QString& interface,
                                     const QString& method, const QVariantList& arguments) {
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return await(bus_, message);
}

void AccessibilityTree::collect(const QString& service, const QDBusObjectPath& path, std::vector<AccessibleObject>& into) {
    const auto state = call(service, path.path(), accessible, QStringLiteral("GetState"));
    quint32 bits = 0;
    if (!state.isEmpty()) {
        const auto words = qdbus_cast<QList<quint32>>(state.first());
        if (!words.isEmpty()) bits = words.first();
    }
    AccessibleObject object;
    object.service = service;
    object.path = path;
    object.showing = bits & showingState;
    if (!object.showing && path != root_) return;
    const auto role = call(service, path.path(), accessible, QStringLiteral("GetRoleName"));
    const auto name = call(service, path.path(), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                           {accessible, QStringLiteral("Name")});
    object.role = role.value(0).toString();
    object.name = name.isEmpty() ? QString() : name.first().value<QDBusVariant>().variant().toString();
    into.push_back(object);
    const auto children = call(service, path.path(), accessible, QStringLiteral("GetChildren"));
    if (children.isEmpty()) return;
    for (const auto& [childService, childPath] : references(children.first())) collect(childService, childPath, into);
}

std::vector<AccessibleObject> AccessibilityTree::showing() {
    std::vector<AccessibleObject> objects;
    if (!service_.isEmpty()) collect(service_, root_, objects);
    return objects;
}

std::optional<AccessibleObject> AccessibilityTree::find(const QString& role, const QString& name) {
    for (const auto& object : showing()) {
        if (object.role == role && object.name == name) return object;
    }
    return std::nullopt;
}

QString AccessibilityTree::description(const AccessibleObject& object) {
    const auto reply = call(object.service, object.path.path(), QStringLiteral("org.freedesktop.DBus.Properties"),
                            QStringLiteral("Get"), {accessible, QStringLiteral("Description")});
    return reply.isEmpty() ? QString() : reply.first().value<QDBusVariant>().variant().toString();
}

QStringList AccessibilityTree::actions(const AccessibleObject& object) {
    QStringList names;
    const auto reply = call(object.service, object.path.path(), QStringLiteral("org.a11y.atspi.Action"), QStringLiteral("GetActions"));
    if (reply.isEmpty()) return names;
    // a(sss): name, description, key binding.
    const auto argument = reply.first().value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QString name, description, keys;
        argument.beginStructure();
        argument >> name >> description >> keys;
        argument.endStructure();
        names.append(name);
    }
    argument.endArray();
    return names;
}

bool AccessibilityTree::act(const AccessibleObject& object, const QString& action) {
    const auto index = actions(object).indexOf(action);
    if (index < 0) return false;
    const auto reply = call(object.service, object.path.path(), QStringLiteral("org.a11y.atspi.Action"), QStringLiteral("DoAction"),
                            {index});
    return reply.value(0).toBool();
}

}  // namespace chordmap::testing
