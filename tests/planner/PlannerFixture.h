#pragma once

#include "DateSerial.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "Pictures.h"
#include "TerminStore.h"
#include "TestEnvironment.h"
#include "frmTermin.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include <gtest/gtest.h>

// A planner window on a private database, settings home and clock (7 Dec 2026, 10:00 unless set).
class PlannerFixture : public ::testing::Test {
protected:
    moravel::test::TestEnvironment env;
    std::unique_ptr<moravel::TerminStore> store = moravel::TerminStore::open(env.databasePath());
    std::unique_ptr<moravel::planner::frmTermin> window;

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

    moravel::planner::frmTermin& open() {
        window = std::make_unique<moravel::planner::frmTermin>();
        window->Form_Load();
        return *window;
    }

    // The window's own controls, by their object names.
    template <typename T = QWidget> T* child(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    QString text(const char* name) const { return child<QLabel>(name)->text(); }
    QAction* action(const char* name) const { return child<QAction>(name); }
    void trigger(const char* name) const { action(name)->trigger(); }
    QTreeView* list() const { return child<QTreeView>("ListView1"); }

    QVariant data(int row, int column, int role = Qt::DisplayRole) const {
        return list()->model()->index(row, column).data(role);
    }
    QStringList column(int c) const {
        QStringList out;
        for (int i = 0; i < count(); ++i)
            out << data(i, c).toString();
        return out;
    }
    int count() const { return list()->model()->rowCount(); }
    QColor foreground(int row, int column = 0) const {
        return data(row, column, Qt::ForegroundRole).value<QBrush>().color();
    }
    // The day-class icon number (from 1) of a row's marker, 0 when it shows none of them.
    int marker(int row) const {
        const QIcon shown = data(row, 0, Qt::DecorationRole).value<QIcon>();
        const std::vector<QIcon> markers = moravel::planner::pictures::listMarkers();
        for (size_t i = 0; i < markers.size(); ++i) {
            if (!shown.isNull() && !markers[i].isNull() &&
                shown.pixmap(16, 16).toImage() == markers[i].pixmap(16, 16).toImage())
                return static_cast<int>(i) + 1;
        }
        return 0;
    }
    // The listed row whose subject this is, made current and selected as a click would.
    void select(int row) const {
        list()->selectionModel()->setCurrentIndex(
            list()->model()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    // The subject of the row a command acts on, as the user sees it selected.
    QString selectedSubject() const {
        const QModelIndexList rows = list()->selectionModel()->selectedRows(5);
        return rows.size() == 1 ? rows.first().data().toString() : QString("<%1 selected>").arg(rows.size());
    }
};
