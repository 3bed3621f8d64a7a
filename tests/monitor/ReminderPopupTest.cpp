#include "MonitorFixture.h"

#include "BeepPattern.h"
#include "DateSerial.h"
#include "NextWakeup.h"
#include "frmZeittermin.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <sqlite3.h>

#include <cstdio>
#include <functional>

using namespace moravel;
using namespace moravel::test;

namespace {

const QDate kMonday(2026, 3, 9);

void clickOn(QWidget* widget) {
    const QPointF inside(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(inside);
    QMouseEvent press(QEvent::MouseButtonPress, inside, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

monitor::BeepPattern& beeps(const monitor::frmZeittermin& popup) {
    return *child<monitor::BeepPattern>(popup, "beepPattern");
}

// Plays the rest of a running beep pattern by calling its timer's handler.
void finishBeeps(const monitor::frmZeittermin& popup) {
    while (beeps(popup).isPlaying())
        beeps(popup).step();
}

class ReminderPopup : public MonitorTest {
protected:
    ReminderPopup() : MonitorTest(QDateTime(kMonday, QTime(14, 0))) {}

    // Ticks every second from the clock's present moment up to the given time.
    void tickUntil(QTime end) {
        QDateTime tick = env.clock().currentDateTime();
        const QDateTime last(tick.date(), end);
        while ((tick = tick.addMSecs(1000)) <= last)
            tickAt(tick);
    }

    bool popupShown() const { return main->popup() && main->popup()->isVisible(); }
    QString popupSubject() const { return popupShown() ? popupLines()[0] : QString(); }
    QPushButton* button(const char* name) const { return child<QPushButton>(*main->popup(), name); }
    // Ticks every second up to `end` and names the subjects shown, each with the time it came.
    QStringList shownUntil(QTime end) {
        QStringList shown;
        QDateTime tick = env.clock().currentDateTime();
        const QDateTime last(tick.date(), end);
        while ((tick = tick.addMSecs(1000)) <= last) {
            tickAt(tick);
            while (popupShown()) {
                shown << popupSubject() + QLatin1Char(' ') + tick.time().toString();
                button("Command2")->click();
            }
        }
        return shown;
    }

    // Subject, time line and message line of the popup.
    QStringList popupLines() const {
        const monitor::frmZeittermin& popup = *main->popup();
        return {child<QLineEdit>(popup, "Text1")->text(), child<QLabel>(popup, "Label1")->text(),
                child<QLabel>(popup, "Label2")->text()};
    }
};

} // namespace

TEST_F(ReminderPopup, FiveMinuteReminderComesExactlyOnceInEveryPhaseOfTheTimer) {
    addRows({appointmentOn(kMonday, QTime(14, 30), "Zahnarzt", "5")});
    for (int phase = 0; phase < 1000; phase += 9) {
        main.reset();
        env.clock().set(QDateTime(kMonday, QTime(14, 24, 50)).addMSecs(phase));
        startMonitor();
        Command1()->click();
        int shown = 0;
        QDateTime tick = env.clock().currentDateTime();
        for (int second = 0; second < 25; ++second) {
            tickAt(tick = tick.addMSecs(1000));
            if (popupShown()) {
                ++shown;
                EXPECT_EQ(child<QLabel>(*main->popup(), "Label2")->text(),
                          "Sie haben einen Termin in 5 Minuten");
                EXPECT_EQ(child<QLabel>(*main->popup(), "Label1")->text(), "um 14:30 Uhr");
                EXPECT_EQ(child<QLineEdit>(*main->popup(), "Text1")->text(), "Zahnarzt");
                // The five-decimal moment 0,60070 begins at 14:25:00.048.
                const qint64 late = QDateTime(kMonday, QTime(14, 25)).msecsTo(tick);
                EXPECT_TRUE(late >= 48 && late < 1048) << "phase " << phase << ", " << late << " ms";
                child<QPushButton>(*main->popup(), "Command2")->click();
            }
        }
        EXPECT_EQ(shown, 1) << "phase " << phase;
    }
}

TEST_F(ReminderPopup, MessageLineForNowOneMinuteNoLeadAndMarkupShownAsItIs) {
    const QString markup = "<img src=\"/usr/share/pixmaps/debian-logo.png\"><b>5</b>";
    startWatching({appointmentOn(kMonday, QTime(14, 10), "Telefonat", "0"),
                   appointmentOn(kMonday, QTime(14, 21), "Bus", "1"),
                   appointmentOn(kMonday, QTime(14, 30), "Kaffee", ""),
                   appointmentOn(kMonday, QTime(14, 40), "<i>Bericht</i>", markup)});
    const std::vector<std::pair<QTime, QString>> expected = {
        {QTime(14, 10, 1), "Sie haben jetzt einen Termin"},
        {QTime(14, 20, 1), "Sie haben einen Termin in 1 Minute"},
        {QTime(14, 30, 1), "Sie haben einen Termin in  Minuten"},
        {QTime(14, 40, 1), "Sie haben einen Termin in " + markup + " Minuten"}};
    for (const auto& [until, message] : expected) {
        tickUntil(until);
        ASSERT_TRUE(popupShown()) << message.toStdString();
        const monitor::frmZeittermin& popup = *main->popup();
        EXPECT_EQ(child<QLabel>(popup, "Label2")->text(), message);
        for (const char* label : {"Label1", "Label2", "Label3"})
            EXPECT_EQ(child<QLabel>(popup, label)->textFormat(), Qt::PlainText) << label;
        child<QPushButton>(popup, "Command2")->click();
    }
}

TEST_F(ReminderPopup, RemindersDueInOneTickComeOneAfterTheOtherEachWithItsSound) {
    startWatching({appointmentOn(kMonday, QTime(14, 30), "Zahnarzt", "5"),
                   appointmentOn(kMonday, QTime(14, 26), "Bus", "1"),
                   appointmentOn(kMonday, QTime(14, 25), "Anruf", "0")});
    // One tick covers all three moments, as after a resume from suspend.
    tickAt(QDateTime(kMonday, QTime(14, 25, 30)));
    const std::vector<QStringList> expected = {
        {"Anruf", "um 14:25 Uhr", "Sie haben jetzt einen Termin"},
        {"Bus", "um 14:26 Uhr", "Sie haben einen Termin in 1 Minute"},
        {"Zahnarzt", "um 14:30 Uhr", "Sie haben einen Termin in 5 Minuten"}};
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_TRUE(popupShown()) << i;
        EXPECT_EQ(popupLines(), expected[i]);
        finishBeeps(*main->popup());
        EXPECT_EQ(platform.beeps, 4 * int(i + 1));
        EXPECT_EQ(background->shown, 1);
        child<QPushButton>(*main->popup(), "Command2")->click();
    }
    EXPECT_FALSE(popupShown());
    EXPECT_EQ(background->shown, 2);
    EXPECT_TRUE(Timer1()->isActive());
    // The waiting ones sound with the popup when their turn comes, so their notifications do not.
    ASSERT_EQ(notifier.shown.size(), 3u);
    for (const FakeNotifier::Notification& shown : notifier.shown)
        EXPECT_FALSE(shown.sounds) << shown.body.toStdString();
}

TEST_F(ReminderPopup, BeepPatternOnlyWhenThePopupIsCreated) {
    startWatching({appointmentOn(kMonday, QTime(14, 5), "Erster", "0"),
                   appointmentOn(kMonday, QTime(14, 10), "Zweiter", "0"),
                   appointmentOn(kMonday, QTime(14, 15), "Dritter", "0")});
    tickUntil(QTime(14, 5, 1));
    ASSERT_TRUE(popupShown());
    monitor::frmZeittermin* popup = main->popup();
    EXPECT_EQ(platform.beeps, 1);
    std::vector<int> waits;
    while (beeps(*popup).isPlaying()) {
        waits.push_back(beeps(*popup).timer().interval());
        beeps(*popup).step();
    }
    EXPECT_EQ(waits, std::vector<int>({300, 600, 300}));
    EXPECT_EQ(platform.beeps, 4);

    // Dismissed with "&OK": the next reminder shows the same window without a sound, and its
    // notification sounds instead.
    child<QPushButton>(*popup, "Command2")->click();
    EXPECT_FALSE(popup->isVisible());
    EXPECT_TRUE(Timer1()->isActive());
    tickUntil(QTime(14, 10, 1));
    EXPECT_EQ(main->popup(), popup);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(platform.beeps, 4);
    ASSERT_EQ(notifier.shown.size(), 2u);
    EXPECT_EQ((std::vector<bool>{notifier.shown[0].sounds, notifier.shown[1].sounds}),
              (std::vector<bool>{false, true}));

    // The close box brings the main window back and stops monitoring ...
    popup->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->popup(), nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(Timer1()->isActive());
    // ... and after Command1 the next reminder creates the popup anew, with the sound.
    Command1()->click();
    tickUntil(QTime(14, 15, 1));
    ASSERT_TRUE(popupShown());
    finishBeeps(*main->popup());
    EXPECT_EQ(platform.beeps, 8);
    EXPECT_FALSE(notifier.shown.back().sounds);
}

TEST_F(ReminderPopup, NoSoundWhenTheUserHasAskedTheMonitorToEnd) {
    startWatching({appointmentOn(kMonday, QTime(14, 5), "Erster", "0")});
    background->endRequested = true;
    tickUntil(QTime(14, 5, 1));
    ASSERT_TRUE(popupShown());
    EXPECT_FALSE(beeps(*main->popup()).isPlaying());
    EXPECT_EQ(platform.beeps, 0);
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_FALSE(notifier.shown[0].sounds);
}

TEST_F(ReminderPopup, CreationTakesThePictureHidesTheMainWindowAndStaysOnTop) {
    addRows({appointmentOn(kMonday, QTime(14, 5), "Erster", "0")});
    startMonitor();
    ASSERT_TRUE(main->isVisible());
    monitor::frmZeittermin popup(*main);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(popup.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(popup.windowTitle(), "Fälliger Termin!");
    const QImage picture = child<QLabel>(*main, "Image1")->pixmap().toImage();
    const QImage copy = child<QLabel>(popup, "Image1")->pixmap().toImage();
    ASSERT_GE(copy.width(), child<QLabel>(popup, "Image1")->width());
    ASSERT_GE(copy.height(), child<QLabel>(popup, "Image1")->height());
    EXPECT_EQ(copy.pixelColor(0, 0), picture.pixelColor(0, 0));
    // The pictures are drawn from the resources: a gradient behind, a bell in front.
    EXPECT_NE(picture.pixelColor(0, 0), picture.pixelColor(0, picture.height() - 1));
    EXPECT_FALSE(child<QLabel>(popup, "Image2")->pixmap().isNull());
    finishBeeps(popup);
}

TEST_F(ReminderPopup, EveryClickOutsideTheSubjectDismisses) {
    startWatching({appointmentOn(kMonday, QTime(14, 5), "Erster", "0")});
    tickUntil(QTime(14, 5, 1));
    monitor::frmZeittermin* popup = main->popup();
    ASSERT_TRUE(popupShown());
    finishBeeps(*popup);

    clickOn(child<QLineEdit>(*popup, "Text1"));
    EXPECT_TRUE(popup->isVisible());
    int dismissals = 0;
    for (QWidget* target :
         std::initializer_list<QWidget*>{child<QLabel>(*popup, "Label1"), child<QLabel>(*popup, "Label2"),
                                         child<QLabel>(*popup, "Label3"), child<QLabel>(*popup, "Image1")}) {
        popup->zeigeTermin(appointmentOn(kMonday, QTime(14, 5), "Erster", "0"), false);
        clickOn(target);
        EXPECT_FALSE(popup->isVisible()) << target->objectName().toStdString();
        dismissals += popup->isVisible() ? 0 : 1;
    }
    EXPECT_EQ(background->shown, 1 + dismissals);
    EXPECT_TRUE(Timer1()->isActive());
}

TEST_F(ReminderPopup, ASecondReminderWhileOneShowsWaitsBehindItAndTheCloseBoxBringsItOnANewPopup) {
    startWatching({appointmentOn(kMonday, QTime(14, 5), "Erster", "0"),
                   appointmentOn(kMonday, QTime(14, 7), "Zweiter", "1"),
                   appointmentOn(kMonday, QTime(14, 9), "Dritter", "2"),
                   appointmentOn(kMonday, QTime(14, 11), "Vierter", "0")});
    tickUntil(QTime(14, 7, 1));
    monitor::frmZeittermin* popup = main->popup();
    ASSERT_TRUE(popupShown());
    EXPECT_EQ(popupLines(), QStringList({"Erster", "um 14:05 Uhr", "Sie haben jetzt einen Termin"}));

    child<QPushButton>(*popup, "Command2")->click();
    EXPECT_EQ(main->popup(), popup);
    EXPECT_EQ(popupLines(), QStringList({"Zweiter", "um 14:07 Uhr", "Sie haben einen Termin in 1 Minute"}));

    popup->close();
    ASSERT_TRUE(popupShown());
    EXPECT_NE(main->popup(), popup);
    EXPECT_EQ(popupLines(), QStringList({"Dritter", "um 14:09 Uhr", "Sie haben einen Termin in 2 Minuten"}));
    main->popup()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->popup(), nullptr);
    EXPECT_TRUE(main->isVisible());

    // The main window the close box brought pauses monitoring; the reminder due meanwhile comes
    // once on the way back, on a new popup.
    tickUntil(QTime(14, 12));
    EXPECT_EQ(main->popup(), nullptr);
    Command1()->click();
    tickAt(QDateTime(kMonday, QTime(14, 12, 30)));
    ASSERT_TRUE(popupShown());
    EXPECT_EQ(popupSubject(), "Vierter");
    button("Command2")->click();
    tickUntil(QTime(14, 13));
    EXPECT_FALSE(popupShown());
}

TEST_F(ReminderPopup, ADailyReminderAfterMidnightComesOnEveryDayWithoutARestart) {
    startWatching({appointmentOn(kMonday, QTime(0, 0, 20), "Tabletten", "0", "0", "1")});
    for (int day = 1; day <= 3; ++day) {
        const QDate date = kMonday.addDays(day);
        tickAt(QDateTime(date.addDays(-1), QTime(23, 59, 59)));
        for (int second = 0; second <= 21; ++second)
            tickAt(QDateTime(date, QTime(0, 0, second)));
        ASSERT_TRUE(popupShown()) << date.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(popupLines(), QStringList({"Tabletten", "um 00:00 Uhr", "Sie haben jetzt einen Termin"}));
        child<QPushButton>(*main->popup(), "Command2")->click();
        EXPECT_EQ(Label1()->text(), "Sie haben 1 aktuellen Termin");
    }
    // Renewed as at a start: one live row, each passed day kept locked.
    const std::vector<Appointment> rows = TerminStore::open(env.databasePath())->mainList();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.back().sysGesperrt, "0");
    EXPECT_EQ(rows.back().TerminDatum, QString::number(serial::dayNumber(kMonday.addDays(3))));
}

TEST_F(ReminderPopup, AFileReplacedByRenameIsReadFromTheNextTickOn) {
    startWatching({appointmentOn(kMonday, QTime(18, 0), "Vorher")});
    // A backup restored as another file that takes the place of the open one.
    const QString restored = env.dataDir() + "/Sicherung.mdb";
    {
        const auto backup = TerminStore::open(restored);
        ASSERT_TRUE(backup->insert(appointmentOn(kMonday, QTime(14, 0, 5), "Aus der Sicherung")));
    }
    ASSERT_EQ(std::rename(QFile::encodeName(restored).constData(),
                          QFile::encodeName(env.databasePath()).constData()),
              0);
    tickUntil(QTime(14, 0, 6));
    ASSERT_TRUE(popupShown());
    EXPECT_EQ(popupLines()[0], "Aus der Sicherung");
    EXPECT_EQ(Label1()->text(), "Sie haben 1 aktuellen Termin");
}

TEST_F(ReminderPopup, AHugeSubjectIsShownByItsBeginningAndStaysWholeInTheTable) {
    const QString subject = QString(10 * 1024 * 1024, QLatin1Char('x'));
    startWatching({appointmentOn(kMonday, QTime(14, 0, 2), subject)});
    tickUntil(QTime(14, 0, 2));
    ASSERT_TRUE(popupShown());
    EXPECT_EQ(popupLines()[0], subject.first(monitor::kShownChars));
    EXPECT_EQ(List1()->item(0)->text(), "Betreff:  " + subject.first(monitor::kShownChars));
    EXPECT_EQ(TerminStore::open(env.databasePath())->mainList()[0].Betreff.size(), subject.size());
}

TEST_F(ReminderPopup, SpaeterErinnernRemindsOnceAfterTheChosenMinutesWithTheSameTexts) {
    startWatching({appointmentOn(kMonday, QTime(14, 5), "Zahnarzt", "0"),
                   appointmentOn(kMonday, QTime(15, 0), "Kaffee")});
    tickUntil(QTime(14, 5, 1));
    ASSERT_TRUE(popupShown());
    const QStringList first = popupLines();
    auto* minutes = child<QComboBox>(*main->popup(), "Combo1");
    EXPECT_EQ(minutes->currentText(), "10 Min.");
    EXPECT_EQ(minutes->count(), 5);
    QTest::keyClick(minutes, Qt::Key_Down);
    button("Command3")->click();
    EXPECT_FALSE(popupShown());
    EXPECT_EQ(background->shown, 2);
    // The timer aims at the reminder's return.
    tickAt(QDateTime(kMonday, QTime(14, 19, 31)));
    EXPECT_EQ(Timer1()->interval(), 30000);
    tickUntil(QTime(14, 20));
    EXPECT_FALSE(popupShown());
    // Due while another program holds the file: it comes once the row can be looked at.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(env.databasePath().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    tickUntil(QTime(14, 20, 1));
    EXPECT_FALSE(popupShown());
    EXPECT_EQ(Timer1()->interval(), monitor::kBusyRetryMs);
    sqlite3_close(other);
    tickAt(QDateTime(kMonday, QTime(14, 20, 1, 200)));
    ASSERT_TRUE(popupShown());
    EXPECT_EQ(popupLines(), first);

    // Once: closed with the close box, it does not come again; a new popup keeps the choice.
    main->popup()->close();
    Command1()->click();
    tickUntil(QTime(15, 0, 1));
    ASSERT_EQ(popupSubject(), "Kaffee");
    EXPECT_EQ(child<QComboBox>(*main->popup(), "Combo1")->currentText(), "15 Min.");
}

TEST_F(ReminderPopup, ASnoozedReminderComesAgainOnlyWhileItsRowIsUnchanged) {
    const auto store = TerminStore::open(env.databasePath());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(env.databasePath().toUtf8().constData(), &other), SQLITE_OK);
    const auto sql = [other](const QString& statement) {
        return sqlite3_exec(other, statement.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    };
    const struct {
        const char* subject;
        std::function<bool(qint64 id)> change;
        bool again;
    } cases[] = {
        {"Unverändert", [](qint64) { return true; }, true},
        {"Gelöscht", [&](qint64 id) { return store->remove(id); }, false},
        {"Im Planer bearbeitet",
         [&](qint64 id) {
             return bool(
                 store->replace(id, appointmentOn(kMonday, QTime(14, 3), "Im Planer bearbeitet", "1")));
         },
         false},
        {"Anderswo bearbeitet",
         [&](qint64 id) {
             return sql(QStringLiteral("UPDATE tblTermin SET Betreff = 'Neu' WHERE ID = %1").arg(id));
         },
         false},
        {"Erneuert",
         [&](qint64 id) {
             return sql(QStringLiteral("UPDATE tblTermin SET sysGesperrt = '1' WHERE ID = %1").arg(id));
         },
         true},
    };
    std::vector<Appointment> rows;
    for (int i = 0; i < int(std::size(cases)); ++i)
        rows.push_back(appointmentOn(kMonday, QTime(14, 1 + i), cases[i].subject));
    startWatching(rows);
    QStringList expected;
    for (const auto& row : cases) {
        tickUntil(env.clock().currentDateTime().time().addSecs(61));
        ASSERT_EQ(popupSubject(), row.subject);
        const qint64 id = std::find_if(rows.begin(), rows.end(),
                                       [&row](const Appointment& a) { return a.Betreff == row.subject; }) -
                          rows.begin() + 1;
        button("Command3")->click();
        ASSERT_TRUE(row.change(id)) << row.subject;
        if (row.again)
            expected << row.subject;
    }
    QStringList given;
    for (const QString& shown : shownUntil(QTime(14, 30)))
        given << shown.section(QLatin1Char(' '), 0, -2);
    EXPECT_EQ(given, expected);
    sqlite3_close(other);
}

TEST_F(ReminderPopup, TwoSnoozedRemindersDueTogetherComeOneAfterTheOther) {
    startWatching(
        {appointmentOn(kMonday, QTime(14, 5), "Erster"), appointmentOn(kMonday, QTime(14, 10), "Zweiter")});
    tickUntil(QTime(14, 5, 1));
    button("Command3")->click();
    tickUntil(QTime(14, 10, 1));
    ASSERT_EQ(popupSubject(), "Zweiter");
    QTest::keyClick(child<QComboBox>(*main->popup(), "Combo1"), Qt::Key_Up);
    button("Command3")->click();
    EXPECT_EQ(shownUntil(QTime(14, 40)), QStringList({"Erster 14:15:01", "Zweiter 14:15:01"}));
}

TEST_F(ReminderPopup, EachReminderIsADesktopNotificationAndOkOrSpaeterInEitherPlaceEndsBoth) {
    startWatching({appointmentOn(kMonday, QTime(14, 5), "Zahnarzt <b>&</b> Co", "5"),
                   appointmentOn(kMonday, QTime(14, 10), "Bus", "5"),
                   appointmentOn(kMonday, QTime(14, 11), "Zug", "5"),
                   appointmentOn(kMonday, QTime(14, 20), "Kino", "5")});
    tickUntil(QTime(14, 0, 1));
    ASSERT_EQ(notifier.shown.size(), 1u);
    const FakeNotifier::Notification first = notifier.shown[0];
    EXPECT_EQ(first.summary, "Fälliger Termin!");
    EXPECT_EQ(first.body, "Zahnarzt <b>&</b> Co\num 14:05 Uhr\nSie haben einen Termin in 5 Minuten");
    ASSERT_EQ(first.actions.size(), 2u);
    EXPECT_EQ(first.actions[0].label, "OK");
    EXPECT_EQ(first.actions[1].label, "Später erinnern");
    const QString ok = first.actions[0].key;
    const QString later = first.actions[1].key;

    // OK in the popup closes the notification.
    button("Command2")->click();
    EXPECT_FALSE(notifier.shown[0].open);
    // Each reminder is notified when it falls due, also one waiting behind the popup.
    tickUntil(QTime(14, 6, 1));
    ASSERT_EQ(notifier.shown.size(), 3u);
    EXPECT_EQ(popupSubject(), "Bus");
    // "Später erinnern" in the waiting one's notification: it leaves the queue for the minutes
    // last chosen in the popup.
    QTest::keyClick(child<QComboBox>(*main->popup(), "Combo1"), Qt::Key_Up);
    notifier.choose(3, later);
    // OK in the notification closes the popup, and nothing waits behind it any longer.
    notifier.choose(2, ok);
    EXPECT_FALSE(popupShown());
    tickUntil(QTime(14, 11, 1));
    ASSERT_EQ(popupSubject(), "Zug");
    ASSERT_EQ(notifier.shown.size(), 4u);
    notifier.choose(4, later);
    EXPECT_FALSE(popupShown());
    EXPECT_EQ(notifier.open(), 0);

    // Without the wish for notifications there are none, and the popup comes all the same.
    monitor::setDesktopNotificationsWanted(false);
    EXPECT_EQ(shownUntil(QTime(14, 17)), QStringList({"Kino 14:15:00", "Zug 14:16:01"}));
    EXPECT_EQ(notifier.shown.size(), 4u);
}
