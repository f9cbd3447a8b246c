#pragma once

#include "model/KeyboardMap.h"

#include <QAbstractListModel>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace chordmap {

// Every conflict of the map, all modifier sets, as the rows of a list view;
// a row's texts are made only when the view asks for it.
//
// Roles: name (the combination's display name), claimants (the applications,
// joined with "、"), conflict ("definite" or "possible"), conflictText,
// keyCode, modifiers.
class ConflictRows : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Given by the keyboard view.")

public:
    using QAbstractListModel::QAbstractListModel;

    void show(std::shared_ptr<const KeyboardMap> map);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    std::shared_ptr<const KeyboardMap> map_;
    std::vector<std::size_t> rows_;  // places in map_->combinations
};

// The keyboard overview: the map of the user's home, built on a worker
// thread, seen through a chosen set of modifiers.
class KeyboardView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Given by the application model.")

    // A build is running; the keys still show the previous map, if any.
    Q_PROPERTY(bool building READ building NOTIFY buildingChanged)
    Q_PROPERTY(bool hasMap READ hasMap NOTIFY mapChanged)
    Q_PROPERTY(bool control READ control WRITE setControl NOTIFY modifiersChanged)
    Q_PROPERTY(bool option READ option WRITE setOption NOTIFY modifiersChanged)
    Q_PROPERTY(bool shift READ shift WRITE setShift NOTIFY modifiersChanged)
    Q_PROPERTY(bool command READ command WRITE setCommand NOTIFY modifiersChanged)
    Q_PROPERTY(bool fn READ fn WRITE setFn NOTIFY modifiersChanged)
    Q_PROPERTY(int modifiers READ modifiers NOTIFY modifiersChanged)
    // Every key of the drawn keyboard, a list of {code (-1 for a key drawn
    // only for orientation), label, name, x, y, width, height (in key
    // widths)}.
    Q_PROPERTY(QVariantList layout READ layout CONSTANT)
    // What the map holds for each key of the layout, at the same place,
    // under the chosen modifiers: {count, level (the strongest claim's, empty
    // when unclaimed), conflict, description}; empty for keys without code.
    Q_PROPERTY(QVariantList claims READ claims NOTIFY claimsChanged)
    Q_PROPERTY(int conflictCount READ conflictCount NOTIFY mapChanged)
    // The map's notes: what could not be read, and what no map can show.
    Q_PROPERTY(QStringList notes READ notes NOTIFY mapChanged)
    Q_PROPERTY(chordmap::ConflictRows* conflicts READ conflicts CONSTANT)

public:
    // Builds a map, judged for the front application if one is given; runs
    // on the worker thread, so it must touch nothing but files and
    // thread-safe platform services.
    using Mapper = std::function<KeyboardMap(const std::optional<FrontApplication>&)>;

    explicit KeyboardView(Mapper mapper, QObject* parent = nullptr);
    // Waits for a running build.
    ~KeyboardView() override;

    // Starts a build; the result of an earlier one still running is dropped.
    Q_INVOKABLE void build();
    // The application the next builds judge conditions for; none for any.
    void setFrontApplication(std::optional<FrontApplication> front) { front_ = std::move(front); }
    // Blocks until every build started so far has finished; their results
    // arrive through the event loop.
    void waitForBuilds();

    bool building() const { return building_; }
    bool hasMap() const { return map_ != nullptr; }
    const KeyboardMap* map() const { return map_.get(); }
    bool control() const { return (modifiers_ & modifier::control) != 0; }
    void setControl(bool on) { setModifier(modifier::control, on); }
    bool option() const { return (modifiers_ & modifier::option) != 0; }
    void setOption(bool on) { setModifier(modifier::option, on); }
    bool shift() const { return (modifiers_ & modifier::shift) != 0; }
    void setShift(bool on) { setModifier(modifier::shift, on); }
    bool command() const { return (modifiers_ & modifier::command) != 0; }
    void setCommand(bool on) { setModifier(modifier::command, on); }
    bool fn() const { return (modifiers_ & modifier::function) != 0; }
    void setFn(bool on) { setModifier(modifier::function, on); }
    int modifiers() const { return static_cast<int>(modifiers_); }
    static QVariantList layout();
    QVariantList claims() const { return claims_; }
    int conflictCount() const { return conflicts_->rowCount(); }
    QStringList notes() const;
    ConflictRows* conflicts() const { return conflicts_; }

signals:
    void buildingChanged();
    void mapChanged();
    void modifiersChanged();
    void claimsChanged();

private:
    void deliver(std::uint64_t generation, std::shared_ptr<const KeyboardMap> map);
    void setModifier(std::uint64_t flag, bool on);
    void updateClaims();

    Mapper mapper_;
    std::optional<FrontApplication> front_;
    std::shared_ptr<const KeyboardMap> map_;
    std::uint64_t generation_ = 0;
    bool building_ = false;
    std::uint64_t modifiers_ = modifier::control | modifier::option;
    QVariantList claims_;
    ConflictRows* conflicts_;
    // One worker: a newer build waits for the one running, and builds not
    // yet started are dropped.
    QThreadPool workers_;
};

}  // namespace chordmap
