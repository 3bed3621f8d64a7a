// ListView1's rows answer for their texts, icon and colour without storing them, and a row of the
// coming view makes its texts only when asked. These tests hold both to an item filled with
// setText, setIcon and setForeground, as the list was filled before, role by role.
#include "ListItems.h"

#include "PlannerFixture.h"
#include "Platform.h"
#include "SettingsStore.h"

#include <QAction>
#include <QPixmap>
#include <QTreeWidget>

#include <random>

#include "ForeignConnection.h"

using namespace moravel;

namespace {

const QDate kToday(2026, 12, 7);

// The list row as items were filled before.
std::unique_ptr<QTreeWidgetItem> referenceItem(const listrows::ListRow& row,
                                               const std::vector<QIcon>& icons) {
    auto item = std::make_unique<QTreeWidgetItem>(row.texts);
    if (row.icon >= 1 && row.icon <= static_cast<int>(icons.size()))
        item->setIcon(listrows::Grafik, icons[static_cast<size_t>(row.icon - 1)]);
    if (row.colour) {
        const QBrush brush(ui::colorFromValue(*row.colour));
        for (int column = 0; column < listrows::ColumnCount; ++column)
            item->setForeground(column, brush);
    }
    return item;
}

// Icons have no equality of their own; the same icon shares its cache key.
QString describe(const QVariant& value) {
    if (!value.isValid())
        return QStringLiteral("<none>");
    QString type = QString::fromLatin1(value.metaType().name());
    if (value.metaType() == QMetaType::fromType<QIcon>())
        return type + QString::number(value.value<QIcon>().cacheKey());
    if (value.metaType() == QMetaType::fromType<QBrush>()) {
        const QBrush brush = value.value<QBrush>();
        return type + QString::number(brush.style()) + brush.color().name();
    }
    return type + QLatin1Char(':') + value.toString() + (value.toString().isNull() ? "<null>" : "");
}

// Every column, with one beyond each end, and every role a view or a test may ask for.
void expectSameData(const QTreeWidgetItem& actual, const QTreeWidgetItem& expected, const QString& where) {
    const int roles[] = {Qt::DisplayRole,
                         Qt::DecorationRole,
                         Qt::EditRole,
                         Qt::ToolTipRole,
                         Qt::StatusTipRole,
                         Qt::WhatsThisRole,
                         Qt::FontRole,
                         Qt::TextAlignmentRole,
                         Qt::BackgroundRole,
                         Qt::ForegroundRole,
                         Qt::CheckStateRole,
                         Qt::AccessibleTextRole,
                         Qt::AccessibleDescriptionRole,
                         Qt::SizeHintRole,
                         Qt::UserRole};
    for (int column = -1; column <= listrows::ColumnCount; ++column) {
        for (int role : roles)
            ASSERT_EQ(describe(actual.data(column, role)).toStdString(),
                      describe(expected.data(column, role)).toStdString())
                << where.toStdString() << ", column " << column << ", role " << role;
    }
    EXPECT_EQ(actual.flags(), expected.flags());
}

class ListItemsTest : public PlannerFixture {
protected:
    void execute(const QString& sql) {
        test::ForeignConnection other(store->path());
        ASSERT_TRUE(other.execute(sql)) << other.error().toStdString();
    }

    // Rows of every kind the table may hold, including texts the planner never writes.
    void addVariedRows(int count, unsigned seed) {
        QStringList changes{"BEGIN"};
        TerminStore::WriteTransaction batch(*store);
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> offset(-40, 400);
        for (int i = 0; i < count; ++i) {
            const QDate day = kToday.addDays(offset(random));
            const QString time = i % 7 == 0 ? QString() : QTime(i % 24, i % 60).toString("hh:mm");
            const qint64 id = add(day, time, QString("Termin %1").arg(i), QString::number(i % 9),
                                  QString::number(i % 15), QString::number(i % 30));
            if (i % 11 == 0)
                changes << (QString(
                                "UPDATE tblTermin SET TerminDatum = 'x', Bemerkungen = NULL WHERE ID = %1")
                                .arg(id));
            if (i % 13 == 0)
                changes << (QString("UPDATE tblTermin SET TerminDatumUhrzeit = NULL, Wiederholung = NULL "
                                    "WHERE ID = %1")
                                .arg(id));
        }
        batch.commit();
        execute((changes << "COMMIT").join(';'));
    }
};

} // namespace

TEST_F(ListItemsTest, EveryRowOfTheComingViewAnswersAsBefore) {
    settings::write("Termin", "MoravelBeendet",
                    numtext::general(serial::fromDateTime(QDateTime(kToday.addDays(-20), QTime(9, 0)))));
    addVariedRows(600, 1);
    open();

    const qint64 today = serial::dayNumber(kToday);
    std::vector<std::unique_ptr<QTreeWidgetItem>> expected;
    listrows::Missed missed;
    for (const Appointment& row : store->mainList()) {
        missed.check(row, serial::fromDateTime(QDateTime(kToday.addDays(-20), QTime(9, 0))), serial::now());
        const std::optional<qint64> day = numtext::parseWhole(row.TerminDatum);
        if (day && *day >= today)
            expected.push_back(referenceItem(listrows::listRow(row, *day, today), window->ImageList1));
    }
    ASSERT_GT(expected.size(), 300u);
    ASSERT_EQ(count(), static_cast<int>(expected.size()));
    for (int i = 0; i < count(); ++i)
        expectSameData(*item(i), *expected[static_cast<size_t>(i)], QString("row %1").arg(i));

    ASSERT_GT(missed.count, 0);
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_EQ(ui::MessageBox::history()[0].text, missed.message());
}

TEST_F(ListItemsTest, EveryRowOfThePastViewAnswersAsBefore) {
    addVariedRows(300, 2);
    open();
    window->AlteTermine->trigger();

    const qint64 today = serial::dayNumber(kToday);
    const std::vector<listrows::ListRow> rows =
        listrows::pastRows(store->pastList(QString::number(today), std::nullopt), today);
    ASSERT_GT(rows.size(), 10u);
    ASSERT_EQ(count(), static_cast<int>(rows.size()));
    for (int i = 0; i < count(); ++i)
        expectSameData(*item(i), *referenceItem(rows[static_cast<size_t>(i)], window->ImageList1),
                       QString("row %1").arg(i));
}

TEST_F(ListItemsTest, ComingItemsLeaveOutEarlierDaysAndTextsThatAreNoDays) {
    std::vector<QIcon> icons;
    for (const QColor colour :
         {Qt::blue, Qt::red, Qt::green, Qt::cyan, Qt::yellow, Qt::gray, Qt::black, Qt::white}) {
        QPixmap pixmap(4, 4);
        pixmap.fill(colour);
        icons.emplace_back(pixmap);
    }
    const qint64 today = serial::dayNumber(kToday);
    std::vector<Appointment> rows(4);
    rows[0].TerminDatum = QString::number(today - 1);
    rows[1].TerminDatum = QStringLiteral("morgen");
    rows[2].TerminDatum = QString::number(today + 1);
    rows[2].Betreff = QStringLiteral("Morgen");
    rows[3].TerminDatum = QString::number(today);
    const QList<QTreeWidgetItem*> items = listrows::comingItems(rows, today, icons);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(listrows::Betreff), "Morgen");
    EXPECT_EQ(items[0]->text(listrows::Grafik), "|");
    EXPECT_EQ(items[0]->icon(listrows::Grafik).cacheKey(), icons[1].cacheKey());
    EXPECT_EQ(items[1]->text(listrows::Grafik), "");
    EXPECT_EQ(items[1]->icon(listrows::Grafik).cacheKey(), icons[0].cacheKey());
    qDeleteAll(items);
}

TEST_F(ListItemsTest, AChangedRowKeepsEverythingElseItAnswered) {
    add(kToday.addDays(12), "14:30", "Zahnarzt", "2", "3", "5");
    open();
    QTreeWidgetItem* lazy = item(0);
    const qint64 today = serial::dayNumber(kToday);
    const Appointment row = store->mainList().front();
    auto expected = referenceItem(listrows::listRow(row, *numtext::parseWhole(row.TerminDatum), today),
                                  window->ImageList1);

    lazy->setText(listrows::Betreff, "Kieferorthopäde");
    expected->setText(listrows::Betreff, "Kieferorthopäde");
    lazy->setForeground(listrows::Datum, QBrush(Qt::blue));
    expected->setForeground(listrows::Datum, QBrush(Qt::blue));
    expectSameData(*lazy, *expected, "changed row");
    EXPECT_EQ(lazy->text(listrows::Betreff), "Kieferorthopäde");
}
