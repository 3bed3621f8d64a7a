#pragma once

#include "Appointment.h"
#include "ListRows.h"

#include <QBrush>
#include <QIcon>
#include <QList>
#include <QTreeWidgetItem>

#include <optional>
#include <vector>

class QTreeWidget;

// The rows of ListView1 as items of the list control.
namespace listrows {

// One row of ListView1. It answers for its texts, its icon (in the first column) and its text
// colour (in every column) as an item filled with setText, setIcon and setForeground would.
// A row of the coming view makes its texts from its table row only when they are first asked
// for: a long list shows a screenful, and the texts of the other rows are made when someone
// scrolls to them, sorts or reads them.
class ListItem : public QTreeWidgetItem {
public:
    // A row whose texts are made already.
    ListItem(ListRow row, const std::vector<QIcon>& icons);
    // A row of the coming view, made from its table row on first use.
    ListItem(moravel::Appointment row, qint64 day, qint64 today, const std::vector<QIcon>& icons);

    QVariant data(int column, int role) const override;
    // A change stores every value the item answers for in the item itself first, so that the
    // item goes on answering exactly as an item filled with setText would.
    void setData(int column, int role, const QVariant& value) override;

private:
    struct Source {
        moravel::Appointment row;
        qint64 day;
        qint64 today;
    };

    void setMarker(int icon, std::optional<quint32> colour, const std::vector<QIcon>& icons);
    const QStringList& texts() const;

    mutable QStringList m_texts;
    mutable std::optional<Source> m_source; // until the texts are made
    std::optional<QIcon> m_icon;
    std::optional<QBrush> m_foreground;
    bool m_stored = false; // every value lives in the item itself
};

// The coming view's items for the rows of the main list that it lists, in their order.
QList<QTreeWidgetItem*> comingItems(std::vector<moravel::Appointment> rows, qint64 today,
                                    const std::vector<QIcon>& icons);
QList<QTreeWidgetItem*> items(const std::vector<ListRow>& rows, const std::vector<QIcon>& icons);

// Replaces the list's rows in one go, the first row current without selecting it.
void showItems(QTreeWidget& list, const QList<QTreeWidgetItem*>& items);

} // namespace listrows
