#include "frmFeiertag.h"

#include "Clock.h"
#include "DateSerial.h"
#include "GermanNames.h"
#include "MessageBox.h"
#include "Pictures.h"
#include "Platform.h"
#include "Sondertage.h"
#include "frmTermin.h"

#include <QDateEdit>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

namespace moravel::planner {

namespace {

constexpr int kStripHeight = 735;
constexpr int kListTop = 780;
constexpr int kListHeightReserve = 1200;
constexpr int kListWidthReserve = 10;
constexpr int kButtonFromRight = 800;
constexpr int kStripOverhang = 30;
// Wide enough for "Beenden" under its picture in the usual desktop fonts.
constexpr int kButtonWidth = 750;
// Room for the focus frame and the gap between icon and text of a list cell, in pixels.
constexpr int kDateColumnPadding = 20;

const QColor kTodayText(0, 0, 255);

// The picture strip across the top. It draws itself at whatever width the resize rule gives it.
class PictureStrip : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect area = rect();
        p.drawPixmap(area, pictures::bannerBackground(area.size(), devicePixelRatioF()));
        // A loose row of stars in the gap between the year field and the button.
        const int firstX = ui::toPixels(2950, this);
        const int lastX = area.width() - ui::toPixels(kButtonFromRight + 150, this);
        if (lastX > firstX)
            p.drawTiledPixmap(QRect(firstX, 0, lastX - firstX, area.height()),
                              pictures::stars(area.height(), devicePixelRatioF()), QPoint(0, 0));
        p.setPen(QPen(QColor(16, 48, 100), 1));
        p.drawLine(QPointF(0, area.height() - 0.5), QPointF(area.width(), area.height() - 0.5));
    }
};

// Rows compare the texts of the sort column. For the hidden day numbers that is the date order
// where they have the same count of digits (the years 1928 to 2172).
class TextSortedItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return text(column) < other.text(column);
    }
};

QString listDateText(QDate date) {
    return QLatin1Char(' ') + date.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral("    ") +
           german::weekdayName(date);
}

} // namespace

frmFeiertag::frmFeiertag(frmTermin* owner) : QWidget(owner, Qt::Window), m_owner(owner) {
    setObjectName(QStringLiteral("frmFeiertag"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Feiertagsliste"));
    setWindowIcon(pictures::specialDays());
    buildControls();
    resize(ui::toPixels(kDesignInnerWidth, this), ui::toPixels(kDesignInnerHeight, this));

    DTPicker1->setDate(Clock::currentDate());
    FeiertagsListeEinlesen();
    connect(DTPicker1, &QDateEdit::dateChanged, this, &frmFeiertag::DTPicker1_Change);
}

void frmFeiertag::buildControls() {
    Image1 = new PictureStrip(this);
    Image1->setObjectName(QStringLiteral("Image1"));

    Label1 = new QLabel(QStringLiteral("Feiertage"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    Label1->setFont(bold);
    QPalette onStrip = Label1->palette();
    onStrip.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(onStrip);

    DTPicker1 = new QDateEdit(this);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    DTPicker1->setLocale(QLocale(QLocale::German, QLocale::Germany));
    DTPicker1->setDisplayFormat(QStringLiteral("yyyy"));
    DTPicker1->setDateRange(QDate(kFirstSpecialYear, 1, 1), QDate(kLastSpecialYear, 12, 31));
    DTPicker1->setAccessibleName(QStringLiteral("Jahr"));

    Command1 = new QToolButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setText(QStringLiteral("Beenden"));
    Command1->setIcon(pictures::closeList());
    Command1->setIconSize(QSize(20, 20));
    Command1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QFont small = Command1->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    Command1->setFont(small);
    connect(Command1, &QToolButton::clicked, this, &QWidget::close);

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("Feiertage"));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setIconSize(QSize(16, 16));
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        QFont tahoma = ListView1->font();
        tahoma.setFamily(QStringLiteral("Tahoma"));
        ListView1->setFont(tahoma);
    }
    ListView1->setHeaderLabels(
        {QStringLiteral("Datum"), QStringLiteral("Feiertag"), QStringLiteral("Datumswert")});
    QHeaderView* header = ListView1->header();
    // The name column takes the room the list has (the hidden sort key does not count as last).
    header->setStretchLastSection(true);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    // 2740 twips hold the longest weekday in Tahoma; a wider font gets the room it needs.
    const int longestDate = ListView1->fontMetrics().horizontalAdvance(listDateText(QDate(2024, 5, 16))) +
                            ListView1->iconSize().width() + kDateColumnPadding;
    ListView1->setColumnWidth(kColumnDatum, std::max(ui::toPixels(2740, this), longestDate));
    // A hidden section has no handle, so the sort key cannot be dragged into view.
    ListView1->setColumnHidden(kColumnDayNumber, true);
    connect(header, &QHeaderView::sectionClicked, this, &frmFeiertag::ListView1_ColumnClick);
    connect(ListView1, &QTreeWidget::itemClicked, this, &frmFeiertag::ListView1_Click);
    // The viewport rather than itemDoubleClicked: a double click beside the rows also counts.
    ListView1->viewport()->installEventFilter(this);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    statusPanel1 = new QLabel(StatusBar1);
    statusPanel1->setObjectName(QStringLiteral("statusPanel1"));
    StatusBar1->addWidget(statusPanel1, 1);

    ui::place(Image1, 0, 0, kDesignInnerWidth + kStripOverhang, kStripHeight);
    ui::place(Label1, 180, 195, 1200, 345);
    ui::place(DTPicker1, 1440, 180, 1275, 375);
    ui::place(Command1, 5580, 120, kButtonWidth, 555);
    ui::place(ListView1, 0, kListTop, kDesignInnerWidth - kListWidthReserve,
              kDesignInnerHeight - kListHeightReserve);
}

void frmFeiertag::FeiertagsListeEinlesen() {
    const int year = DTPicker1->date().year();
    setWindowTitle(QStringLiteral("Feiertage  ") + QString::number(year));

    const QDate today = Clock::currentDate();
    addRow(today, QStringLiteral("Heute"), 2);
    if (QTreeWidgetItem* todayRow = ListView1->topLevelItem(ListView1->topLevelItemCount() - 1))
        todayRow->setForeground(kColumnDatum, kTodayText);
    for (const Sondertag& day : SondertageDesJahres(year))
        addRow(day.Datum, day.Name, day.Bildindex);

    // The list keeps its own order: new rows take their place in the current sort.
    ListView1->sortItems(m_sortColumn, m_sortOrder);
}

void frmFeiertag::addRow(QDate date, const QString& name, int iconIndex) {
    auto* row =
        new TextSortedItem(QStringList{listDateText(date), name, QString::number(serial::dayNumber(date))});
    row->setData(kColumnDatum, kIconIndexRole, iconIndex);
    row->setIcon(kColumnDatum, pictures::specialDayRow(iconIndex));
    ListView1->addTopLevelItem(row);
}

void frmFeiertag::DTPicker1_Change() {
    ListView1->clear();
    FeiertagsListeEinlesen();
}

void frmFeiertag::Form_Resize() {
    // Each step stands alone; one whose size would come out negative is skipped.
    const double outerWidth = ui::toTwips(frameGeometry().width(), this);
    if (outerWidth > kMaxOuterWidth) {
        const int frame = frameGeometry().width() - width();
        resize(ui::toPixels(kMaxOuterWidth, this) - frame, height());
    }
    const double innerWidth = ui::toTwips(width(), this);
    const double innerHeight = ui::toTwips(height(), this);

    if (innerWidth - kListWidthReserve >= 0)
        ListView1->resize(ui::toPixels(innerWidth - kListWidthReserve, this), ListView1->height());
    Command1->move(ui::toPixels(innerWidth - kButtonFromRight, this), Command1->y());
    if (innerHeight - kListHeightReserve >= 0)
        ListView1->resize(ListView1->width(), ui::toPixels(innerHeight - kListHeightReserve, this));
    Image1->resize(ui::toPixels(innerWidth + kStripOverhang, this), Image1->height());

    // The status bar keeps to the bottom edge below the list.
    const int statusHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
}

void frmFeiertag::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmFeiertag::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Form_Resize();
}

void frmFeiertag::ListView1_ColumnClick(int column) {
    m_sortColumn = column == kColumnDatum ? kColumnDayNumber : kColumnName;
    m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    ListView1->sortItems(m_sortColumn, m_sortOrder);
}

void frmFeiertag::ListView1_Click() {
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (!selected.isEmpty())
        statusPanel1->setText(selected.first()->text(kColumnName));
}

void frmFeiertag::ListView1_DblClick() {
    if (!m_owner)
        return;
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty()) {
        takeOverFailed();
        return;
    }
    // Copied before asking: the row belongs to the list, the texts are needed after the answer.
    const QString name = selected.first()->text(kColumnName);
    const QString dateText = selected.first()->text(kColumnDatum).left(11).trimmed();

    const QMessageBox::StandardButton answer = ui::MessageBox::show(
        this, QMessageBox::Question, QStringLiteral("Brisko Moravel"),
        name + QLatin1Char('\n') + QStringLiteral("als Termin übernehmen?") + QString(17, QLatin1Char(' ')),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;

    const QDate date = QDate::fromString(dateText, QStringLiteral("dd.MM.yyyy"));
    if (!date.isValid()) {
        takeOverFailed();
        return;
    }
    m_owner->offerAppointment(name, QDateTime(date, QTime(0, 0)));
    close();
}

void frmFeiertag::takeOverFailed() {
    m_owner->offerAppointment(QString(), Clock::currentDateTime());
    close();
}

bool frmFeiertag::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && watched == ListView1->viewport() &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        ListView1_DblClick();
    return QWidget::eventFilter(watched, event);
}

} // namespace moravel::planner
