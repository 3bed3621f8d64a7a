#pragma once

#include "ListRows.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <optional>
#include <set>
#include <vector>

namespace moravel::planner {

// The rows of ListView1. Texts, colours and the day-class icon are made in data(), for the rows a
// view asks for: a long list costs its entries and a screenful of texts.
class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // icons: one per day class icon number, from 1.
    ListModel(std::vector<QIcon> icons, QObject* parent = nullptr);

    // Replaces every row; today decides the bars and colours.
    void setRows(std::vector<listrows::ListEntry> rows, qint64 today);
    // Rows that begin with the ones held, on the same day, are added below them, so that a view
    // keeps its place and its current row; false, and nothing changed, when they do not.
    bool extendTo(std::vector<listrows::ListEntry>& rows, qint64 today);

    // The rows held are the first of a longer list: a view that reaches their end asks for the
    // rest with moreWanted, once.
    void setMoreToRead(bool more) { m_moreToRead = more; }
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // "Datum" by the day number, every other column by its text without regard to case; rows of
    // equal keys keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Rows taken as one-offs of a rule they cannot follow; their tooltip says so.
    void setKeptRules(std::set<qint64> ids) { m_keptRules = std::move(ids); }

    qint64 idAt(int row) const;
    std::optional<int> rowOf(qint64 id) const;

Q_SIGNALS:
    void moreWanted();

private:
    std::vector<listrows::ListEntry> m_rows;
    std::vector<QIcon> m_icons;
    qint64 m_today = 0;
    std::set<qint64> m_keptRules;
    bool m_moreToRead = false;
};

} // namespace moravel::planner
