#include "PlannerFixture.h"

#include "DataLocation.h"
#include "Platform.h"
#include "SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>

using namespace moravel;

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
        window->Text1->setText(subject);
        window->setPickerValue(QDateTime(day, QTime(0, 0)));
        window->MaskEdBox1->setText(time);
        window->Combo2->setCurrentIndex(recurrence);
        window->Text3->setText(days);
        window->Text2->setText(minutes);
        window->RichTextBox1->setPlainText(remarks);
    }
    void select(int row) { window->ListView1->setCurrentItem(item(row)); }
    std::vector<Appointment> rows() const { return store->mainList(); }
};

TEST_F(EditFixture, LeavingAFieldCorrectsItsValue) {
    open();
    const std::pair<const char*, const char*> minutes[] = {{"2000", "1439"}, {"x", "0"},      {"", "0"},
                                                           {"12,6", "13"},   {"2,5", "2"},    {"3.5", "4"},
                                                           {"-5", "0"},      {"1439", "1439"}};
    for (auto [typed, corrected] : minutes) {
        window->Text2->setText(typed);
        leave(window->Text2);
        EXPECT_EQ(window->Text2->text(), corrected) << typed;
    }
    const std::pair<const char*, const char*> days[] = {{"x", "0"}, {"", "0"}, {"2,5", "2,5"}, {"-3", "-3"}};
    for (auto [typed, corrected] : days) {
        window->Text3->setText(typed);
        leave(window->Text3);
        EXPECT_EQ(window->Text3->text(), corrected) << typed;
    }
    for (auto [typed, corrected] :
         {std::pair{"25:70", "00:00"}, std::pair{"1", "00:00"}, std::pair{"09:45", "09:45"}}) {
        window->MaskEdBox1->setText(typed);
        leave(window->MaskEdBox1);
        EXPECT_EQ(window->MaskEdBox1->text(), corrected) << typed;
    }
    window->Text1->setText(QString(250, 'a'));
    EXPECT_EQ(window->Text1->text().size(), 200);
}

TEST_F(EditFixture, LabelsSetTodayAndNow) {
    open();
    window->setPickerValue(QDateTime(QDate(2030, 5, 5), QTime(0, 0)));
    env.clock().set(QDateTime(QDate(2026, 12, 7), QTime(16, 42)));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window->LabelTerminAm, &release);
    EXPECT_EQ(window->DTPicker1->date(), QDate(2026, 12, 7));
    QApplication::sendEvent(window->LabelUm, &release);
    EXPECT_EQ(window->MaskEdBox1->text(), "16:42");
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
        {QDate(2027, 3, 31), 2, ""},
    };
    size_t expectedRows = 0;
    for (const Case& c : cases) {
        ui::MessageBox::clearHistory();
        fill("Probe", c.day, "10:00", c.recurrence);
        window->toolbarClicked(1);
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
        EXPECT_EQ(window->Text1->text(), "Probe"); // refused: the fields keep their contents
        EXPECT_EQ(rows().size(), expectedRows);
    }
}

TEST_F(EditFixture, AddingWritesTheRowAndEmptiesTheFields) {
    setNow(QDate(2024, 3, 1), QTime(9, 0));
    open();
    fill("Steuerberater", QDate(2024, 3, 15), "14:30", 0, "1", "30",
         QString::fromUtf8("Unterlagen \"2023\"\nÄrger?"));
    window->toolbarClicked(1);
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
    EXPECT_EQ(window->Text1->text(), "");
    EXPECT_EQ(window->RichTextBox1->toPlainText(), "");
    EXPECT_EQ(window->Text2->text(), "0");
    EXPECT_EQ(window->Text3->text(), "0");
    EXPECT_EQ(window->DTPicker1->date(), QDate(2024, 3, 15));
    EXPECT_EQ(window->MaskEdBox1->text(), "14:30");
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(window->statusPanel2->text(), "1 Termin");

    fill("Mitternacht", QDate(2024, 3, 15), "00:00", 2);
    window->toolbarClicked(1);
    EXPECT_EQ(store->find(rows()[0].ID)->TerminDatumUhrzeit, "45366");
    EXPECT_EQ(rows()[0].Wiederholung, "2");
}

TEST_F(EditFixture, AnInvalidTimeWritesNothingAndSaysNothing) {
    open();
    fill("Ohne Zeit", QDate(2026, 12, 10), "7");
    window->toolbarClicked(1);
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(ui::MessageBox::history().empty());
    EXPECT_EQ(window->Text1->text(), "Ohne Zeit");
}

TEST_F(EditFixture, CopyThenAddGivesTwoEqualRowsWithDifferentIds) {
    add(QDate(2026, 12, 20), "", "Geburtstag Oma", "6", "7", "15");
    Appointment stored = rows()[0];
    stored.Bemerkungen = QString::fromUtf8("Blumen: \"Tulpen\"\nnicht vergessen – ü");
    store->remove(stored.ID);
    store->insert(stored);
    open();
    window->toolbarClicked(3);
    EXPECT_EQ(window->Text1->text(), "Geburtstag Oma");
    EXPECT_EQ(window->MaskEdBox1->text(), "00:00");
    EXPECT_EQ(window->Combo2->currentIndex(), 6);
    EXPECT_EQ(window->Text3->text(), "7");
    EXPECT_EQ(window->Text2->text(), "15");
    EXPECT_EQ(window->DTPicker1->date(), QDate(2026, 12, 20));
    EXPECT_EQ(window->RichTextBox1->toPlainText(), stored.Bemerkungen);
    EXPECT_EQ(rows().size(), 1u);
    window->toolbarClicked(1);
    const auto all = rows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_NE(all[0].ID, all[1].ID);
    EXPECT_EQ(all[0].Betreff, all[1].Betreff);
    EXPECT_EQ(all[0].Bemerkungen, all[1].Bemerkungen);
}

TEST_F(EditFixture, EditingDeletesAtOnceSoClosingWithoutAddingLosesTheRow) {
    add(QDate(2026, 12, 9), "11:00", "A");
    add(QDate(2026, 12, 10), "11:00", "B");
    open();
    select(1);
    window->toolbarClicked(2);
    EXPECT_EQ(window->Text1->text(), "B");
    EXPECT_EQ(column(5), QStringList({"A"}));
    window->close();
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(EditFixture, EditingInThePastViewReloadsThePastInBlue) {
    add(QDate(2026, 12, 1), "11:00", "old one");
    add(QDate(2026, 12, 2), "11:00", "old two");
    open();
    window->AlteTermine->trigger();
    ASSERT_EQ(column(5), QStringList({"old two", "old one"}));
    window->toolbarClicked(2);
    EXPECT_EQ(column(5), QStringList({"old one"}));
    EXPECT_EQ(window->ListView1->palette().color(QPalette::Text), QColor(0, 0, 255));
    // Adding releases the toggle and shows the coming appointments in black.
    window->toolbarClicked(1);
    EXPECT_FALSE(window->AlteTermine->isChecked());
    EXPECT_EQ(window->ListView1->palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_TRUE(column(5).isEmpty()); // the edited row lies in the past
    EXPECT_EQ(rows().size(), 2u);
}

TEST_F(EditFixture, DeleteKeyDeletesWithoutAskingAndToolbarAsksFirst) {
    add(QDate(2026, 12, 9), "11:00", "A");
    add(QDate(2026, 12, 10), "11:00", "B");
    open();
    select(1);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(window->ListView1, &del);
    EXPECT_EQ(column(5), QStringList({"A"}));
    EXPECT_TRUE(ui::MessageBox::history().empty());

    ui::MessageBox::setAutoAnswer(QMessageBox::No);
    window->statusPanel2->setText("unchanged");
    window->toolbarClicked(5);
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    const auto& question = ui::MessageBox::history()[0];
    EXPECT_EQ(question.text, QString::fromUtf8("Markierten Termin löschen?"));
    EXPECT_EQ(question.icon, QMessageBox::Critical);
    EXPECT_EQ(question.defaultButton, QMessageBox::No);
    EXPECT_EQ(question.title, "Brisko Moravel");
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(window->statusPanel2->text(), "unchanged");

    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    window->toolbarClicked(5);
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(window->statusPanel2->text(), "0 Termine");
    // Nothing left to delete: nothing happens.
    QApplication::sendEvent(window->ListView1, &del);
    window->toolbarClicked(5);
    EXPECT_TRUE(rows().empty());
}

TEST_F(EditFixture, SearchButtonOnlyRefreshesTheCount) {
    add(QDate(2026, 12, 9), "11:00", "A");
    open();
    window->statusPanel2->setText("stale");
    window->toolbarClicked(4);
    EXPECT_EQ(window->statusPanel2->text(), "1 Termin");
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(EditFixture, MonitorStartsFromThePlannersDirectory) {
    RecordingPlatform platform;
    ui::Platform::setInstance(&platform);
    open();
    const QString monitor = location::programDirectory() + "/Wardolin";

    window->mnuTerminStarten->trigger(); // no IstAktiv: no question
    EXPECT_EQ(platform.started, QStringList({monitor}));
    EXPECT_TRUE(ui::MessageBox::history().empty());

    settings::write("Termin", "IstAktiv", "1");
    ui::MessageBox::setAutoAnswer(QMessageBox::No);
    window->mnuTerminStarten->trigger();
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_EQ(ui::MessageBox::history()[0].text,
              QString::fromUtf8("Wardolin läuft bereits.\nSoll die Wardolin "
                                "trotzdem neu gestartet werden?    "));
    EXPECT_EQ(ui::MessageBox::history()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(ui::MessageBox::history()[0].defaultButton, QMessageBox::No);
    EXPECT_EQ(platform.started.size(), 1);

    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    window->mnuTerminStarten->trigger();
    EXPECT_EQ(platform.started.size(), 2);

    ui::MessageBox::clearHistory();
    window->toolbarClicked(10); // at once, whatever IstAktiv says
    EXPECT_EQ(platform.started, QStringList({monitor, monitor, monitor}));
    EXPECT_TRUE(ui::MessageBox::history().empty());
    ui::Platform::setInstance(nullptr);
}

TEST_F(EditFixture, WebCommandsAreDisabledWithoutAnAddress) {
    open();
    EXPECT_FALSE(window->mnuInternet->isEnabled());
    EXPECT_EQ(window->toolbarButtons.size(), 11);
    EXPECT_TRUE(window->toolbarButtons[5]->isSeparator());
    EXPECT_TRUE(window->toolbarButtons[7]->isSeparator());
    EXPECT_EQ(window->toolbarButtons[0]->text(), QString::fromUtf8("Hinzu&fügen"));
    EXPECT_EQ(window->toolbarButtons[9]->toolTip(), "Wardolin starten");
}

TEST_F(EditFixture, SpecialDayLabelFollowsTheDateField) {
    open();
    const std::pair<QDate, const char*> cases[] = {
        {QDate(2024, 2, 14), "Aschermittwoch"},  {QDate(2023, 12, 24), "4. Advent"},
        {QDate(2026, 12, 31), "Silvester"},      {QDate(2027, 1, 2), ""},
        {QDate(2026, 11, 18), "Buß und Bettag"}, {QDate(2026, 11, 20), ""}};
    for (auto [day, name] : cases) {
        window->DTPicker1->setDate(day);
        EXPECT_EQ(window->Label6->text(), QString::fromUtf8(name)) << day.toString().toStdString();
    }
    window->setPickerValue(QDateTime(QDate(2024, 2, 14), QTime(9, 30)));
    EXPECT_EQ(window->Label6->text(), "");
    window->MonthView1->setSelectedDate(QDate(2026, 12, 25));
    EXPECT_EQ(window->DTPicker1->date(), QDate(2026, 12, 25));
    EXPECT_EQ(window->Label6->text(), "1. Weihnachtstag");
}
