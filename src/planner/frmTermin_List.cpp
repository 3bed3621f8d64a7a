// The list of frmTermin: coming and past appointments, search box, sorting and legend.
#include "frmTermin.h"

#include "DateSerial.h"
#include "DayClass.h"
#include "ListItems.h"
#include "ListRows.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "Pictures.h"
#include "Platform.h"
#include "Renewal.h"
#include "SettingsStore.h"
#include "TerminStore.h"
#include "frmTerminGrafik.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

using namespace moravel;

namespace {
// Blue while the past is shown, black for the coming appointments (0x00BBGGRR).
constexpr quint32 kPastTextColour = 16711680;
constexpr quint32 kComingTextColour = 0;
// Light grey of the search box's resting text.
constexpr quint32 kPlaceholderColour = 12632256;
constexpr double kSearchDays = 5000;
} // namespace

void frmTermin::buildImageList() {
    // One marker per day class, in the class colour; icon 1 (today) in the banner's blue,
    // icon 7 is not used by any class.
    const qint64 samples[] = {0, 1, 3, 8, 15, 31};
    for (qint64 sample : samples) {
        const DayClass cls = dayClass(sample);
        ImageList1.push_back(
            pictures::listMarker(cls.colour ? ui::colorFromValue(*cls.colour) : QColor(78, 165, 250)));
    }
    ImageList1.push_back(pictures::listMarker(QColor(160, 160, 160)));
    ImageList1.push_back(pictures::listMarker(ui::colorFromValue(*dayClass(-1).colour), true));
}

bool frmTermin::searchActive() const {
    const QString text = Text4->text();
    return !text.isEmpty() && text != kSearchPlaceholder;
}

void frmTermin::fillList(const std::vector<listrows::ListRow>& rows) {
    listrows::showItems(*ListView1, listrows::items(rows, ImageList1));
}

void frmTermin::EinlesenAusDB() {
    ListView1->clear();
    if (!dbTermin)
        return;
    const double now = serial::now();
    const qint64 today = serial::today();
    const double closedAt =
        numtext::parse(settings::read(settings::kSectionTermin, QStringLiteral("MoravelBeendet")))
            .value_or(now + 100);

    std::vector<Appointment> rows;
    if (searchActive()) {
        // The lower bound is now, not today: what is over today is not found.
        rows =
            dbTermin->searchComing(numtext::general(now), numtext::general(now + kSearchDays), Text4->text());
    } else {
        // The backlog is renewed in one go; the list is then filled once, from what a pass
        // restarted after every renewal would have seen last.
        renewPassedAppointments(*dbTermin, today, now);
        // Passed rows are not listed, and only at start-up can those after the last closing
        // count as missed: the years of rows before are not read.
        const bool starting = Ladevorgang;
        qint64 firstDay = today;
        if (starting && closedAt < static_cast<double>(today))
            firstDay = static_cast<qint64>(std::max(std::floor(closedAt), 0.0));
        dbTermin->mainListFrom(
            firstDay,
            [&](const TerminStore::RowKey& key) {
                return listrows::isComing(key, today) ||
                       (starting &&
                        listrows::Missed::fellDue(numtext::parseUtf8(key.TerminDatumUhrzeit), closedAt, now));
            },
            [&rows](const Appointment& row) { rows.push_back(row); });
    }

    listrows::Missed missed;
    if (Ladevorgang) {
        for (const Appointment& row : rows)
            missed.check(row, closedAt, now);
    }
    listrows::showItems(*ListView1, listrows::comingItems(std::move(rows), today, ImageList1));

    if (Ladevorgang && missed.count > 0)
        ui::MessageBox::show(this, QMessageBox::Information, QStringLiteral("Wardolin"), missed.message());
}

void frmTermin::AlteTermineEinlesenAusDB() {
    ListView1->clear();
    if (!dbTermin)
        return;
    const qint64 today = serial::today();
    const std::optional<QString> search =
        searchActive() ? std::optional<QString>(Text4->text()) : std::nullopt;
    fillList(listrows::pastRows(dbTermin->pastList(QString::number(today), search, listrows::kPastLimit - 1),
                                today));
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
    m_sortAscending = !m_sortAscending;
    QList<QTreeWidgetItem*> items;
    while (ListView1->topLevelItemCount() > 0)
        items.append(ListView1->takeTopLevelItem(0));
    const bool ascending = m_sortAscending;
    std::stable_sort(items.begin(), items.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const int order = QString::compare(a->text(*key), b->text(*key), Qt::CaseInsensitive);
        return ascending ? order < 0 : order > 0;
    });
    ListView1->addTopLevelItems(items);
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
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
        Text4->setText(kSearchPlaceholder);
    }
    return false;
}

frmTerminGrafik* frmTermin::legend() const {
    return m_legend.data();
}
