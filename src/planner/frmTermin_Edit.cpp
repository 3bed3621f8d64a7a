// The entry fields of frmTermin and the commands that change the table.
#include "frmTermin.h"

#include "Clock.h"
#include "DateSerial.h"
#include "EntryFields.h"
#include "ListRows.h"
#include "MessageBox.h"
#include "TerminStore.h"

#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

using namespace moravel;

void frmTermin::connectEntryFields() {
    for (QObject* watched :
         std::initializer_list<QObject*>{Text1, Text2, Text3, MaskEdBox1, LabelTerminAm, LabelUm, Image2})
        watched->installEventFilter(this);
    ListView1->installEventFilter(this);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { ListviewEintragKopieren(); });
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
        if (watched == Text3)
            Text3->setText(entry::correctedLeadDays(Text3->text()));
        else if (watched == Text2)
            Text2->setText(entry::correctedLeadMinutes(Text2->text()));
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
            TerminLoeschen();
            showCount();
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

void frmTermin::bottonHinzufuegen() {
    if (const std::optional<QString> refusal =
            entry::addingRefusal(DTPicker1->date(), Combo2->currentIndex())) {
        ui::MessageBox::show(this, QMessageBox::Information, QStringLiteral("Hinweis"), *refusal);
        return;
    }
    AlteTermine->setChecked(false);
    setListTextColourForToggle();
    if (!TerminSpeichern())
        return;
    EingabeFelderLeeren();
    EinlesenAusDB();
}

bool frmTermin::TerminSpeichern() {
    if (!dbTermin)
        return false;
    entry::Fields fields;
    fields.subject = Text1->text();
    fields.day = DTPicker1->date();
    fields.time = MaskEdBox1->text();
    fields.recurrence = Combo2->currentIndex();
    fields.leadDays = Text3->text();
    fields.leadMinutes = Text2->text();
    fields.remarks = RichTextBox1->toPlainText();
    const std::optional<Appointment> row = entry::newRow(fields, serial::now());
    return row && dbTermin->insert(*row).has_value();
}

std::optional<Appointment> frmTermin::selectedRow(QTreeWidgetItem** item) const {
    QTreeWidgetItem* selected = ListView1->currentItem();
    if (!selected || ListView1->indexOfTopLevelItem(selected) < 0)
        selected = ListView1->topLevelItem(0);
    if (!selected || !dbTermin)
        return std::nullopt;
    bool ok = false;
    const qint64 id = selected->text(listrows::ID).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    if (item)
        *item = selected;
    return dbTermin->find(id);
}

void frmTermin::fillFieldsFrom(QTreeWidgetItem* item, const Appointment& row) {
    const QDate day = QDate::fromString(item->text(listrows::Datum).left(10), QStringLiteral("dd.MM.yyyy"));
    setPickerValue(QDateTime(day, QTime(0, 0)));
    const QString time = item->text(listrows::Uhrzeit);
    MaskEdBox1->setText(time.isEmpty() ? QStringLiteral("00:00") : time);
    Text3->setText(item->text(listrows::Vortage));
    Text2->setText(row.VorMinuten);
    Text1->setText(item->text(listrows::Betreff));
    Combo2->setCurrentIndex(entry::positionOfLetter(item->text(listrows::Whg)));
    RichTextBox1->setPlainText(row.Bemerkungen);
}

void frmTermin::ListviewEintragKopieren() {
    QTreeWidgetItem* item = nullptr;
    if (const std::optional<Appointment> row = selectedRow(&item))
        fillFieldsFrom(item, *row);
}

void frmTermin::bottonBearbeiten() {
    QTreeWidgetItem* item = nullptr;
    const std::optional<Appointment> row = selectedRow(&item);
    if (!row)
        return;
    fillFieldsFrom(item, *row);
    // Until it is added again, the appointment exists only in the entry fields.
    dbTermin->remove(row->ID);
    reloadByToggle();
    Text1->setFocus();
}

void frmTermin::TerminLoeschen() {
    const std::optional<Appointment> row = selectedRow();
    if (!row || !dbTermin->remove(row->ID))
        return;
    reloadByToggle();
}
