#pragma once

#include "DateSerial.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "TerminStore.h"
#include "TestEnvironment.h"
#include "frmTermin.h"

#include <QTreeWidget>

#include <gtest/gtest.h>

// A planner window on a private database, settings home and clock (7 Dec 2026, 10:00 unless set).
class PlannerFixture : public ::testing::Test {
protected:
    moravel::test::TestEnvironment env;
    std::unique_ptr<moravel::TerminStore> store = moravel::TerminStore::open(env.databasePath());
    std::unique_ptr<frmTermin> window;

    void SetUp() override { moravel::ui::MessageBox::setAutoAnswer(QMessageBox::Ok); }
    void TearDown() override {
        window.reset();
        moravel::ui::MessageBox::reset();
    }

    // A row as the planner's entry fields write it; time "" leaves it without a time.
    qint64 add(QDate day, const QString& time, const QString& subject, const QString& recurrence = "0",
               const QString& vorTage = "0", const QString& vorMinuten = "0") {
        moravel::Appointment a;
        const qint64 number = moravel::serial::dayNumber(day);
        a.TerminDatum = QString::number(number);
        double fraction = 0;
        if (!time.isEmpty()) {
            fraction = moravel::serial::timeFraction(QTime::fromString(time, "hh:mm"));
            a.TerminUhrzeit = moravel::numtext::fixed5(fraction);
            fraction = *moravel::numtext::parse(a.TerminUhrzeit);
        }
        a.TerminDatumUhrzeit = moravel::numtext::general(static_cast<double>(number) + fraction);
        a.Betreff = subject;
        a.Wiederholung = recurrence;
        a.VorTage = vorTage;
        a.VorMinuten = vorMinuten;
        a.sysGesperrt = "0";
        a.TerminDatumUhrzeitMeldung = "0,00000";
        return *store->insert(a);
    }

    void setNow(QDate day, QTime time) { env.clock().set(QDateTime(day, time)); }

    frmTermin& open() {
        window = std::make_unique<frmTermin>();
        window->Form_Load();
        return *window;
    }

    QStringList column(int c) const {
        QStringList out;
        for (int i = 0; i < window->ListView1->topLevelItemCount(); ++i)
            out << window->ListView1->topLevelItem(i)->text(c);
        return out;
    }

    int count() const { return window->ListView1->topLevelItemCount(); }
    QTreeWidgetItem* item(int i) const { return window->ListView1->topLevelItem(i); }
};
