#include "frmFeiertag.h"

#include "DateField.h"
#include "MessageBox.h"
#include "Pictures.h"
#include "Platform.h"
#include "TestEnvironment.h"
#include "frmTermin.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using namespace moravel;
using namespace moravel::planner;

namespace {

const QString kQuestionTail = QStringLiteral("\nals Termin übernehmen?                 ");

// The list window opened from a started main window; the clock stands on Wednesday 15 May 2024.
class FeiertagWindow : public ::testing::Test {
protected:
    test::TestEnvironment env{QDateTime(QDate(2024, 5, 15), QTime(10, 0))};
    frmTermin owner;
    QPointer<frmFeiertag> window;
    QTreeWidgetItem m_missing;

    QTreeWidget* list() const { return window->findChild<QTreeWidget*>("ListView1"); }
    QDateEdit* year() const { return window->findChild<QDateEdit*>("DTPicker1"); }
    QString ownerSubject() const { return owner.findChild<QLineEdit*>("Text1")->text(); }
    QDate ownerDay() const { return owner.findChild<DateField*>("DTPicker1")->date(); }
    QString ownerSpecialDay() const { return owner.findChild<QLabel*>("Label6")->text(); }

    void SetUp() override {
        owner.Form_Load();
        window = new frmFeiertag(&owner);
        window->show();
    }

    void TearDown() override {
        delete window.data();
        ui::MessageBox::reset();
    }

    QStringList column(int c) const {
        QStringList texts;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            texts << list()->topLevelItem(i)->text(c);
        return texts;
    }
    QStringList names() const { return column(frmFeiertag::kColumnName); }

    bool hasRow(const QString& name) const {
        return !list()->findItems(name, Qt::MatchExactly, frmFeiertag::kColumnName).isEmpty();
    }
    // The first row of that name; a missing row fails the test without bringing it down.
    QTreeWidgetItem* row(const QString& name) {
        const auto found = list()->findItems(name, Qt::MatchExactly, frmFeiertag::kColumnName);
        if (!found.isEmpty())
            return found.first();
        ADD_FAILURE() << "no row " << name.toStdString();
        return &m_missing;
    }

    void clickHeader(int section) {
        QHeaderView* header = list()->header();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    QPoint placeOf(QTreeWidgetItem* item) const {
        list()->scrollToItem(item);
        return list()->visualItemRect(item).center();
    }
    void clickRow(QTreeWidgetItem* item) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, placeOf(item));
    }
    // As a real double click arrives: a click that selects, then the double click.
    void doubleClickRow(QTreeWidgetItem* item) {
        clickRow(item);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, placeOf(item));
    }

    // The window deletes itself on closing; the deletion is posted.
    bool closed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }
};

bool dayNumbersAscending(const QStringList& numbers) {
    for (int i = 1; i < numbers.size(); ++i) {
        if (numbers[i - 1].toLongLong() > numbers[i].toLongLong())
            return false;
    }
    return true;
}

} // namespace

TEST_F(FeiertagWindow, OpensWithTheYearOfTodayInDateOrder) {
    EXPECT_EQ(window->windowTitle(), "Feiertage  2024");
    EXPECT_EQ(year()->text(), "2024");
    ASSERT_EQ(list()->topLevelItemCount(), 35);

    const QStringList dates = column(frmFeiertag::kColumnDatum);
    EXPECT_EQ(dates.first(), " 01.01.2024    Montag");
    EXPECT_EQ(names().first(), "Neujahr");
    EXPECT_EQ(dates.last(), " 26.12.2024    Donnerstag");
    EXPECT_EQ(names().last(), "2. Weihnachtstag");
    EXPECT_TRUE(dayNumbersAscending(column(frmFeiertag::kColumnDayNumber)));
    EXPECT_EQ(row("Neujahr")->text(frmFeiertag::kColumnDayNumber), "45292");

    // Today between Muttertag (12 May) and Pfingstsonntag (19 May).
    const int today = names().indexOf("Heute");
    ASSERT_TRUE(today > 0 && today < 34) << today;
    EXPECT_EQ(names().at(today - 1), "Muttertag");
    EXPECT_EQ(names().at(today + 1), "Pfingstsonntag");
    EXPECT_EQ(dates.at(today), " 15.05.2024    Mittwoch");
    EXPECT_EQ(row("Weihnachten")->text(frmFeiertag::kColumnDatum), " 24.12.2024    Dienstag");

    // Coinciding days keep a row each.
    EXPECT_EQ(row("Aschermittwoch")->text(frmFeiertag::kColumnDatum), " 14.02.2024    Mittwoch");
    EXPECT_EQ(row("Valentinstag")->text(frmFeiertag::kColumnDatum), " 14.02.2024    Mittwoch");
    EXPECT_FALSE(hasRow("Silvester"));
}

TEST_F(FeiertagWindow, RowsCarryTheirIconsAndTodayIsBlue) {
    const QColor blue(0, 0, 255);
    QTreeWidgetItem* today = row("Heute");
    EXPECT_EQ(today->data(frmFeiertag::kColumnDatum, frmFeiertag::kIconIndexRole).toInt(), 2);
    EXPECT_EQ(today->foreground(frmFeiertag::kColumnDatum).color(), blue);
    EXPECT_NE(today->foreground(frmFeiertag::kColumnName).color(), blue);
    EXPECT_NE(row("Neujahr")->foreground(frmFeiertag::kColumnDatum).color(), blue);

    const std::pair<const char*, int> expected[] = {{"Weihnachten", 1}, {"2. Weihnachtstag", 1},
                                                    {"Neujahr", 4},     {"Muttertag", 4},
                                                    {"Karfreitag", 7},  {"Buß und Bettag", 7}};
    for (const auto& [name, icon] : expected) {
        QTreeWidgetItem* item = row(QString::fromUtf8(name));
        EXPECT_EQ(item->data(frmFeiertag::kColumnDatum, frmFeiertag::kIconIndexRole).toInt(), icon) << name;
        EXPECT_FALSE(item->icon(frmFeiertag::kColumnDatum).isNull()) << name;
    }
    for (int index : {1, 2, 4, 7})
        EXPECT_FALSE(pictures::specialDayRow(index).pixmap(16, 16).isNull()) << index;
    EXPECT_FALSE(pictures::specialDays().pixmap(16, 16).isNull());
}

TEST_F(FeiertagWindow, AnotherYearReplacesTheRowsAndKeepsTodayAtItsDate) {
    year()->setDate(QDate(2030, 5, 15));
    EXPECT_EQ(window->windowTitle(), "Feiertage  2030");
    ASSERT_EQ(list()->topLevelItemCount(), 35);
    EXPECT_EQ(names().first(), "Heute");
    EXPECT_EQ(column(frmFeiertag::kColumnDatum).first(), " 15.05.2024    Mittwoch");
    EXPECT_EQ(names().at(1), "Neujahr");
    EXPECT_TRUE(column(frmFeiertag::kColumnDatum).at(1).startsWith(" 01.01.2030"));

    year()->setDate(QDate(2000, 5, 15));
    EXPECT_EQ(window->windowTitle(), "Feiertage  2000");
    ASSERT_EQ(list()->topLevelItemCount(), 35);
    EXPECT_EQ(names().last(), "Heute");
    EXPECT_EQ(names().first(), "Neujahr");
    EXPECT_EQ(column(frmFeiertag::kColumnDatum).first(), " 01.01.2000    Samstag");
}

TEST_F(FeiertagWindow, HeaderClicksToggleTheOrderAndPickTheSortColumn) {
    clickHeader(frmFeiertag::kColumnDatum);
    ASSERT_EQ(list()->topLevelItemCount(), 35);
    QStringList numbers = column(frmFeiertag::kColumnDayNumber);
    std::reverse(numbers.begin(), numbers.end());
    EXPECT_TRUE(dayNumbersAscending(numbers));
    EXPECT_EQ(names().first(), "2. Weihnachtstag");
    EXPECT_EQ(names().last(), "Neujahr");
    EXPECT_TRUE(list()->isColumnHidden(frmFeiertag::kColumnDayNumber));
    EXPECT_EQ(list()->header()->sectionSize(frmFeiertag::kColumnDayNumber), 0);

    clickHeader(frmFeiertag::kColumnName);
    QStringList sorted = names();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(names(), sorted);
    EXPECT_EQ(names().first(), "1. Advent");

    clickHeader(frmFeiertag::kColumnName);
    std::reverse(sorted.begin(), sorted.end());
    EXPECT_EQ(names(), sorted);
    EXPECT_EQ(list()->header()->sectionSize(frmFeiertag::kColumnDayNumber), 0);
}

TEST_F(FeiertagWindow, ANewYearIsFilledInTheChosenOrder) {
    clickHeader(frmFeiertag::kColumnDatum);
    year()->setDate(QDate(2030, 5, 15));
    EXPECT_EQ(names().first(), "2. Weihnachtstag");
    EXPECT_EQ(names().at(names().size() - 2), "Neujahr");
    EXPECT_EQ(names().last(), "Heute");
}

TEST_F(FeiertagWindow, ClickedRowNamesItselfInTheStatusBar) {
    EXPECT_TRUE(window->findChild<QLabel*>("statusPanel1")->text().isEmpty());
    clickRow(row("Fronleichnam"));
    EXPECT_EQ(window->findChild<QLabel*>("statusPanel1")->text(), "Fronleichnam");
    clickRow(row("Heute"));
    EXPECT_EQ(window->findChild<QLabel*>("statusPanel1")->text(), "Heute");
}

TEST_F(FeiertagWindow, TakingOverYesFillsTheMainWindowAndCloses) {
    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    doubleClickRow(row("Ostermontag"));

    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    const ui::MessageBox::Shown& asked = ui::MessageBox::history().front();
    EXPECT_EQ(asked.icon, QMessageBox::Question);
    EXPECT_EQ(asked.title, "Brisko Moravel");
    EXPECT_EQ(asked.text, "Ostermontag" + kQuestionTail);
    EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No);

    EXPECT_EQ(ownerSubject(), "Ostermontag");
    EXPECT_EQ(ownerDay(), QDate(2024, 4, 1));
    EXPECT_EQ(ownerSpecialDay(), "Ostermontag");
    EXPECT_TRUE(closed());
}

TEST_F(FeiertagWindow, TakingOverNoChangesNothing) {
    owner.offerAppointment("Zahnarzt", QDateTime(QDate(2024, 6, 3), QTime(0, 0)));
    ui::MessageBox::setAutoAnswer(QMessageBox::No);
    doubleClickRow(row("Martinstag"));

    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_EQ(ui::MessageBox::history().front().text, "Martinstag" + kQuestionTail);
    EXPECT_EQ(ownerSubject(), "Zahnarzt");
    EXPECT_EQ(ownerDay(), QDate(2024, 6, 3));
    ASSERT_FALSE(closed());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(FeiertagWindow, ADayNoAppointmentCanHaveIsToldAndChangesNothing) {
    owner.offerAppointment("Zahnarzt", QDateTime(QDate(2024, 6, 3), QTime(0, 0)));
    year()->setDate(QDate(2200, 5, 15));
    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    doubleClickRow(row("Neujahr"));

    ASSERT_EQ(ui::MessageBox::history().size(), 2u);
    EXPECT_EQ(ui::MessageBox::history().back().text,
              QString::fromUtf8("„Neujahr“ am 01.01.2200 lässt sich nicht übernehmen. Termine sind vom "
                                "18.05.1927 bis zum 13.10.2173 möglich."));
    EXPECT_EQ(ownerSubject(), "Zahnarzt");
    EXPECT_EQ(ownerDay(), QDate(2024, 6, 3));
}

TEST_F(FeiertagWindow, FailedTakeOverResetsTheMainWindowFieldsAndCloses) {
    // Today is a special day, yet the date set with a time of day names none.
    env.clock().set(QDateTime(QDate(2024, 12, 24), QTime(18, 30)));
    owner.offerAppointment("Zahnarzt", QDateTime(QDate(2024, 6, 3), QTime(0, 0)));
    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    list()->clearSelection();
    window->ListView1_DblClick();

    EXPECT_TRUE(ui::MessageBox::history().empty());
    EXPECT_TRUE(ownerSubject().isEmpty());
    EXPECT_EQ(ownerDay(), QDate(2024, 12, 24));
    EXPECT_TRUE(ownerSpecialDay().isEmpty());
    EXPECT_TRUE(closed());
}

TEST_F(FeiertagWindow, UnreadableDateFailsTheTakeOverAfterTheQuestion) {
    owner.offerAppointment("Zahnarzt", QDateTime(QDate(2024, 6, 3), QTime(0, 0)));
    QTreeWidgetItem* broken = row("Martinstag");
    broken->setText(frmFeiertag::kColumnDatum, " 11.11.    Montag");
    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    doubleClickRow(broken);

    EXPECT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_TRUE(ownerSubject().isEmpty());
    EXPECT_EQ(ownerDay(), QDate(2024, 5, 15));
    EXPECT_TRUE(closed());
}

TEST_F(FeiertagWindow, BeendenCloses) {
    window->findChild<QToolButton*>("Command1")->click();
    EXPECT_TRUE(closed());
}

TEST_F(FeiertagWindow, ResizeRuleCapsTheWidthAndLaysOutTheControls) {
    const auto px = [this](double twips) { return ui::toPixels(twips, window); };
    const int maxOuter = px(frmFeiertag::kMaxOuterWidth);
    const int frame = window->frameGeometry().width() - window->width();

    window->resize(px(9500), px(6000));
    QCoreApplication::processEvents();
    EXPECT_EQ(window->frameGeometry().width(), maxOuter);

    const auto expectLayout = [&](int inner, int innerHeight) {
        const double w = ui::toTwips(inner, window);
        EXPECT_EQ(list()->width(), px(w - 10));
        EXPECT_EQ(window->findChild<QToolButton*>("Command1")->x(), px(w - 800));
        EXPECT_EQ(list()->height(), px(ui::toTwips(innerHeight, window) - 1200));
        EXPECT_EQ(window->findChild<QWidget*>("Image1")->width(), px(w + 30));
    };
    expectLayout(maxOuter - frame, window->height());

    // Narrower is allowed.
    window->resize(px(5000), px(5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(window->width(), px(5000));
    expectLayout(px(5000), px(5000));
    EXPECT_EQ(window->findChild<QStatusBar*>("StatusBar1")->geometry().bottom(), window->height() - 1);
}
