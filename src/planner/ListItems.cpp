#include "ListItems.h"

#include "DayClass.h"
#include "Platform.h"

#include <QTreeWidget>

using namespace moravel;

namespace listrows {

ListItem::ListItem(ListRow row, const std::vector<QIcon>& icons) : m_texts(std::move(row.texts)) {
    setMarker(row.icon, row.colour, icons);
}

ListItem::ListItem(Appointment row, qint64 day, qint64 today, const std::vector<QIcon>& icons)
    : m_source(Source{std::move(row), day, today}) {
    // Icon and colour come from the day distance alone and are cheap; the texts are not.
    const DayClass cls = dayClass(day - today);
    setMarker(cls.icon, cls.colour, icons);
}

void ListItem::setMarker(int icon, std::optional<quint32> colour, const std::vector<QIcon>& icons) {
    if (icon >= 1 && icon <= static_cast<int>(icons.size()))
        m_icon = icons[static_cast<size_t>(icon - 1)];
    if (colour)
        m_foreground = QBrush(ui::colorFromValue(*colour));
}

const QStringList& ListItem::texts() const {
    if (m_source) {
        m_texts = listRow(m_source->row, m_source->day, m_source->today).texts;
        m_source.reset();
    }
    return m_texts;
}

QVariant ListItem::data(int column, int role) const {
    if (m_stored)
        return QTreeWidgetItem::data(column, role);
    if (column < 0 || column >= ColumnCount)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return column < texts().size() ? QVariant(texts().at(column)) : QVariant();
    case Qt::DecorationRole:
        return column == Grafik && m_icon ? QVariant(*m_icon) : QVariant();
    case Qt::ForegroundRole:
        return m_foreground ? QVariant(*m_foreground) : QVariant();
    default:
        return QVariant();
    }
}

void ListItem::setData(int column, int role, const QVariant& value) {
    if (!m_stored) {
        const QStringList stored = texts();
        m_stored = true;
        for (int c = 0; c < stored.size(); ++c)
            QTreeWidgetItem::setData(c, Qt::DisplayRole, stored.at(c));
        for (int c = 0; m_foreground && c < ColumnCount; ++c)
            QTreeWidgetItem::setData(c, Qt::ForegroundRole, *m_foreground);
        if (m_icon)
            QTreeWidgetItem::setData(Grafik, Qt::DecorationRole, *m_icon);
    }
    QTreeWidgetItem::setData(column, role, value);
}

QList<QTreeWidgetItem*> comingItems(std::vector<Appointment> rows, qint64 today,
                                    const std::vector<QIcon>& icons) {
    QList<QTreeWidgetItem*> out;
    out.reserve(static_cast<qsizetype>(rows.size()));
    for (Appointment& row : rows) {
        if (const std::optional<qint64> day = comingDay(row, today))
            out.append(new ListItem(std::move(row), *day, today, icons));
    }
    return out;
}

QList<QTreeWidgetItem*> items(const std::vector<ListRow>& rows, const std::vector<QIcon>& icons) {
    QList<QTreeWidgetItem*> out;
    out.reserve(static_cast<qsizetype>(rows.size()));
    for (const ListRow& row : rows)
        out.append(new ListItem(row, icons));
    return out;
}

void showItems(QTreeWidget& list, const QList<QTreeWidgetItem*>& items) {
    list.setUpdatesEnabled(false);
    list.clear();
    list.addTopLevelItems(items);
    if (!items.isEmpty())
        list.setCurrentItem(items.first(), 0, QItemSelectionModel::NoUpdate);
    list.setUpdatesEnabled(true);
}

} // namespace listrows
