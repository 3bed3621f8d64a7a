// ListView1's model against the table it lists: which rows, in which order, with which texts.
#include "PlannerFixture.h"

#include "ForeignConnection.h"

#include "ListRows.h"
#include "SettingsStore.h"
#include "StoreExchange.h"

#include <QHeaderView>
#include <QTest>

#include <random>

using namespace moravel;
using namespace moravel::planner;

namespace {

const QDate kToday(2026, 12, 7);

class ListModelTest : public PlannerFixture {
protected:
    test::ForeignConnection other{env.databasePath()};

    void execute(const QString& sql) { ASSERT_TRUE(other.execute(sql)) << qPrintable(other.error()); }

    // Rows of every kind the table may hold, including texts the planner never writes.
    void addVariedRows(int count, unsigned seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> offset(-40, 400);
        QStringList damage;
        {
            TerminStore::WriteTransaction batch(*store);
            for (int i = 0; i < count; ++i) {
                const QDate day = kToday.addDays(offset(random));
                const QString time = i % 7 == 0 ? QString() : QTime(i % 24, i % 60).toString("hh:mm");
                const qint64 id = add(day, time, QString("Termin %1").arg(i), QString::number(i % 9),
                                      QString::number(i % 15), QString::number(i % 30));
                if (i % 11 == 0)
                    damage << QString(
                                  "UPDATE tblTermin SET TerminDatum = 'x', Bemerkungen = NULL WHERE ID = %1;")
                                  .arg(id);
                if (i % 13 == 0)
                    damage << QString("UPDATE tblTermin SET TerminDatumUhrzeit = NULL, Wiederholung = NULL"
                                      " WHERE ID = %1;")
                                  .arg(id);
            }
            ASSERT_TRUE(batch.commit());
        }
        execute("BEGIN;" + damage.join(QString()) + "COMMIT;");
    }
};

} // namespace

TEST_F(ListModelTest, TheComingViewListsEachRowFromTodayOnWithItsOwnTexts) {
    addVariedRows(600, 1);
    open();
    // The oracle: every row whose day is a whole number from today on, in the table's order.
    const qint64 today = QDate(1899, 12, 30).daysTo(kToday);
    QStringList subjects, dates, times;
    for (const Appointment& row : store->mainList()) {
        bool whole = false;
        const qint64 day = row.TerminDatum.toLongLong(&whole);
        if (!whole || day < today)
            continue;
        subjects << row.Betreff;
        dates << QDate(1899, 12, 30).addDays(day).toString("dd.MM.yyyy");
        const int minute =
            row.TerminUhrzeit.isEmpty() ? -1 : qRound(row.TerminUhrzeit.mid(2).toInt() * 1.44 / 100);
        times << (minute < 0 ? QString() : QTime(0, 0).addSecs(minute * 60).toString("hh:mm"));
    }
    ASSERT_GT(subjects.size(), 300);
    EXPECT_EQ(column(listrows::Betreff), subjects);
    QStringList shownDates;
    for (const QString& date : column(listrows::Datum))
        shownDates << date.left(10);
    EXPECT_EQ(shownDates, dates);
    EXPECT_EQ(column(listrows::Uhrzeit), times);
    // Texts are asked for by the view; a column beyond the last answers nothing.
    EXPECT_FALSE(list()->model()->index(0, listrows::ColumnCount).isValid());
}

TEST_F(ListModelTest, StoredTextsOfAnyLengthAreShownShortAndKeptWhole) {
    const QString huge(10'000'000, QChar(u'ü'));
    const qint64 id = add(kToday.addDays(1), "10:00", huge, "0", QString(5000, '7'));
    add(kToday.addDays(2), "10:00", "kurz");
    open();
    EXPECT_EQ(data(0, listrows::Betreff).toString(), huge.left(listrows::kShownChars));
    EXPECT_EQ(data(0, listrows::Vortage).toString().size(), listrows::kShownChars);
    trigger("AlteTermine");
    trigger("AlteTermine");
    edit("Text4")->setText(QString::fromUtf8("ü"));
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(store->find(id)->Betreff, huge);
}

// A series taken as a one-off because its rule is none the planner follows says so in its
// tooltip; an appointment taken whole says nothing.
TEST_F(ListModelTest, OneOffOfAForeignRuleSaysSoInItsTooltip) {
    const QByteArray file =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefon//DE\r\n"
        "BEGIN:VEVENT\r\nUID:stamm@telefon\r\nDTSTAMP:20261201T120000Z\r\n"
        "DTSTART:20261208T200000\r\nRRULE:FREQ=MONTHLY;BYDAY=2TU\r\nSUMMARY:Stammtisch\r\n"
        "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:arzt@telefon\r\nDTSTAMP:20261201T120000Z\r\n"
        "DTSTART:20261210T090000\r\nSUMMARY:Arzt\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    ASSERT_TRUE(ical::importIntoStore(*store, file, ical::localContext()).ok());
    open();
    ASSERT_EQ(column(listrows::Betreff), QStringList({"Stammtisch", "Arzt"}));
    EXPECT_EQ(
        data(0, listrows::Betreff, Qt::ToolTipRole).toString(),
        QString::fromUtf8("Als einmaliger Termin übernommen; die Regel des anderen Kalenders bleibt dort "
                          "erhalten"));
    EXPECT_FALSE(data(1, listrows::Betreff, Qt::ToolTipRole).isValid());
}

TEST_F(ListModelTest, AtTheProgramsStartAFirstScreenShowsAndTheRestFollowsAtItsEnd) {
    settings::write("Termin", "MoravelBeendet",
                    numtext::general(serial::fromDateTime(QDateTime(kToday.addDays(-2), QTime(18, 0)))));
    const int rows = listrows::kFirstScreenRows + 250;
    {
        TerminStore::WriteTransaction batch(*store);
        // Missed while the planner was closed: one yesterday, one this morning (still listed).
        add(kToday.addDays(-1), "09:00", "missed yesterday");
        add(kToday, "08:00", "missed this morning");
        for (int i = 1; i < rows; ++i)
            add(kToday.addDays(1 + i / 10), QTime(8 + i % 10, 0).toString("hh:mm"),
                QString("Termin %1").arg(i));
        ASSERT_TRUE(batch.commit());
    }
    QStringList subjects{"missed this morning"};
    for (int i = 1; i < rows; ++i)
        subjects << QString("Termin %1").arg(i);
    window = std::make_unique<frmTermin>();
    window->Form_Load(frmTermin::FirstList::ScreenFirst);
    // Renewal and the report came first; the count is the whole list's from the start.
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_TRUE(ui::MessageBox::history()[0].text.startsWith("Anzahl verpasster Termine:   2"));
    EXPECT_EQ(count(), listrows::kFirstScreenRows);
    EXPECT_EQ(text("statusPanel2"), QString("%1 Termine").arg(rows));
    select(7);
    const QString picked = selectedSubject();

    // Shown and painted, the first screen is all there is until the view reaches its end.
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QCoreApplication::processEvents();
    EXPECT_EQ(count(), listrows::kFirstScreenRows);
    list()->scrollToBottom();
    const int topRow = list()->indexAt(QPoint(1, 1)).row();
    ASSERT_GT(topRow, 7);
    ASSERT_TRUE(QTest::qWaitFor([this] { return count() == rows; }, 5000));
    EXPECT_EQ(column(listrows::Betreff), subjects);
    EXPECT_EQ(text("statusPanel2"), QString("%1 Termine").arg(rows));
    // The rest came below: the view stays where it was scrolled to, on the row picked before.
    EXPECT_EQ(list()->indexAt(QPoint(1, 1)).row(), topRow);
    EXPECT_EQ(selectedSubject(), picked);
    EXPECT_EQ(ui::MessageBox::history().size(), 1u);

    // A sort is of the whole list, the rows not yet read included.
    window = std::make_unique<frmTermin>();
    window->Form_Load(frmTermin::FirstList::ScreenFirst);
    ASSERT_EQ(count(), listrows::kFirstScreenRows);
    list()->header()->sectionClicked(listrows::Betreff);
    EXPECT_EQ(count(), rows);
    subjects.sort(Qt::CaseInsensitive);
    EXPECT_EQ(column(listrows::Betreff), subjects);
}
