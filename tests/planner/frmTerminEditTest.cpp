#include "PlannerFixture.h"

#include "ForeignConnection.h"

#include "DataLocation.h"
#include "DateField.h"
#include "MonthView.h"
#include "Platform.h"
#include "SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

using namespace moravel;
using namespace moravel::planner;

namespace {

// Records program starts instead of starting anything.
class RecordingPlatform : public ui::Platform {
public:
    QStringList started;
    bool startProgram(const QString& program, const QStringList&) override {
        started << program;
        return true;
    }
};

void leave(QWidget* field) {
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(field, &out);
}

} // namespace

class EditFixture : public PlannerFixture {
protected:
    void fill(const QString& subject, QDate day, const QString& time, int recurrence = 0,
              const QString& days = "0", const QString& minutes = "0", const QString& remarks = "") {
        edit("Text1")->setText(subject);
        date()->setDate(day);
        edit("MaskEdBox1")->setText(time);
        combo()->setCurrentIndex(recurrence);
        edit("Text3")->setText(days);
        edit("Text2")->setText(minutes);
        remarksField()->setPlainText(remarks);
    }
    DateField* date() const { return child<DateField>("DTPicker1"); }
    QComboBox* combo() const { return child<QComboBox>("Combo2"); }
    QTextEdit* remarksField() const { return child<QTextEdit>("RichTextBox1"); }
    std::vector<Appointment> rows() const { return store->mainList(); }
};

TEST_F(EditFixture, LeavingAFieldCorrectsItsValue) {
    open();
    const std::pair<const char*, const char*> minutes[] = {{"2000", "1439"}, {"x", "0"},      {"", "0"},
                                                           {"12,6", "13"},   {"2,5", "2"},    {"3.5", "4"},
                                                           {"-5", "0"},      {"1439", "1439"}};
    for (auto [typed, corrected] : minutes) {
        edit("Text2")->setText(typed);
        leave(edit("Text2"));
        EXPECT_EQ(edit("Text2")->text(), corrected) << typed;
    }
    const std::pair<const char*, const char*> days[] = {{"x", "0"}, {"", "0"}, {"2,5", "2,5"}, {"-3", "-3"}};
    for (auto [typed, corrected] : days) {
        edit("Text3")->setText(typed);
        leave(edit("Text3"));
        EXPECT_EQ(edit("Text3")->text(), corrected) << typed;
    }
    for (auto [typed, corrected] :
         {std::pair{"25:70", "00:00"}, std::pair{"1", "00:00"}, std::pair{"09:45", "09:45"}}) {
        edit("MaskEdBox1")->setText(typed);
        leave(edit("MaskEdBox1"));
        EXPECT_EQ(edit("MaskEdBox1")->text(), corrected) << typed;
    }
    edit("Text1")->setText(QString(250, 'a'));
    EXPECT_EQ(edit("Text1")->text().size(), 200);
}

TEST_F(EditFixture, LabelsSetTodayAndNow) {
    open();
    date()->setDate(QDate(2030, 5, 5));
    env.clock().set(QDateTime(QDate(2026, 12, 7), QTime(16, 42)));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(child<QLabel>("LabelTerminAm"), &release);
    EXPECT_EQ(date()->date(), QDate(2026, 12, 7));
    QApplication::sendEvent(child<QLabel>("LabelUm"), &release);
    EXPECT_EQ(edit("MaskEdBox1")->text(), "16:42");
}

TEST_F(EditFixture, AddingChecksRefuseImpossibleRecurrencesOnly) {
    open();
    struct Case {
        QDate day;
        int recurrence;
        const char* message;
    };
    const QString months = "Nicht alle Monate haben 29, 30 oder 31 Tage.\n";
    const Case cases[] = {
        {QDate(2028, 2, 29), 6, "Für den  29.Februar  ist 'jährliche Wiederholung' nicht möglich!       "},
        {QDate(2027, 3, 31), 3, nullptr},
        {QDate(2027, 3, 30), 4, nullptr},
        {QDate(2028, 2, 29), 5, ""},
        {QDate(2028, 2, 29), 7, ""},
        {QDate(2027, 3, 28), 3, ""},
        {QDate(2027, 3, 28), 4, ""},
        {QDate(2027, 3, 29), 3, nullptr},
        {QDate(2027, 3, 29), 4, nullptr},
        {QDate(2027, 3, 31), 2, ""},
    };
    size_t expectedRows = 0;
    for (const Case& c : cases) {
        ui::MessageBox::clearHistory();
        fill("Probe", c.day, "10:00", c.recurrence);
        trigger("bottonHinzufuegen");
        const auto& shown = ui::MessageBox::history();
        if (c.message && !*c.message) {
            EXPECT_TRUE(shown.empty()) << c.day.toString().toStdString();
            EXPECT_EQ(rows().size(), ++expectedRows);
            continue;
        }
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].title, "Hinweis");
        EXPECT_EQ(shown[0].icon, QMessageBox::Information);
        EXPECT_EQ(shown[0].buttons, QMessageBox::Ok);
        if (c.message)
            EXPECT_EQ(shown[0].text, QString::fromUtf8(c.message));
        else
            EXPECT_EQ(shown[0].text,
                      months +
                          (c.recurrence == 3
                               ? "Die 'monatliche Wiederholung' für diese Tage ist deshalb nicht möglich!"
                               : QString::fromUtf8("Die 'vierteljährliche Wiederholung' für diese Tage "
                                                   "ist deshalb nicht möglich!")));
        EXPECT_EQ(edit("Text1")->text(), "Probe"); // refused: the fields keep their contents
        EXPECT_EQ(rows().size(), expectedRows);
    }
}

TEST_F(EditFixture, AddingWritesTheRowAndEmptiesTheFields) {
    setNow(QDate(2024, 3, 1), QTime(9, 0));
    open();
    fill("Steuerberater", QDate(2024, 3, 15), "14:30", 0, "1", "30",
         QString::fromUtf8("Unterlagen \"2023\"\nÄrger?"));
    trigger("bottonHinzufuegen");
    ASSERT_EQ(rows().size(), 1u);
    const Appointment a = rows()[0];
    EXPECT_EQ(a.TerminDatum, "45366");
    EXPECT_EQ(a.TerminUhrzeit, "0,60417");
    EXPECT_EQ(a.TerminDatumUhrzeit, "45366,60417");
    EXPECT_EQ(a.Wiederholung, "0");
    EXPECT_EQ(a.VorTage, "1");
    EXPECT_EQ(a.VorMinuten, "30");
    EXPECT_EQ(a.sysGesperrt, "0");
    EXPECT_EQ(a.TerminDatumUhrzeitMeldung, "0,00000");
    EXPECT_EQ(a.ZuletztGeoeffnetAm, "45352,37500");
    EXPECT_EQ(a.Bemerkungen, QString::fromUtf8("Unterlagen \"2023\"\nÄrger?"));
    // Subject, remarks and leads are emptied; day, time and recurrence stay for the next entry.
    EXPECT_EQ(edit("Text1")->text(), "");
    EXPECT_EQ(remarksField()->toPlainText(), "");
    EXPECT_EQ(edit("Text2")->text(), "0");
    EXPECT_EQ(edit("Text3")->text(), "0");
    EXPECT_EQ(date()->date(), QDate(2024, 3, 15));
    EXPECT_EQ(edit("MaskEdBox1")->text(), "14:30");
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(text("statusPanel2"), "1 Termin");

    fill("Mitternacht", QDate(2024, 3, 15), "00:00", 2);
    trigger("bottonHinzufuegen");
    EXPECT_EQ(store->find(rows()[0].ID)->TerminDatumUhrzeit, "45366");
    EXPECT_EQ(rows()[0].Wiederholung, "2");
}

TEST_F(EditFixture, AnInvalidTimeWritesNothingAndSaysNothing) {
    open();
    fill("Ohne Zeit", QDate(2026, 12, 10), "7");
    trigger("bottonHinzufuegen");
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(ui::MessageBox::history().empty());
    EXPECT_EQ(edit("Text1")->text(), "Ohne Zeit");
}

TEST_F(EditFixture, CopyThenAddGivesTwoEqualRowsWithDifferentIds) {
    add(QDate(2026, 12, 20), "", "Geburtstag Oma", "6", "7", "15");
    Appointment stored = rows()[0];
    stored.Bemerkungen = QString::fromUtf8("Blumen: \"Tulpen\"\nnicht vergessen – ü");
    store->remove(stored.ID);
    store->insert(stored);
    open();
    trigger("bottonKopieren");
    EXPECT_EQ(edit("Text1")->text(), "Geburtstag Oma");
    EXPECT_EQ(edit("MaskEdBox1")->text(), "00:00");
    EXPECT_EQ(combo()->currentIndex(), 6);
    EXPECT_EQ(edit("Text3")->text(), "7");
    EXPECT_EQ(edit("Text2")->text(), "15");
    EXPECT_EQ(date()->date(), QDate(2026, 12, 20));
    EXPECT_EQ(remarksField()->toPlainText(), stored.Bemerkungen);
    EXPECT_EQ(rows().size(), 1u);
    trigger("bottonHinzufuegen");
    const auto all = rows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_NE(all[0].ID, all[1].ID);
    EXPECT_EQ(all[0].Betreff, all[1].Betreff);
    EXPECT_EQ(all[0].Bemerkungen, all[1].Bemerkungen);
}

TEST_F(EditFixture, AStoredDayTheFieldCannotShowIsToldOnCopy) {
    add(QDate(2173, 10, 14), "11:00", "zu spät");
    open();
    ASSERT_EQ(column(5), QStringList({"zu spät"}));
    date()->setDate(QDate(2027, 1, 4));
    select(0);
    ui::MessageBox::clearHistory();
    trigger("bottonKopieren");
    EXPECT_EQ(edit("Text1")->text(), "zu spät");
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_TRUE(ui::MessageBox::history()[0].text.startsWith(
        QString::fromUtf8("Der gespeicherte Tag dieses Termins („14.10.2173“) lässt sich nicht anzeigen.")));
    EXPECT_EQ(date()->date(), QDate(2027, 1, 4));
}

TEST_F(EditFixture, EditingKeepsTheRowUntilAddingReplacesIt) {
    add(QDate(2026, 12, 9), "11:00", "A");
    const qint64 b = add(QDate(2026, 12, 10), "11:00", "B");
    open();
    window->database()->setBusyTimeout(0);
    select(1);
    trigger("bottonBearbeiten");
    EXPECT_EQ(edit("Text1")->text(), "B");
    EXPECT_EQ(column(5), QStringList({"A"}));
    EXPECT_EQ(rows().size(), 2u);

    // Another program holds the file: the add fails, says why, and nothing is lost.
    edit("Text1")->setText("B edited");
    test::ForeignConnection other(env.databasePath());
    ASSERT_TRUE(other.execute(QStringLiteral("BEGIN EXCLUSIVE")));
    trigger("bottonHinzufuegen");
    ASSERT_TRUE(other.execute(QStringLiteral("ROLLBACK")));
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_EQ(ui::MessageBox::history()[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(ui::MessageBox::history()[0].text.startsWith("Der Termin wurde nicht gespeichert:\n"));
    EXPECT_GT(ui::MessageBox::history()[0].text.size(), 40);
    EXPECT_EQ(edit("Text1")->text(), "B edited");
    EXPECT_EQ(store->find(b)->Betreff, "B");

    // No room: the old row could go, the edited one is refused ("disk full" once the IDs are used
    // up). Both or neither.
    ASSERT_TRUE(other.execute(
        QStringLiteral("UPDATE sqlite_sequence SET seq = 9223372036854775807 WHERE name = 'tblTermin'")));
    trigger("bottonHinzufuegen");
    EXPECT_EQ(ui::MessageBox::history().size(), 2u);
    EXPECT_EQ(store->find(b)->Betreff, "B");
    ASSERT_TRUE(
        other.execute(QStringLiteral("UPDATE sqlite_sequence SET seq = 1000 WHERE name = 'tblTermin'")));

    trigger("bottonHinzufuegen");
    EXPECT_FALSE(store->find(b));
    EXPECT_EQ(column(5), QStringList({"A", "B edited"}));
    EXPECT_EQ(selectedSubject(), "B edited");

    // A pending edit ends with another edit or the window: its row stays as it was.
    select(0);
    trigger("bottonBearbeiten");
    select(0);
    trigger("bottonBearbeiten");
    EXPECT_EQ(edit("Text1")->text(), "B edited");
    EXPECT_EQ(column(5), QStringList({"A"}));
    window->offerAppointment("Nikolaus", QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    EXPECT_EQ(column(5), QStringList({"A", "B edited"}));
    select(0);
    trigger("bottonBearbeiten");
    window->close();
    EXPECT_EQ(rows().size(), 2u);
}

TEST_F(EditFixture, EditingInThePastViewReloadsThePastInBlue) {
    add(QDate(2026, 12, 1), "11:00", "old one");
    add(QDate(2026, 12, 2), "11:00", "old two");
    open();
    action("AlteTermine")->trigger();
    ASSERT_EQ(column(5), QStringList({"old two", "old one"}));
    trigger("bottonBearbeiten");
    EXPECT_EQ(column(5), QStringList({"old one"}));
    EXPECT_EQ(list()->palette().color(QPalette::Text), QColor(0, 0, 255));
    // Adding releases the toggle and shows the coming appointments in black.
    trigger("bottonHinzufuegen");
    EXPECT_FALSE(action("AlteTermine")->isChecked());
    EXPECT_EQ(list()->palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_TRUE(column(5).isEmpty()); // the edited row lies in the past
    EXPECT_EQ(rows().size(), 2u);
}

TEST_F(EditFixture, DeleteKeyDeletesWithoutAskingAndToolbarAsksFirst) {
    add(QDate(2026, 12, 9), "11:00", "A");
    add(QDate(2026, 12, 10), "11:00", "B");
    open();
    select(1);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(list(), &del);
    EXPECT_EQ(column(5), QStringList({"A"}));
    EXPECT_TRUE(ui::MessageBox::history().empty());

    ui::MessageBox::setAutoAnswer(QMessageBox::No);
    child<QLabel>("statusPanel2")->setText("unchanged");
    trigger("bottonLoeschen");
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    const auto& question = ui::MessageBox::history()[0];
    EXPECT_EQ(question.text, QString::fromUtf8("Markierten Termin löschen?"));
    EXPECT_EQ(question.icon, QMessageBox::Critical);
    EXPECT_EQ(question.defaultButton, QMessageBox::No);
    EXPECT_EQ(question.title, "Brisko Moravel");
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(text("statusPanel2"), "unchanged");

    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    trigger("bottonLoeschen");
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(text("statusPanel2"), "0 Termine");
    // Nothing left to delete: nothing happens.
    QApplication::sendEvent(list(), &del);
    trigger("bottonLoeschen");
    EXPECT_TRUE(rows().empty());
}

// Whatever keeps a delete from happening is told, and nothing else is deleted instead.
TEST_F(EditFixture, ADeleteThatCannotBeDoneIsTold) {
    struct Case {
        const char* name;
        const char* meanwhile; // what another program does after the list was read
        const char* undo;
    };
    const std::vector<Case> cases = {
        {"file locked", "BEGIN EXCLUSIVE", "ROLLBACK"},
        {"row deleted", "DELETE FROM tblTermin WHERE Betreff = 'B'", nullptr},
        {"row changed", "UPDATE tblTermin SET TerminDatum = '46000' WHERE Betreff = 'B'", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ForeignConnection(env.databasePath()).execute("DELETE FROM tblTermin");
        add(QDate(2026, 12, 9), "11:00", "A");
        add(QDate(2026, 12, 10), "11:00", "B");
        open();
        window->database()->setBusyTimeout(0);
        ui::MessageBox::clearHistory();
        select(1);
        test::ForeignConnection other(env.databasePath());
        ASSERT_TRUE(other.execute(c.meanwhile));
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(list(), &del);
        if (c.undo) {
            ASSERT_TRUE(other.execute(c.undo));
        }
        ASSERT_EQ(ui::MessageBox::history().size(), 1u);
        EXPECT_EQ(ui::MessageBox::history()[0].icon, QMessageBox::Warning);
        EXPECT_TRUE(ui::MessageBox::history()[0].text.startsWith(
            QString::fromUtf8("Der Termin wurde nicht gelöscht:\n")))
            << ui::MessageBox::history()[0].text.toStdString();
        EXPECT_TRUE(store->mainList().front().Betreff == "A");
    }
}

TEST_F(EditFixture, SearchButtonOnlyRefreshesTheCount) {
    add(QDate(2026, 12, 9), "11:00", "A");
    open();
    child<QLabel>("statusPanel2")->setText("stale");
    trigger("bottonSuchen");
    EXPECT_EQ(text("statusPanel2"), "1 Termin");
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(EditFixture, MonitorStartsFromThePlannersDirectory) {
    RecordingPlatform platform;
    ui::Platform::setInstance(&platform);
    open();
    const QString monitor = location::programDirectory() + "/Wardolin";

    trigger("mnuTerminStarten"); // no IstAktiv: no question
    EXPECT_EQ(platform.started, QStringList({monitor}));
    EXPECT_TRUE(ui::MessageBox::history().empty());

    settings::write("Termin", "IstAktiv", "1");
    ui::MessageBox::setAutoAnswer(QMessageBox::No);
    trigger("mnuTerminStarten");
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_EQ(ui::MessageBox::history()[0].text,
              QString::fromUtf8("Wardolin läuft bereits.\nSoll die Wardolin "
                                "trotzdem neu gestartet werden?    "));
    EXPECT_EQ(ui::MessageBox::history()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(ui::MessageBox::history()[0].defaultButton, QMessageBox::No);
    EXPECT_EQ(platform.started.size(), 1);

    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    trigger("mnuTerminStarten");
    EXPECT_EQ(platform.started.size(), 2);

    ui::MessageBox::clearHistory();
    trigger("bottonWardolin"); // at once, whatever IstAktiv says
    EXPECT_EQ(platform.started, QStringList({monitor, monitor, monitor}));
    EXPECT_TRUE(ui::MessageBox::history().empty());
    ui::Platform::setInstance(nullptr);
}

TEST_F(EditFixture, WebCommandsAreDisabledWithoutAnAddress) {
    open();
    EXPECT_FALSE(action("mnuInternet")->isEnabled());
    auto* toolbar = child<QToolBar>("Toolbar3");
    const QList<QAction*> buttons = toolbar->actions();
    ASSERT_EQ(buttons.size(), 11);
    EXPECT_TRUE(buttons[5]->isSeparator());
    EXPECT_TRUE(buttons[7]->isSeparator());
    EXPECT_EQ(buttons[0]->text(), QString::fromUtf8("Hinzu&fügen"));
    EXPECT_EQ(buttons[9]->toolTip(), "Wardolin starten");
    // The access key is shown on the button, underlined.
    EXPECT_EQ(qobject_cast<QToolButton*>(toolbar->widgetForAction(buttons[0]))->text(),
              QString::fromUtf8("Hinzu&fügen"));
}

TEST_F(EditFixture, AccessKeysWorkAlsoForButtonsInTheOverflowMenu) {
    open().show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const auto altA = [this] {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), Qt::Key_A, Qt::AltModifier);
    };
    // A button clicks on its key with a short animation.
    const auto checkedBecomes = [this](bool checked) {
        return QTest::qWaitFor([&] { return action("AlteTermine")->isChecked() == checked; }, 2000);
    };
    QWidget* past = child<QToolBar>("Toolbar3")->widgetForAction(action("AlteTermine"));
    ASSERT_FALSE(past->isHidden());
    altA();
    EXPECT_TRUE(checkedBecomes(true));
    // Narrowed, the toolbar keeps its last buttons in its overflow menu.
    window->resize(400, window->height());
    QCoreApplication::processEvents();
    ASSERT_TRUE(past->isHidden());
    altA();
    EXPECT_TRUE(checkedBecomes(false));
    window->resize(900, window->height());
    QCoreApplication::processEvents();
    ASSERT_FALSE(past->isHidden());
    altA();
    EXPECT_TRUE(checkedBecomes(true));
}

TEST_F(EditFixture, SpecialDayLabelFollowsTheDateField) {
    open();
    const std::pair<QDate, const char*> cases[] = {
        {QDate(2024, 2, 14), "Aschermittwoch"},  {QDate(2023, 12, 24), "4. Advent"},
        {QDate(2026, 12, 31), "Silvester"},      {QDate(2027, 1, 2), ""},
        {QDate(2026, 11, 18), "Buß und Bettag"}, {QDate(2026, 11, 20), ""}};
    for (auto [day, name] : cases) {
        date()->setDate(day);
        EXPECT_EQ(text("Label6"), QString::fromUtf8(name)) << day.toString().toStdString();
    }
    window->offerAppointment("", QDateTime(QDate(2024, 2, 14), QTime(9, 30)));
    EXPECT_EQ(text("Label6"), "");
    child<MonthView>("MonthView1")->setSelectedDate(QDate(2026, 12, 25));
    EXPECT_EQ(date()->date(), QDate(2026, 12, 25));
    EXPECT_EQ(text("Label6"), "1. Weihnachtstag");
}

TEST_F(EditFixture, LeadValuesTypedJustBeforeACommandAreCorrectedFirst) {
    open();
    const std::array<std::array<const char*, 4>, 3> cases = {{
        {"abc", "-99999", "0", "0"},
        {"2,5", "5000", "2,5", "1439"},
        {"", "12,6", "0", "13"},
    }};
    for (const auto& [days, minutes, storedDays, storedMinutes] : cases) {
        fill("Vorlauf", QDate(2026, 12, 20), "10:00", 0, days, minutes);
        trigger("bottonHinzufuegen"); // a toolbar command takes no focus: nothing was left
        const Appointment row = rows().back();
        EXPECT_EQ(row.VorTage, storedDays) << days;
        EXPECT_EQ(row.VorMinuten, storedMinutes) << minutes;
    }
}

TEST_F(EditFixture, ATypedDateIsTakenWholeOrRefused) {
    open().show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* typed = date()->findChild<QLineEdit*>();
    struct Case {
        QDate shown;
        const char* keys;
        QDate stored; // invalid: refused with a message, the shown day stays
    };
    const Case cases[] = {
        {QDate(2027, 2, 10), "30.04.2027", QDate(2027, 4, 30)},
        {QDate(2026, 11, 16), "31.03.2027", QDate(2027, 3, 31)},
        {QDate(2026, 12, 16), "29.02.2028", QDate(2028, 2, 29)},
        {QDate(2026, 12, 16), "5.1.2027", QDate(2027, 1, 5)},
        {QDate(2027, 2, 10), "30.02.2027", QDate()},
        {QDate(2027, 2, 10), "31.04.2027", QDate()},
        {QDate(2027, 2, 10), "morgen", QDate()},
        {QDate(2027, 2, 10), "01.01.2200", QDate()},
        {QDate(2027, 2, 10), "17.05.1927", QDate()},
        {QDate(2027, 2, 10), "18.05.1927", QDate(1927, 5, 18)},
        {QDate(2027, 2, 10), "13.10.2173", QDate(2173, 10, 13)},
        {QDate(2027, 2, 10), "14.10.2173", QDate()},
    };
    for (const Case& c : cases) {
        ui::MessageBox::clearHistory();
        date()->setDate(c.shown);
        // Clicked into, the field takes what is typed as the whole day.
        edit("Text1")->setFocus();
        QTest::mouseClick(typed, Qt::LeftButton, {}, typed->rect().center());
        QCoreApplication::processEvents();
        QTest::keyClicks(typed, c.keys);
        QTest::keyClick(typed, Qt::Key_Return);
        EXPECT_EQ(date()->date(), c.stored.isValid() ? c.stored : c.shown) << c.keys;
        EXPECT_EQ(ui::MessageBox::history().size(), c.stored.isValid() ? 0u : 1u) << c.keys;
    }
    // Typed and not yet left, a refused day writes nothing.
    fill("Nie", QDate(2027, 2, 10), "10:00");
    typed->setText("30.02.2027");
    trigger("bottonHinzufuegen");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(edit("Text1")->text(), "Nie");
}

TEST_F(EditFixture, EditingNeverShortensAStoredSubject) {
    const QString longer = QString(300, 'x') + "Ende";
    const QString huge = QString(10'000'000, 'y') + "Ende";
    add(QDate(2026, 12, 9), "11:00", longer);
    add(QDate(2026, 12, 10), "11:00", huge);
    open();
    for (const auto& [row, subject] : {std::pair{0, longer}, std::pair{1, huge}}) {
        select(row);
        trigger("bottonBearbeiten");
        edit("Text2")->setText("5");
        trigger("bottonHinzufuegen");
        const std::vector<Appointment> all = rows();
        ASSERT_EQ(all.size(), 2u);
        EXPECT_EQ(all[static_cast<size_t>(row)].Betreff, subject);
        EXPECT_EQ(all[static_cast<size_t>(row)].VorMinuten, "5");
    }
    // What is typed keeps the field's limit.
    edit("Text1")->clear();
    QTest::keyClicks(edit("Text1"), QString(250, 'a'));
    EXPECT_EQ(edit("Text1")->text().size(), 200);
}

TEST_F(EditFixture, AReplacedFileIsReopenedBeforeAWrite) {
    add(QDate(2026, 12, 9), "11:00", "vorher");
    open();
    // A backup is restored by rename while the planner runs; its row has the ID of the row listed.
    const auto restoreBackup = [this](const char* subject) {
        const QString restored = env.databasePath() + ".restored";
        {
            std::unique_ptr<TerminStore> backup = TerminStore::open(restored);
            Appointment row = rows().front();
            row.Betreff = subject;
            backup->insert(row);
        }
        store.reset();
        ASSERT_TRUE(QFile::remove(env.databasePath()));
        ASSERT_TRUE(QFile::rename(restored, env.databasePath()));
        store = TerminStore::open(env.databasePath());
    };
    const auto subjects = [this] {
        QStringList all;
        for (const Appointment& row : rows())
            all << row.Betreff;
        return all;
    };
    const QString told =
        QString::fromUtf8("Die Termindatenbank wurde inzwischen durch eine andere Datei ersetzt");

    // A new appointment goes to the new file.
    restoreBackup("aus der Sicherung");
    fill("neu", QDate(2026, 12, 11), "10:00");
    trigger("bottonHinzufuegen");
    EXPECT_EQ(subjects(), QStringList({"aus der Sicherung", "neu"}));
    EXPECT_EQ(column(5), subjects());

    // A row picked from the old file is neither deleted nor replaced in the new one.
    select(0);
    restoreBackup("zweite Sicherung");
    ui::MessageBox::clearHistory();
    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    trigger("bottonLoeschen");
    ui::MessageBox::setAutoAnswer(QMessageBox::Ok);
    EXPECT_EQ(subjects(), QStringList({"zweite Sicherung"}));
    EXPECT_EQ(column(5), subjects());
    ASSERT_EQ(ui::MessageBox::history().size(), 2u); // the question, then why nothing was deleted
    EXPECT_TRUE(ui::MessageBox::history()[1].text.contains(told));

    select(0);
    trigger("bottonBearbeiten");
    edit("Text1")->setText("bearbeitet");
    restoreBackup("dritte Sicherung");
    ui::MessageBox::clearHistory();
    trigger("bottonHinzufuegen");
    EXPECT_EQ(subjects(), QStringList({"dritte Sicherung"}));
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_TRUE(ui::MessageBox::history()[0].text.contains(told));
    EXPECT_EQ(edit("Text1")->text(), "bearbeitet");
    // Adding again takes what was typed as a new appointment.
    trigger("bottonHinzufuegen");
    EXPECT_EQ(subjects(), QStringList({"dritte Sicherung", "bearbeitet"}));
}
