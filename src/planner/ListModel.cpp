#include "ListModel.h"

#include "DayClass.h"
#include "Platform.h"

#include <QBrush>

#include <algorithm>
#include <iterator>
#include <numeric>

namespace moravel::planner {

using listrows::ListEntry;

namespace {
const QStringList kHeaders = {QStringLiteral("Tage / Grafik "), QStringLiteral("Whg"),
                              QStringLiteral("Datum"),          QStringLiteral("Uhrzeit"),
                              QStringLiteral("Vortage"),        QStringLiteral("Betreff"),
                              QStringLiteral("DatumWert"),      QStringLiteral("ID")};
} // namespace

ListModel::ListModel(std::vector<QIcon> icons, QObject* parent)
    : QAbstractTableModel(parent), m_icons(std::move(icons)) {}

void ListModel::setRows(std::vector<ListEntry> rows, qint64 today) {
    beginResetModel();
    m_rows = std::move(rows);
    m_today = today;
    endResetModel();
}

bool ListModel::extendTo(std::vector<ListEntry>& rows, qint64 today) {
    if (today != m_today || rows.size() < m_rows.size() ||
        !std::equal(m_rows.begin(), m_rows.end(), rows.begin()))
        return false;
    if (rows.size() == m_rows.size())
        return true;
    beginInsertRows(QModelIndex(), rowCount(), static_cast<int>(rows.size()) - 1);
    m_rows.insert(m_rows.end(),
                  std::make_move_iterator(rows.begin() + static_cast<std::ptrdiff_t>(m_rows.size())),
                  std::make_move_iterator(rows.end()));
    endInsertRows();
    return true;
}

bool ListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_moreToRead;
}

void ListModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    m_moreToRead = false;
    Q_EMIT moreWanted();
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : listrows::ColumnCount;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const ListEntry& entry = m_rows[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return listrows::columnText(entry, index.column(), m_today);
    case Qt::DecorationRole: {
        const int icon = dayClass(entry.day - m_today).icon;
        if (index.column() != listrows::Grafik || icon < 1 || icon > static_cast<int>(m_icons.size()))
            return QVariant();
        return m_icons[static_cast<size_t>(icon - 1)];
    }
    case Qt::ForegroundRole:
        // No colour of its own (today): the list's text colour.
        if (const std::optional<quint32> colour = dayClass(entry.day - m_today).colour)
            return QBrush(ui::colorFromValue(*colour));
        return QVariant();
    case Qt::ToolTipRole:
        if (m_keptRules.count(entry.id))
            return QStringLiteral("Als einmaliger Termin übernommen; die Regel des anderen Kalenders "
                                  "bleibt dort erhalten");
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kHeaders.size())
        return QVariant();
    return kHeaders.at(section);
}

void ListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= listrows::ColumnCount)
        return;
    const bool ascending = order == Qt::AscendingOrder;
    std::vector<size_t> permutation(m_rows.size());
    std::iota(permutation.begin(), permutation.end(), size_t{0});
    if (column == listrows::DatumWert) {
        std::stable_sort(permutation.begin(), permutation.end(), [&](size_t a, size_t b) {
            return ascending ? m_rows[a].day < m_rows[b].day : m_rows[a].day > m_rows[b].day;
        });
    } else {
        std::vector<QString> keys;
        keys.reserve(m_rows.size());
        for (const ListEntry& entry : m_rows)
            keys.push_back(listrows::columnText(entry, column, m_today));
        std::stable_sort(permutation.begin(), permutation.end(), [&](size_t a, size_t b) {
            const int compared = QString::compare(keys[a], keys[b], Qt::CaseInsensitive);
            return ascending ? compared < 0 : compared > 0;
        });
    }
    std::vector<ListEntry> sorted;
    sorted.reserve(m_rows.size());
    for (size_t i : permutation)
        sorted.push_back(std::move(m_rows[i]));
    setRows(std::move(sorted), m_today);
}

qint64 ListModel::idAt(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[static_cast<size_t>(row)].id : 0;
}

std::optional<int> ListModel::rowOf(qint64 id) const {
    const auto found =
        std::find_if(m_rows.begin(), m_rows.end(), [id](const ListEntry& e) { return e.id == id; });
    if (found == m_rows.end())
        return std::nullopt;
    return static_cast<int>(found - m_rows.begin());
}

} // namespace moravel::planner
