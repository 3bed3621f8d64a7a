// The list of frmTermin: coming and past appointments, search box, sorting, selection and legend.
#include "frmTermin.h"

#include "DateSerial.h"
#include "ListModel.h"
#include "ListRows.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "OpenDatabase.h"
#include "Platform.h"
#include "Renewal.h"
#include "SettingsStore.h"
#include "TerminStore.h"
#include "frmTerminGrafik.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

Q_LOGGING_CATEGORY(lcPlannerList, "moravel.planner.list")

namespace moravel::planner {

namespace {
// Blue while the past is shown, black for the coming appointments (0x00BBGGRR).
constexpr quint32 kPastTextColour = 16711680;
constexpr quint32 kComingTextColour = 0;
// Light grey of the search box's resting text.
constexpr quint32 kPlaceholderColour = 12632256;
constexpr double kSearchDays = 5000;
// How soon a change of another program is looked at again while the planner is busy.
constexpr int kFollowRetryMs = 200;
} // namespace

bool frmTermin::searchActive() const {
    const QString text = Text4->text();
    return !text.isEmpty() && text != kSearchPlaceholder;
}

TerminStore* frmTermin::database() const {
    return m_database->store();
}

bool frmTermin::reopenIfReplaced() {
    if (!dbTermin())
        return false;
    if (!dbTermin()->isReplaced())
        return true;
    // Another program put a new file in its place (a restore, a sync tool): that file is the
    // one the user means from now on.
    QString reason;
    if (!m_database->reopenIfReplaced(&reason))
        ui::MessageBox::show(
            this, QMessageBox::Critical, windowTitle(),
            QStringLiteral("Die Termindatenbank wurde durch eine andere Datei ersetzt, die sich "
                           "nicht öffnen lässt:\n%1\n\n%2")
                .arg(QDir::toNativeSeparators(m_database->path()), reason));
    return dbTermin() != nullptr;
}

void frmTermin::followDatabase() {
    connect(m_database, &OpenDatabase::changedElsewhere, this, &frmTermin::followChange);
    // A row taken out for editing belongs to the file that goes; its ID may name another row in
    // the new one.
    connect(m_database, &OpenDatabase::reopening, this, [this] {
        if (m_editing) {
            m_editing.reset();
            m_editOfReplacedFile = true;
        }
    });
}

void frmTermin::followChange() {
    if (m_shutdownDone)
        return;
    // The start-up reads the list itself, with the report of missed appointments that a second
    // pass would give again; a question in front is answered first.
    if (Ladevorgang || QApplication::activeModalWidget()) {
        if (!std::exchange(m_followWaiting, true))
            QTimer::singleShot(kFollowRetryMs, this, [this] {
                m_followWaiting = false;
                followChange();
            });
        return;
    }
    // What another program changed (the monitor's renewal at midnight, a sync, an import)
    // shows at once; the selection stays on its row.
    reloadByToggle();
    showCount();
}

bool frmTermin::readSucceeded(bool failed) {
    if (!failed) {
        m_readFailureTold = false;
        return true;
    }
    const QString reason = dbTermin() ? dbTermin()->lastError() : QString();
    qCWarning(lcPlannerList) << "reading the list failed:" << reason;
    // Told once until a read succeeds again: every reload would fail the same way.
    if (!std::exchange(m_readFailureTold, true))
        ui::MessageBox::show(this, QMessageBox::Warning, windowTitle(),
                             QStringLiteral("Die Termine konnten nicht gelesen werden; die Liste zeigt, "
                                            "was zuletzt gelesen wurde.\n") +
                                 reason);
    return false;
}

std::optional<qint64> frmTermin::currentId() const {
    const QModelIndex current = ListView1->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return m_rows->idAt(current.row());
}

void frmTermin::selectId(std::optional<qint64> id) {
    std::optional<int> row = id ? m_rows->rowOf(*id) : std::nullopt;
    if (!row && m_rows->rowCount() > 0)
        row = 0;
    if (!row)
        return;
    const QModelIndex index = m_rows->index(*row, listrows::Grafik);
    ListView1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
    ListView1->scrollTo(index);
}

void frmTermin::showEntries(std::vector<listrows::ListEntry> rows) {
    // The rest of a first screen goes on below it, where the view has its place and its row.
    const bool rest = std::exchange(m_restOfList, std::nullopt).has_value();
    m_rows->setMoreToRead(false);
    std::vector<qint64> keptRules;
    if (dbTermin() && !dbTermin()->rowsWithKeptRule(keptRules))
        qCWarning(lcPlannerList) << "rows taken as one-offs not read:" << dbTermin()->lastError();
    m_rows->setKeptRules({keptRules.begin(), keptRules.end()});
    const qint64 today = serial::today();
    if (rest && m_rows->extendTo(rows, today))
        return;
    const std::optional<qint64> kept = currentId();
    // The rows come in query order: an arrow from an earlier sort would no longer be true.
    ListView1->header()->setSortIndicatorShown(false);
    m_rows->setRows(std::move(rows), today);
    selectId(kept);
}

void frmTermin::listTheRest() {
    // A pass since has listed everything.
    if (!m_restOfList)
        return;
    EinlesenAusDB();
    // A read that failed leaves the first screen; the next look at its end tries again.
    m_rows->setMoreToRead(m_restOfList.has_value());
    showCount();
}

void frmTermin::EinlesenAusDB() {
    const bool opened = reopenIfReplaced();
    std::vector<listrows::ListEntry> entries;
    listrows::Missed missed;
    const double now = serial::now();
    const qint64 today = serial::today();
    // The start of the program lists its first screen, and the rest when the view reaches its
    // end or a command needs the whole list; the rows that fell due are all read first, for the
    // report.
    const bool firstScreen = Ladevorgang && m_screenFirst;
    const int screenRows = firstScreen ? listrows::kFirstScreenRows : std::numeric_limits<int>::max();
    std::optional<qint64> coming;
    if (opened) {
        const double closedAt =
            numtext::parse(settings::read(settings::kSectionTermin, QStringLiteral("MoravelBeendet")))
                .value_or(now + 100);
        auto take = [&](const Appointment& row) {
            if (m_editing && row.ID == *m_editing)
                return;
            if (const std::optional<qint64> day = listrows::comingDay(row, today))
                entries.push_back(listrows::listEntry(row, *day));
        };
        const auto listed = [today](const TerminStore::RowKey& key) {
            return listrows::isComing(key, today);
        };
        bool read;
        if (searchActive()) {
            // The lower bound is now, not today: what is over today is not found.
            const TerminStore::Rows found = dbTermin()->searchComing(
                numtext::general(now), numtext::general(now + kSearchDays), Text4->text());
            read = !found.failed;
            for (const Appointment& row : found) {
                if (Ladevorgang)
                    missed.check(row, closedAt, now);
                take(row);
            }
        } else {
            // The backlog is renewed in one go; the list is then filled once, from what a pass
            // restarted after every renewal would have seen last.
            if (renewPassedAppointments(*dbTermin(), today, now) < 0 && !m_renewalFailureTold) {
                // Told once: every reload would try again and fail the same way.
                m_renewalFailureTold = true;
                tellWriteFailure(QStringLiteral("Wiederkehrende Termine konnten nicht erneuert werden"));
            }
            // Only at start-up can rows after the last closing count as missed; they lie on the
            // days since, and the years of rows before and ahead are not read for them.
            read = true;
            if (Ladevorgang && closedAt < now) {
                const qint64 firstDay =
                    static_cast<qint64>(std::clamp(std::floor(closedAt), 0.0, static_cast<double>(today)));
                read = dbTermin()->mayFallDueFrom(
                    firstDay, today,
                    [&](const TerminStore::RowKey& key) {
                        return listrows::Missed::fellDue(numtext::parseUtf8(key.TerminDatumUhrzeit), closedAt,
                                                         now);
                    },
                    [&](const Appointment& row) { missed.check(row, closedAt, now); });
            }
            // Passed rows are not listed; a first screen ends the walk.
            int taken = 0;
            read = read && dbTermin()->mainListFrom(
                               today, listed,
                               [&](const Appointment& row) {
                                   ++taken;
                                   take(row);
                               },
                               [&](const TerminStore::RowKey&) { return taken >= screenRows; });
            if (read && taken >= screenRows) {
                coming = dbTermin()->countListedFrom(today, listed);
                read = coming.has_value();
            }
        }
        // A list broken off would pass for all there is, and a missed report for complete.
        if (!readSucceeded(!read))
            return;
    }
    showEntries(std::move(entries));
    if (coming && *coming > m_rows->rowCount()) {
        m_restOfList = static_cast<int>(*coming);
        m_rows->setMoreToRead(true);
    }

    if (Ladevorgang && missed.count > 0)
        ui::MessageBox::show(this, QMessageBox::Information, QStringLiteral("Wardolin"), missed.message());
}

void frmTermin::AlteTermineEinlesenAusDB() {
    std::vector<listrows::ListEntry> entries;
    if (reopenIfReplaced()) {
        const std::optional<QString> search =
            searchActive() ? std::optional<QString>(Text4->text()) : std::nullopt;
        TerminStore::Rows rows =
            dbTermin()->pastList(QString::number(serial::today()), search, listrows::kPastRows);
        if (!readSucceeded(rows.failed))
            return;
        if (m_editing)
            std::erase_if(rows, [this](const Appointment& row) { return row.ID == *m_editing; });
        entries = listrows::pastEntries(rows);
    }
    showEntries(std::move(entries));
}

void frmTermin::setListTextColour(quint32 value) {
    QPalette palette = ListView1->palette();
    palette.setColor(QPalette::Text, ui::colorFromValue(value));
    ListView1->setPalette(palette);
}

void frmTermin::setListTextColourForToggle() {
    setListTextColour(AlteTermine->isChecked() ? kPastTextColour : kComingTextColour);
}

void frmTermin::reloadByToggle() {
    setListTextColourForToggle();
    if (AlteTermine->isChecked())
        AlteTermineEinlesenAusDB();
    else
        EinlesenAusDB();
}

void frmTermin::sortByHeader(int column) {
    const std::optional<int> key = listrows::sortKeyColumn(column);
    if (!key)
        return;
    // A sort is of the whole list.
    listTheRest();
    const std::optional<qint64> kept = currentId();
    m_sortAscending = !m_sortAscending;
    const Qt::SortOrder order = m_sortAscending ? Qt::AscendingOrder : Qt::DescendingOrder;
    m_rows->sort(*key, order);
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(column, order);
    selectId(kept);
}

void frmTermin::showLegend() {
    closeLegend();
    m_legend = new frmTerminGrafik(this);
    m_legend->move(x() + ui::toPixels(100, this), y() + ui::toPixels(1550, this));
    m_legend->show();
}

void frmTermin::closeLegend() {
    if (m_legend)
        m_legend->close();
}

bool frmTermin::searchBoxEvent(QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        QPalette palette = Text4->palette();
        palette.setColor(QPalette::Text, ui::colorFromValue(0));
        Text4->setPalette(palette);
        Text4->clear();
    } else if (event->type() == QEvent::FocusOut) {
        QPalette palette = Text4->palette();
        palette.setColor(QPalette::Text, ui::colorFromValue(kPlaceholderColour));
        Text4->setPalette(palette);
        // The full list comes back after the event that moved the focus: a click into the
        // search result selects the row it hit, and the reload keeps that row by its ID.
        const QSignalBlocker blocker(Text4);
        Text4->setText(kSearchPlaceholder);
        QTimer::singleShot(0, this, [this] {
            reloadByToggle();
            showCount();
        });
    }
    return false;
}

} // namespace moravel::planner
