// The entry fields of frmTermin and the commands that change the table.
#include "frmTermin.h"

#include "Clock.h"
#include "DataLocation.h"
#include "DateField.h"
#include "DateSerial.h"
#include "EntryFields.h"
#include "ListModel.h"
#include "ListRows.h"
#include "MessageBox.h"
#include "OpenDatabase.h"
#include "TerminStore.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>

#include <utility>

Q_LOGGING_CATEGORY(lcPlannerEdit, "moravel.planner.edit")

namespace moravel::planner {

void frmTermin::connectEntryFields() {
    for (QObject* watched :
         std::initializer_list<QObject*>{Text1, Text2, Text3, MaskEdBox1, LabelTerminAm, LabelUm, Image2})
        watched->installEventFilter(this);
    ListView1->installEventFilter(this);
    connect(ListView1, &QTreeView::doubleClicked, this, [this] { ListviewEintragKopieren(); });
}

bool frmTermin::entryFieldEvent(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::FocusIn:
        if (auto* edit = qobject_cast<QLineEdit*>(watched); edit && edit != Text4) {
            // Deferred: the click that gave the focus would otherwise undo the selection.
            QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
        }
        break;
    case QEvent::FocusOut:
        if (watched == Text3 || watched == Text2)
            settleEntryFields();
        else if (watched == MaskEdBox1)
            MaskEdBox1->setText(entry::correctedTime(MaskEdBox1->text()));
        break;
    case QEvent::MouseButtonRelease:
        if (watched == LabelTerminAm)
            setPickerValue(QDateTime(serial::dateOfDay(serial::today()), QTime(0, 0)));
        else if (watched == LabelUm)
            MaskEdBox1->setText(Clock::currentDateTime().time().toString(QStringLiteral("hh:mm")));
        else if (watched == Image2)
            mnuFeiertag_Click();
        break;
    case QEvent::KeyPress:
        if (watched == ListView1 && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            TerminLoeschen(currentId());
            showCount();
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

bool frmTermin::settleEntryFields() {
    // A toolbar command takes no focus, so what was typed last has not been left yet.
    Text3->setText(entry::correctedLeadDays(Text3->text()));
    Text2->setText(entry::correctedLeadMinutes(Text2->text()));
    return DTPicker1->commitTyped();
}

void frmTermin::bottonHinzufuegen() {
    if (!settleEntryFields())
        return;
    if (const std::optional<QString> refusal =
            entry::addingRefusal(DTPicker1->date(), Combo2->currentIndex())) {
        ui::MessageBox::show(this, QMessageBox::Information, QStringLiteral("Hinweis"), *refusal);
        return;
    }
    const bool pastShown = AlteTermine->isChecked();
    {
        const QSignalBlocker blocker(AlteTermine);
        AlteTermine->setChecked(false);
    }
    setListTextColourForToggle();
    const std::optional<qint64> added = TerminSpeichern();
    if (added) {
        m_editing.reset();
        m_editOfReplacedFile = false;
        EingabeFelderLeeren();
    }
    if (added || pastShown)
        EinlesenAusDB();
    if (added)
        selectId(*added);
}

std::optional<qint64> frmTermin::TerminSpeichern() {
    entry::Fields fields;
    fields.subject = m_heldSubject.value_or(Text1->text());
    fields.day = DTPicker1->date();
    fields.time = MaskEdBox1->text();
    fields.recurrence = Combo2->currentIndex();
    fields.leadDays = Text3->text();
    fields.leadMinutes = Text2->text();
    fields.remarks = RichTextBox1->toPlainText();
    const std::optional<Appointment> row = entry::newRow(fields, serial::now());
    // An invalid time writes nothing, as before, and says nothing.
    const QString what = QStringLiteral("Der Termin wurde nicht gespeichert");
    if (!row)
        return std::nullopt;
    // The edited row was in a file that has been replaced since the list showed the new one.
    if (std::exchange(m_editOfReplacedFile, false)) {
        tellReplaced(what, true);
        return std::nullopt;
    }
    if (!readyToWrite(what, m_editing.has_value()))
        return std::nullopt;
    const std::optional<qint64> id =
        m_editing ? dbTermin()->replace(*m_editing, *row) : dbTermin()->insert(*row);
    if (!id)
        tellWriteFailure(what);
    return id;
}

void frmTermin::tellWriteFailure(const QString& what) {
    const QString reason = dbTermin() ? dbTermin()->lastError() : QString();
    qCWarning(lcPlannerEdit) << what << reason;
    ui::MessageBox::show(this, QMessageBox::Warning, windowTitle(),
                         what + (reason.isEmpty() ? QStringLiteral(".") : QStringLiteral(":\n") + reason));
}

// Before a write: false, and the user told why, when there is no database to write to, or when
// the row the user picked came from a file another program has since replaced (the list then
// shows the new file; its rows may carry the same IDs).
bool frmTermin::readyToWrite(const QString& what, bool onPickedRow) {
    if (!dbTermin()) {
        // Opening failed before; the file may be usable by now (a lock released, a file restored).
        QString reason;
        if (!m_database->open(location::databasePath(), nullptr, &reason)) {
            qCWarning(lcPlannerEdit) << what << reason;
            ui::MessageBox::show(this, QMessageBox::Warning, windowTitle(),
                                 what + QStringLiteral(":\n") + reason);
            return false;
        }
        return true;
    }
    if (!dbTermin()->isReplaced())
        return true;
    if (!onPickedRow)
        return reopenIfReplaced();
    const bool wasEditing = m_editing.has_value();
    m_editing.reset();
    reloadByToggle();
    if (dbTermin())
        tellReplaced(what, wasEditing);
    return false;
}

void frmTermin::tellReplaced(const QString& what, bool wasEditing) {
    ui::MessageBox::show(this, QMessageBox::Warning, windowTitle(),
                         what +
                             QStringLiteral(":\nDie Termindatenbank wurde inzwischen durch eine andere Datei "
                                            "ersetzt; die Liste zeigt jetzt deren Termine.") +
                             (wasEditing
                                  ? QStringLiteral(" „Hinzufügen“ nimmt die Eingaben als neuen Termin auf.")
                                  : QString()));
}

TerminStore::FoundRow frmTermin::selectedRow() const {
    const std::optional<qint64> id = currentId();
    if (!id || !dbTermin())
        return {};
    return dbTermin()->find(*id);
}

void frmTermin::setSubject(const QString& subject) {
    // The field takes what the user types up to its limit, and a longer stored subject whole
    // as long as it can show it quickly; a subject beyond that is kept aside and written back
    // unchanged, while the field shows its start and cannot change it.
    const bool held = subject.size() > listrows::kShownChars;
    m_heldSubject = held ? std::optional<QString>(subject) : std::nullopt;
    Text1->setMaxLength(
        std::max<int>(entry::kSubjectLength, static_cast<int>(listrows::shown(subject).size())));
    Text1->setText(listrows::shown(subject));
    Text1->setReadOnly(held);
    Text1->setToolTip(
        held ? QStringLiteral("Der Betreff ist zu lang, um ihn hier zu ändern; er bleibt erhalten.")
             : QStringLiteral("Termin Beschreibung"));
}

void frmTermin::fillFieldsFrom(const Appointment& row) {
    const std::optional<qint64> day = listrows::dayOf(row);
    const QDate date = day ? serial::dateOfDay(*day) : QDate();
    if (DTPicker1->accepts(date)) {
        setPickerValue(QDateTime(date, QTime(0, 0)));
    } else {
        // The field cannot show the stored day; the day it shows must not pass for the row's.
        ui::MessageBox::show(
            this, QMessageBox::Information, QStringLiteral("Hinweis"),
            QStringLiteral("Der gespeicherte Tag dieses Termins („%1“) lässt sich nicht "
                           "anzeigen. ")
                    .arg(date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy"))
                                        : listrows::shown(row.TerminDatum)) +
                DTPicker1->rangeText() +
                QStringLiteral(" Bitte den Tag eintragen, bevor der Termin hinzugefügt wird."));
    }
    const listrows::ListEntry shown = listrows::listEntry(row, day.value_or(0));
    const QString time = listrows::columnText(shown, listrows::Uhrzeit, 0);
    MaskEdBox1->setText(time.isEmpty() ? QStringLiteral("00:00") : time);
    Text3->setText(shown.leadDays);
    Text2->setText(listrows::shown(row.VorMinuten));
    setSubject(row.Betreff);
    Combo2->setCurrentIndex(entry::positionOfLetter(QString(shown.recurrence)));
    RichTextBox1->setPlainText(row.Bemerkungen);
}

void frmTermin::ListviewEintragKopieren() {
    const TerminStore::FoundRow row = selectedRow();
    if (!readSucceeded(row.failed) || !row)
        return;
    fillFieldsFrom(*row);
    // A copy is a new appointment: an edit still pending ends, its row is listed again.
    if (m_editing) {
        m_editing.reset();
        m_editOfReplacedFile = false;
        reloadByToggle();
    }
}

void frmTermin::bottonBearbeiten() {
    const TerminStore::FoundRow row = selectedRow();
    if (!readSucceeded(row.failed) || !row)
        return;
    fillFieldsFrom(*row);
    // The row leaves the list and lives on in the table until adding replaces it; editing
    // another row or closing the planner leaves it as it is.
    m_editing = row->ID;
    m_editOfReplacedFile = false;
    reloadByToggle();
    Text1->setFocus();
}

void frmTermin::TerminLoeschen(std::optional<qint64> shownId) {
    const QString what = QStringLiteral("Der Termin wurde nicht gelöscht");
    if (!shownId || !readyToWrite(what, true))
        return;
    // Only the row the user saw marked goes: the list may have followed another program's
    // change meanwhile (the monitor's renewal at midnight locks the row and lists its next day).
    const TerminStore::FoundRow row =
        currentId() == shownId ? dbTermin()->find(*shownId) : TerminStore::FoundRow();
    if (row.failed)
        return tellWriteFailure(what);
    // A row of the coming list whose day has passed since is renewed at the next look.
    const bool passedMeanwhile =
        row && !AlteTermine->isChecked() && !listrows::comingDay(*row, serial::today());
    if (!row || passedMeanwhile) {
        qCWarning(lcPlannerEdit) << what << "row" << *shownId << "was changed by another program";
        reloadByToggle();
        ui::MessageBox::show(this, QMessageBox::Warning, windowTitle(),
                             what + QStringLiteral(":\nEin anderes Programm hat ihn inzwischen geändert, "
                                                   "erneuert oder gelöscht; die Liste zeigt jetzt den "
                                                   "aktuellen Stand."));
        return;
    }
    if (!dbTermin()->remove(row->ID)) {
        tellWriteFailure(what);
        return;
    }
    reloadByToggle();
}

void frmTermin::EingabeFelderLeeren() {
    setSubject(QString());
    Text2->setText(QStringLiteral("0"));
    Text3->setText(QStringLiteral("0"));
    RichTextBox1->clear();
}

void frmTermin::offerAppointment(const QString& subject, const QDateTime& day) {
    if (!DTPicker1->accepts(day.date())) {
        ui::MessageBox::show(this, QMessageBox::Information, QStringLiteral("Hinweis"),
                             QStringLiteral("„%1“ am %2 lässt sich nicht übernehmen. ")
                                     .arg(subject, day.date().toString(QStringLiteral("dd.MM.yyyy"))) +
                                 DTPicker1->rangeText());
        return;
    }
    setSubject(subject);
    setPickerValue(day);
    // The start of a new appointment: an edit still pending ends, its row stays as it was.
    if (m_editing) {
        m_editing.reset();
        m_editOfReplacedFile = false;
        reloadByToggle();
    }
}

} // namespace moravel::planner
