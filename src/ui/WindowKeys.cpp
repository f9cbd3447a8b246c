#include "ui/WindowKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QQuickItem>

namespace chordmap {
namespace {

QKeySequence sequenceOf(const QKeyEvent& event) {
    return QKeySequence(event.keyCombination());
}

bool isKeyEvent(QEvent::Type type) {
    return type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
}

}  // namespace

WindowKeys::WindowKeys(QObject* parent) : QObject(parent) {
    // Key events reach the focused item and the shortcut map before the
    // window sees them, so the filter sits on the application.
    QCoreApplication::instance()->installEventFilter(this);
}

WindowKeys::~WindowKeys() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

void WindowKeys::setWindow(QQuickWindow* window) {
    window_ = window;
    emit windowChanged();
}

void WindowKeys::setStopKey(const QString& keys) {
    stopKey_ = QKeySequence(keys, QKeySequence::PortableText);
    emit stopKeyChanged();
}

QStringList WindowKeys::keyEquivalents() const {
    QStringList keys;
    for (const QKeySequence& sequence : keyEquivalents_) keys.append(sequence.toString(QKeySequence::PortableText));
    return keys;
}

void WindowKeys::setKeyEquivalents(const QStringList& keys) {
    keyEquivalents_.clear();
    for (const QString& key : keys) keyEquivalents_.append(QKeySequence(key, QKeySequence::PortableText));
    emit keyEquivalentsChanged();
}

bool WindowKeys::isInWindow(QObject* object) const {
    if (!window_ || !object) return false;
    if (object == window_) return true;
    const auto* item = qobject_cast<QQuickItem*>(object);
    return item && item->window() == window_;
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event) {
    if (!isKeyEvent(event->type()) || !isInWindow(watched)) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence sequence = sequenceOf(*key);

    if (listening_) {
        altTapped_ = false;
        if (sequence == stopKey_) return false;
        // Taken here: neither the shortcut map nor the focused control acts.
        key->accept();
        return true;
    }

    switch (event->type()) {
    case QEvent::ShortcutOverride:
        if (!keyEquivalents_.contains(sequence)) return false;
        // Not overridden by whatever has focus: the key equivalent acts.
        key->ignore();
        return true;
    case QEvent::KeyPress:
        altTapped_ = key->key() == Qt::Key_Alt && key->modifiers() == Qt::AltModifier && !key->isAutoRepeat();
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
            emit menuBarRequested();
            return true;
        }
        return false;
    case QEvent::KeyRelease:
        if (key->key() == Qt::Key_Alt && altTapped_) {
            altTapped_ = false;
            emit menuBarRequested();
            return true;
        }
        return false;
    default:
        return false;
    }
}

}  // namespace chordmap
