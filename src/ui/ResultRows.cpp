#include "ui/ResultRows.h"

#include "ui/FindingItems.h"

namespace chordmap {
namespace {

enum Role { kindRole = Qt::UserRole + 1, findingRole, noteRole, firstRole, lastRole };

const char* kindName(ResultRows::Kind kind) {
    switch (kind) {
    case ResultRows::Kind::heading: return "heading";
    case ResultRows::Kind::finding: return "finding";
    case ResultRows::Kind::noRecipient: return "noRecipient";
    case ResultRows::Kind::details: return "details";
    case ResultRows::Kind::listenerIntro: return "listenerIntro";
    case ResultRows::Kind::listenerFinding: return "listenerFinding";
    case ResultRows::Kind::note: return "note";
    case ResultRows::Kind::sources: return "sources";
    }
    return "";
}

}  // namespace

ResultRows::ResultRows(const std::optional<DetectionSnapshot>& snapshot, QObject* parent)
    : QAbstractListModel(parent), snapshot_(snapshot) {}

std::vector<ResultRows::Row> ResultRows::summaryRows() const {
    std::vector<Row> rows;
    if (!snapshot_) return rows;
    const auto& findings = snapshot_->findings;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        if (isListenerLevel(findings[i].level)) continue;
        if (rows.empty()) rows.push_back({Kind::heading});
        rows.push_back({Kind::finding, i});
    }
    if (rows.empty()) rows.push_back({Kind::noRecipient});
    rows.push_back({Kind::details});
    return rows;
}

std::vector<ResultRows::Row> ResultRows::detailRows() const {
    std::vector<Row> rows;
    if (!snapshot_) return rows;
    const auto& findings = snapshot_->findings;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        if (!isListenerLevel(findings[i].level)) continue;
        if (rows.empty()) rows.push_back({Kind::listenerIntro});
        rows.push_back({Kind::listenerFinding, i});
    }
    for (std::size_t i = 0; i < snapshot_->notes.size(); ++i) rows.push_back({Kind::note, i});
    if (!snapshot_->checkedSources.empty()) rows.push_back({Kind::sources});
    return rows;
}

void ResultRows::showSnapshot(bool detailsOpen) {
    beginResetModel();
    rows_ = summaryRows();
    summary_ = rows_.size();
    if (detailsOpen) {
        const auto details = detailRows();
        rows_.insert(rows_.end(), details.begin(), details.end());
    }
    endResetModel();
}

void ResultRows::showDetails(bool open) {
    // The toggle row's look depends on whether anything follows it.
    const auto changed = [this] {
        if (summary_ > 0) emit dataChanged(index(int(summary_) - 1), index(int(summary_) - 1), {lastRole});
    };
    if (open && rows_.size() == summary_) {
        const auto details = detailRows();
        if (details.empty()) return;
        beginInsertRows({}, int(summary_), int(summary_ + details.size()) - 1);
        rows_.insert(rows_.end(), details.begin(), details.end());
        endInsertRows();
        changed();
    } else if (!open && rows_.size() > summary_) {
        beginRemoveRows({}, int(summary_), int(rows_.size()) - 1);
        rows_.resize(summary_);
        endRemoveRows();
        changed();
    }
}

int ResultRows::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

QVariant ResultRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || std::size_t(index.row()) >= rows_.size() || !snapshot_) return {};
    const Row& row = rows_[std::size_t(index.row())];
    switch (role) {
    case kindRole: return QString::fromLatin1(kindName(row.kind));
    case findingRole:
        if (row.kind != Kind::finding && row.kind != Kind::listenerFinding) return {};
        return findingItem(snapshot_->findings[row.index], snapshot_->frontApplication);
    case noteRole: return row.kind == Kind::note ? QString::fromStdString(snapshot_->notes[row.index]) : QString();
    case firstRole: return std::size_t(index.row()) == summary_;
    case lastRole: return std::size_t(index.row()) + 1 == rows_.size();
    default: return {};
    }
}

QHash<int, QByteArray> ResultRows::roleNames() const {
    return {{kindRole, "kind"}, {findingRole, "finding"}, {noteRole, "note"}, {firstRole, "first"}, {lastRole, "last"}};
}

}  // namespace chordmap
