#include "ui/KeyboardView.h"

#include "scan/Concurrently.h"
#include "ui/KeyboardOverview.h"

namespace chordmap {
namespace {

enum Role { nameRole = Qt::UserRole + 1, claimantsRole, conflictRole, conflictTextRole, keyCodeRole, modifiersRole };

const char* const readingConfiguration = "正在读取配置…";

QString text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

}  // namespace

void ConflictRows::show(std::shared_ptr<const KeyboardMap> map) {
    beginResetModel();
    map_ = std::move(map);
    rows_ = map_ ? conflictsOf(*map_) : std::vector<std::size_t>{};
    endResetModel();
}

int ConflictRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ConflictRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const KeyboardMap::Combination& combination = map_->combinations[rows_[static_cast<std::size_t>(index.row())]];
    switch (role) {
    case nameRole: return text(combination.shortcut.displayName());
    case claimantsRole: return text(claimants(*map_, combination));
    case conflictRole: return text(chordmap::text(combination.conflict));
    case conflictTextRole: return text(conflictWord(combination.conflict));
    case keyCodeRole: return int{combination.shortcut.keyCode};
    case modifiersRole: return static_cast<int>(combination.shortcut.modifiers);
    default: return {};
    }
}

QHash<int, QByteArray> ConflictRows::roleNames() const {
    return {{nameRole, "name"},       {claimantsRole, "claimants"}, {conflictRole, "conflict"},
            {conflictTextRole, "conflictText"}, {keyCodeRole, "keyCode"}, {modifiersRole, "modifiers"}};
}

KeyboardView::KeyboardView(Mapper mapper, QObject* parent)
    : QObject(parent), mapper_(std::move(mapper)), conflicts_(new ConflictRows(this)) {
    workers_.setMaxThreadCount(1);
    workers_.setStackSize(threadStackSize);  // it maps, reading every configuration
    updateClaims();
}

KeyboardView::~KeyboardView() { waitForBuilds(); }

void KeyboardView::build() {
    const std::uint64_t generation = ++generation_;
    workers_.clear();
    workers_.start([this, generation, mapper = mapper_, front = front_] {
        auto map = std::make_shared<const KeyboardMap>(mapper(front));
        // Queued to this object: dropped with it if it is gone by then.
        QMetaObject::invokeMethod(
            this, [this, generation, map = std::move(map)]() mutable { deliver(generation, std::move(map)); },
            Qt::QueuedConnection);
    });
    if (!building_) {
        building_ = true;
        emit buildingChanged();
    }
}

void KeyboardView::waitForBuilds() { workers_.waitForDone(); }

QStringList KeyboardView::notes() const {
    QStringList list;
    if (map_) {
        for (const std::string& note : map_->notes) list.append(text(note));
    }
    return list;
}

void KeyboardView::deliver(std::uint64_t generation, std::shared_ptr<const KeyboardMap> map) {
    if (generation != generation_) return;  // a newer build is on its way
    map_ = std::move(map);
    conflicts_->show(map_);
    building_ = false;
    updateClaims();
    emit mapChanged();
    emit buildingChanged();
}

void KeyboardView::setModifier(std::uint64_t flag, bool on) {
    modifiers_ = on ? modifiers_ | flag : modifiers_ & ~flag;
    updateClaims();
    emit modifiersChanged();
}

QVariantList KeyboardView::layout() {
    QVariantList keys;
    for (const KeyPlace& place : keyboardLayout()) {
        keys.append(QVariantMap{
            {QStringLiteral("code"), place.code ? int{*place.code} : -1},
            {QStringLiteral("label"), text(place.label)},
            {QStringLiteral("name"), place.code ? text(ShortcutSpec(*place.code, 0).keyName()) : QString()},
            {QStringLiteral("x"), place.x},
            {QStringLiteral("y"), place.y},
            {QStringLiteral("width"), place.width},
            {QStringLiteral("height"), place.height},
        });
    }
    return keys;
}

void KeyboardView::updateClaims() {
    static const KeyboardMap empty;
    const KeyboardMap& map = map_ ? *map_ : empty;
    claims_.clear();
    for (const KeyPlace& place : keyboardLayout()) {
        if (!place.code) {
            claims_.append(QVariantMap{});
            continue;
        }
        const KeyClaims claims = claimsOf(map, *place.code, modifiers_);
        // Before the first map nothing is known yet, not "unclaimed".
        const std::string description =
            map_ ? describe(claims) : claims.shortcut.displayName() + "：" + readingConfiguration;
        claims_.append(QVariantMap{
            {QStringLiteral("count"), static_cast<int>(claims.count)},
            {QStringLiteral("level"), claims.strongest ? text(chordmap::text(*claims.strongest)) : QString()},
            {QStringLiteral("conflict"), text(chordmap::text(claims.conflict))},
            {QStringLiteral("description"), text(description)},
        });
    }
    emit claimsChanged();
}

}  // namespace chordmap
