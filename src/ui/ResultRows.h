#pragma once

#include "model/Evidence.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

#include <optional>
#include <vector>

namespace chordmap {

// The results of the snapshot on display as the rows of a list view, so the
// view makes items only for the rows it shows: the heading and the primary
// findings (or the card saying nothing was attributed), then the details
// group: its toggle and, while it is open, the listener text and findings,
// the notes and the checked sources.
//
// Roles: kind ("heading", "finding", "noRecipient", "details",
// "listenerIntro", "listenerFinding", "note", "sources"); finding (a finding
// row's item, see findingItem()); note (a note's text); first and last: whether
// the row opens the details' content or ends the details group.
class ResultRows : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Given by the application model.")

public:
    enum class Kind { heading, finding, noRecipient, details, listenerIntro, listenerFinding, note, sources };

    // The snapshot is read where it lives, for as long as the rows do.
    explicit ResultRows(const std::optional<DetectionSnapshot>& snapshot, QObject* parent = nullptr);

    // A new snapshot (or none): every row anew.
    void showSnapshot(bool detailsOpen);
    // The details opened or closed: only their rows come or go.
    void showDetails(bool open);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    struct Row {
        Kind kind;
        std::size_t index = 0;  // into the findings or the notes
    };
    std::vector<Row> summaryRows() const;
    std::vector<Row> detailRows() const;

    const std::optional<DetectionSnapshot>& snapshot_;
    std::vector<Row> rows_;
    // Rows up to the details toggle, which stay when the details open or close.
    std::size_t summary_ = 0;
};

}  // namespace chordmap
