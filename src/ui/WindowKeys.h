#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace chordmap {

// Decides, for one window, where a key press goes before any control sees it.
//
// - While listening, the pressed combination is what is being examined: no
//   key press operates a control or a key equivalent, except `stopKey`.
// - Otherwise the window's key equivalents win over the control that has
//   focus (a selectable text would otherwise keep Ctrl+Backspace and the
//   like for itself).
// - A tap on Alt alone, or F10, asks for the in-window menu bar.
class WindowKeys : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QQuickWindow* window READ window WRITE setWindow NOTIFY windowChanged)
    Q_PROPERTY(bool listening MEMBER listening_ NOTIFY listeningChanged)
    Q_PROPERTY(QString stopKey READ stopKey WRITE setStopKey NOTIFY stopKeyChanged)
    // Written as QKeySequence's portable text ("Ctrl+R").
    Q_PROPERTY(QStringList keyEquivalents READ keyEquivalents WRITE setKeyEquivalents NOTIFY keyEquivalentsChanged)

public:
    explicit WindowKeys(QObject* parent = nullptr);
    ~WindowKeys() override;

    QQuickWindow* window() const { return window_; }
    void setWindow(QQuickWindow* window);
    QString stopKey() const { return stopKey_.toString(QKeySequence::PortableText); }
    void setStopKey(const QString& keys);
    QStringList keyEquivalents() const;
    void setKeyEquivalents(const QStringList& keys);

signals:
    void windowChanged();
    void listeningChanged();
    void stopKeyChanged();
    void keyEquivalentsChanged();
    void menuBarRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isInWindow(QObject* object) const;

    QPointer<QQuickWindow> window_;
    bool listening_ = false;
    QKeySequence stopKey_;
    QList<QKeySequence> keyEquivalents_;
    // Alt went down alone and nothing else has been pressed since.
    bool altTapped_ = false;
};

}  // namespace chordmap
