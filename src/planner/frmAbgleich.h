#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace moravel {
class OpenDatabase;
}

namespace moravel::sync {
struct SyncOutcome;
class SyncEngine;
} // namespace moravel::sync

namespace moravel::planner {

// "Kalender abgleichen (CalDAV)": the calendar collection's address, user and password, a check
// of the connection, a sync now and the automatic sync. The settings go to section "Abgleich",
// the password to the desktop's secret store.
class frmAbgleich : public QDialog {
    Q_OBJECT
public:
    // The check of the connection works on the database's store of the moment.
    frmAbgleich(moravel::OpenDatabase& database, QWidget* parent = nullptr);
    ~frmAbgleich() override;

    // What the last check or sync said.
    void showOutcome(const moravel::sync::SyncOutcome& outcome);

Q_SIGNALS:
    // The settings are kept: the planner syncs now.
    void syncRequested();

private:
    // Keeps what is entered; false when the user did not confirm an unencrypted address.
    bool keep(const std::function<void()>& then);
    void checkConnection();

    moravel::OpenDatabase& m_database;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_automatic = nullptr;
    QLabel* m_result = nullptr;
    std::unique_ptr<moravel::sync::SyncEngine> m_check;
};

} // namespace moravel::planner
