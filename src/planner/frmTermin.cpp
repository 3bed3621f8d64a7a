#include "frmTermin.h"

#include "Clock.h"
#include "Compaction.h"
#include "DataLocation.h"
#include "DateField.h"
#include "DateSerial.h"
#include "EntryFields.h"
#include "ListModel.h"
#include "MessageBox.h"
#include "MonthView.h"
#include "NumberText.h"
#include "OpenDatabase.h"
#include "Pictures.h"
#include "Platform.h"
#include "Recurrence.h"
#include "RunAside.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "Sondertage.h"
#include "TerminStore.h"
#include "WindowGeometry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

namespace moravel::planner {

namespace {

// Title background of both calendars, RGB(78, 165, 250).
const QColor kCalendarTitle(78, 165, 250);

// The upper band (banner, toolbar) and the lower band (entry fields, status bar) in twips;
// the list takes the rest: its height is the inner height less 4100.
constexpr int kBannerHeight = 420;
constexpr int kToolbarTop = 420;
constexpr int kToolbarHeight = 750;
constexpr int kListTop = 1170;
constexpr int kListHeightReserve = 4100;
constexpr int kEntryPanelFromBottom = 2900;
constexpr int kEntryPanelHeight = 2570;
constexpr int kStatusHeight = 330;
constexpr int kSearchWidth = 2700;

QLabel* makeLabel(const QString& text, QWidget* parent, QWidget* buddy = nullptr) {
    auto* label = new QLabel(text, parent);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

} // namespace

frmTermin::frmTermin(SingleInstance* instance, QWidget* parent)
    : QMainWindow(parent), m_instance(instance), m_database(new OpenDatabase(this)) {
    setObjectName(QStringLiteral("frmTermin"));
    setWindowTitle(QStringLiteral("Brisko Moravel"));
    buildControls();
    followDatabase();
    resize(ui::toPixels(kDesignInnerWidth, this),
           ui::toPixels(kDesignInnerHeight, this) + menuBar()->sizeHint().height());

    if (m_instance) {
        m_secondInstance = !m_instance->isPrimary();
        connect(m_instance, &SingleInstance::activationRequested, this, [this] {
            if (isMinimized())
                showNormal();
            show();
            raise();
            activateWindow();
        });
    }
}

frmTermin::~frmTermin() = default;

void frmTermin::buildControls() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    Image1 = new QLabel(m_client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(false);

    Text4 = new QLineEdit(m_client);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text4->setAccessibleName(QStringLiteral("Termin suchen"));

    Toolbar3 = new QToolBar(m_client);
    Toolbar3->setObjectName(QStringLiteral("Toolbar3"));
    Toolbar3->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar3->setIconSize(QSize(20, 20));
    Toolbar3->setMovable(false);

    m_rows = new ListModel(pictures::listMarkers(), this);
    ListView1 = new QTreeView(m_client);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("Termine"));
    ListView1->setModel(m_rows);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setTextElideMode(Qt::ElideNone);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The designed column widths fit the small list font of the original layout.
    QFont listFont = ListView1->font();
    listFont.setPointSizeF(8);
    ListView1->setFont(listFont);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The row a command acts on stays marked while the focus is elsewhere.
    QPalette listPalette = ListView1->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        listPalette.setColor(QPalette::Inactive, role, listPalette.color(QPalette::Active, role));
    ListView1->setPalette(listPalette);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setStretchLastSection(false);
    const int widths[] = {2289, 560, 1400, 700, 790, 5150, 0, 0};
    for (int column = 0; column < listrows::ColumnCount; ++column) {
        if (widths[column] == 0)
            ListView1->setColumnHidden(column, true);
        else
            ListView1->setColumnWidth(column, ui::toPixels(widths[column], this));
    }
    // A click beside the rows would leave the current row unmarked, yet commands act on it.
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!ListView1->selectionModel()->hasSelection())
            selectId(currentId());
    });
    ListView1->setIconSize(QSize(16, 16));
    ListView1->viewport()->installEventFilter(this);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, &frmTermin::sortByHeader);
    // Asked for while the view lays itself out: read after that, not inside it.
    connect(m_rows, &ListModel::moreWanted, this, &frmTermin::listTheRest, Qt::QueuedConnection);

    {
        const QSignalBlocker blocker(Text4);
        QPalette palette = Text4->palette();
        palette.setColor(QPalette::Text, ui::colorFromValue(12632256));
        Text4->setPalette(palette);
        Text4->setText(kSearchPlaceholder);
    }
    Text4->installEventFilter(this);
    connect(Text4, &QLineEdit::textChanged, this, [this] {
        reloadByToggle();
        showCount();
    });

    m_entryPanel = new QWidget(m_client);
    m_entryPanel->setObjectName(QStringLiteral("entryPanel"));
    buildEntryFields(m_entryPanel);
    connectEntryFields();
    buildMenus();
    buildToolbar();

    StatusBar1 = new QStatusBar(m_client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    statusPanel1 = new QLabel(StatusBar1);
    statusPanel1->setObjectName(QStringLiteral("statusPanel1"));
    statusPanel2 = new QLabel(StatusBar1);
    statusPanel2->setObjectName(QStringLiteral("statusPanel2"));
    statusPanel1->setMinimumWidth(ui::toPixels(1500, this));
    statusSync = new QLabel(StatusBar1);
    statusSync->setObjectName(QStringLiteral("statusSync"));
    statusSync->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(statusPanel1);
    StatusBar1->addWidget(statusPanel2, 1);
    StatusBar1->addPermanentWidget(statusSync);

    // Fixed places in twips; what follows the window's size is set by applyLayout.
    ui::place(Image1, 0, 0, kDesignInnerWidth + 20, kBannerHeight);
    ui::place(Text4, kDesignInnerWidth - kSearchWidth - 120, 45, kSearchWidth, 330);
    ui::place(Toolbar3, 0, kToolbarTop, kDesignInnerWidth, kToolbarHeight);
    ui::place(ListView1, 35, kListTop, kDesignInnerWidth - 70, kDesignInnerHeight - kListHeightReserve);
    ui::place(m_entryPanel, 0, kDesignInnerHeight - kEntryPanelFromBottom, kDesignInnerWidth,
              kEntryPanelHeight);
    m_client->installEventFilter(this);
}

void frmTermin::buildEntryFields(QWidget* panel) {
    Text1 = new QLineEdit(panel);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMaxLength(entry::kSubjectLength);
    Text1->setToolTip(QStringLiteral("Termin Beschreibung"));
    QLabel* betreff = makeLabel(QStringLiteral("Betreff:"), panel, Text1);

    DTPicker1 = new DateField(panel);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    // Days are stored and compared as five-digit numbers.
    DTPicker1->setDateRange(serial::dateOfDay(10000), serial::dateOfDay(99999));
    LabelTerminAm = makeLabel(QStringLiteral("Termin am:"), panel, DTPicker1);
    LabelTerminAm->setObjectName(QStringLiteral("LabelTerminAm"));
    LabelTerminAm->setToolTip(QStringLiteral("Klick=Datum setzen"));

    MaskEdBox1 = new QLineEdit(panel);
    MaskEdBox1->setObjectName(QStringLiteral("MaskEdBox1"));
    MaskEdBox1->setInputMask(QStringLiteral("99:99;_"));
    LabelUm = makeLabel(QStringLiteral("um:"), panel, MaskEdBox1);
    LabelUm->setObjectName(QStringLiteral("LabelUm"));
    LabelUm->setToolTip(QStringLiteral("Klick=Uhrzeit setzen"));
    QLabel* uhr = makeLabel(QStringLiteral("Uhr"), panel);

    Image2 = new QLabel(panel);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(pictures::specialDays().pixmap(20, 20));
    Image2->setToolTip(QStringLiteral("Liste der besonderen Tage und Feiertage"));

    Label6 = new QLabel(QStringLiteral("-"), panel);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setTextFormat(Qt::PlainText);
    Label6->setWordWrap(true);
    Label6->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = Label6->font();
    bold.setBold(true);
    Label6->setFont(bold);

    Combo2 = new QComboBox(panel);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Combo2->setToolTip(QStringLiteral("Termin Wiederholungstyp"));
    QLabel* wiederholung = makeLabel(QStringLiteral("Terminwiederholung:"), panel, Combo2);

    Text3 = new QLineEdit(QStringLiteral("0"), panel);
    Text3->setObjectName(QStringLiteral("Text3"));
    QLabel* vorTage = makeLabel(QStringLiteral("Tag(e) vorher melden"), panel, Text3);

    Text2 = new QLineEdit(QStringLiteral("0"), panel);
    Text2->setObjectName(QStringLiteral("Text2"));
    QLabel* vorMinuten = makeLabel(QStringLiteral("Minuten vorher melden"), panel, Text2);

    RichTextBox1 = new QTextEdit(panel);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setAcceptRichText(false);
    RichTextBox1->setTabChangesFocus(true);
    QLabel* beschreibung = makeLabel(QStringLiteral("Termin-\nBeschreibung"), panel, RichTextBox1);
    RichTextBox1->setAccessibleName(QStringLiteral("Termin-Beschreibung"));

    MonthView1 = new MonthView(panel);
    MonthView1->setObjectName(QStringLiteral("MonthView1"));
    MonthView1->setDateRange(serial::dateOfDay(10000), serial::dateOfDay(99999));
    QFont small = MonthView1->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    MonthView1->setFont(small);

    connect(DTPicker1, &DateField::dateChanged, this, [this](QDate date) {
        m_pickerHasTime = false;
        BesondereTage();
        MonthView1->setSelectedDate(date);
    });
    connect(MonthView1, &MonthView::clicked, this, [this](QDate date) { DTPicker1->setDate(date); });
    connect(MonthView1, &MonthView::selectionChanged, this, [this] {
        DTPicker1->setDate(MonthView1->selectedDate());
        BesondereTage();
    });

    // Positions inside the entry panel, in twips. Text1's width follows the window (resize rule).
    // The special day's name may take two lines beside the lead fields.
    ui::place(betreff, 120, 90, 850, 300);
    ui::place(LabelTerminAm, 120, 495, 1000, 300);
    ui::place(DTPicker1, 1150, 465, 3000, 345);
    ui::place(LabelUm, 4280, 495, 380, 300);
    ui::place(MaskEdBox1, 4680, 465, 700, 345);
    ui::place(uhr, 5450, 495, 400, 300);
    ui::place(wiederholung, 120, 900, 1950, 300);
    ui::place(Combo2, 2100, 870, 2080, 345);
    ui::place(Text3, 4300, 870, 500, 345);
    ui::place(vorTage, 4880, 900, 2800, 300);
    ui::place(beschreibung, 120, 1290, 1300, 500);
    ui::place(RichTextBox1, 2100, 1275, 2080, 1230);
    ui::place(Text2, 4300, 1275, 500, 345);
    ui::place(vorMinuten, 4880, 1305, 2800, 300);
    ui::place(Image2, 4300, 1740, 300, 300);
    ui::place(Label6, 4700, 1755, 3000, 600);
    ui::place(MonthView1, 7800, 465, 3150, 2070);
    ui::place(Text1, 1000, 60, kDesignInnerWidth - 1100, 345);
}

void frmTermin::Form_Load(FirstList firstList) {
    m_screenFirst = firstList == FirstList::ScreenFirst;
    Ladevorgang = true;
    // On a thread and a connection of its own: rewriting a long table takes a while, through
    // which the program goes on with its events (a second planner's call, say).
    const QString directory = location::dataDirectory();
    Compaction::Result compacted = Compaction::Result::NotNeeded;
    QString copyKept;
    runAside([&] {
        compacted = Compaction::DatenbankKomprimieren(directory, Compaction::Need::FreePages, &copyKept);
    });
    if (compacted == Compaction::Result::CopyKept)
        ui::MessageBox::show(this, QMessageBox::Warning, QStringLiteral("Hinweis"), copyKept);
    TerminStore::OpenResult opened = TerminStore::OpenResult::Unusable;
    QString reason;
    m_database->open(location::databasePath(), &opened, &reason);
    const QString path = QDir::toNativeSeparators(location::databasePath());
    if (!dbTermin())
        ui::MessageBox::show(this, QMessageBox::Critical, windowTitle(),
                             QStringLiteral("Die Termindatenbank\n%1\nkann nicht geöffnet werden. Die Liste "
                                            "bleibt leer, die Datei bleibt unverändert.\n\n%2")
                                 .arg(path, reason));
    else if (opened == TerminStore::OpenResult::Untrusted)
        ui::MessageBox::show(this, QMessageBox::Warning, windowTitle(),
                             QStringLiteral("%1\n\n%2\n\nMoravel zeigt die Termine, speichert aber keine "
                                            "Änderungen.")
                                 .arg(path, reason));

    Combo2->clear();
    for (const RecurrenceType& type : recurrenceTypes())
        Combo2->addItem(type.text);
    Combo2->setCurrentIndex(0);

    EinlesenAusDB();
    showCount();

    const QDate today = serial::dateOfDay(serial::today());
    DTPicker1->setDate(today);
    DTPicker1->setCalendarTitle(kCalendarTitle);
    MonthView1->setSelectedDate(today);
    MonthView1->setTitleColour(kCalendarTitle);

    BesondereTage();
    frmTerminEinstellen();
    EingabeFelderLeeren();
    MaskEdBox1->setText(Clock::currentDateTime().time().toString(QStringLiteral("hh:mm")));
    statusPanel1->setText(today.toString(QStringLiteral("dd.MM.yyyy")));
    Text1->setFocus();
    Ladevorgang = false;
    startSync();
}

void frmTermin::frmTerminEinstellen() {
    auto stored = [](const char* key) {
        return ui::storedTwips(settings::read(settings::kSectionTermin, QString::fromLatin1(key)));
    };
    QRect frame(pos(), size());
    if (const auto top = stored("TerminFensterTop"))
        frame.moveTop(ui::toPixels(*top, this));
    if (const auto left = stored("TerminFensterLeft"))
        frame.moveLeft(ui::toPixels(*left, this));
    if (const auto width = stored("TerminFensterWidth"); width && *width > 0)
        frame.setWidth(ui::toPixels(*width, this));
    if (const auto height = stored("TerminFensterHeight"); height && *height > 0)
        frame.setHeight(ui::toPixels(*height, this));
    // Whatever was stored, the window comes up where it can be seen, used and closed.
    frame = ui::usableGeometry(frame,
                               QSize(ui::toPixels(kMinimumWidth, this), ui::toPixels(kMinimumHeight, this)),
                               ui::availableAreaFor(frame));
    move(frame.topLeft());
    resize(frame.size());
}

void frmTermin::setPickerValue(const QDateTime& value) {
    DTPicker1->setDate(value.date());
    m_pickerHasTime = value.time() != QTime(0, 0);
    BesondereTage();
}

void frmTermin::BesondereTage() {
    Label6->setText(m_pickerHasTime ? QString() : SondertagZumDatum(DTPicker1->date()));
}

QString frmTermin::countText(int rows) {
    return QString::number(rows) + (rows == 1 ? QStringLiteral(" Termin") : QStringLiteral(" Termine"));
}

void frmTermin::showCount() {
    statusPanel2->setText(countText(m_restOfList.value_or(m_rows->rowCount())));
}

void frmTermin::applyLayout(double innerWidth, double innerHeight) {
    // Each step stands alone: a size that comes out negative is skipped, the rest still apply.
    auto width = [&](QWidget* widget, double twips) {
        if (twips >= 0)
            widget->resize(ui::toPixels(twips, this), widget->height());
    };
    width(Image1, innerWidth + 20);
    width(Toolbar3, innerWidth);
    width(Text1, std::max(innerWidth - 1100, 5900.0));
    width(ListView1, innerWidth - 70);
    if (innerHeight - kListHeightReserve >= 0)
        ListView1->resize(ListView1->width(), ui::toPixels(innerHeight - kListHeightReserve, this));

    // What the rule leaves to the toolkit: the search box sits at the banner's right end, the
    // entry fields and the status bar stay at the bottom.
    Text4->move(ui::toPixels(std::max(innerWidth - kSearchWidth - 120, 0.0), this), Text4->y());
    m_entryPanel->move(0, ui::toPixels(innerHeight - kEntryPanelFromBottom, this));
    m_entryPanel->resize(ui::toPixels(std::max(innerWidth, 0.0), this), m_entryPanel->height());
    StatusBar1->setGeometry(0, ui::toPixels(innerHeight - kStatusHeight, this),
                            ui::toPixels(std::max(innerWidth, 0.0), this), ui::toPixels(kStatusHeight, this));
    Image1->setPixmap(pictures::banner(Image1->size(), devicePixelRatio()));
}

bool frmTermin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text4)
        return searchBoxEvent(event);
    if (entryFieldEvent(watched, event))
        return true;
    if (watched == ListView1->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        if (event->type() == QEvent::MouseButtonPress)
            showLegend();
        else
            closeLegend();
    }
    if (watched == m_client && event->type() == QEvent::Resize) {
        const QSize inner = m_client->size();
        applyLayout(ui::toTwips(inner.width(), this), ui::toTwips(inner.height(), this));
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmTermin::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && m_secondInstance && !m_shutdownDone) {
        // A second planner has gone through its start-up; it hands over to the first one and ends.
        m_instance->notifyPrimary();
        QTimer::singleShot(0, this, [this] { close(); });
    }
    return QMainWindow::event(event);
}

void frmTermin::saveOnShutdown() {
    const QString section = settings::kSectionTermin;
    settings::write(section, QStringLiteral("TerminFensterTop"), numtext::general(ui::toTwips(y(), this)));
    settings::write(section, QStringLiteral("TerminFensterLeft"), numtext::general(ui::toTwips(x(), this)));
    settings::write(section, QStringLiteral("TerminFensterWidth"),
                    numtext::general(ui::toTwips(width(), this)));
    settings::write(section, QStringLiteral("TerminFensterHeight"),
                    numtext::general(ui::toTwips(height(), this)));
    settings::write(section, QStringLiteral("MoravelPfad"), location::programDirectory());
    settings::write(section, QStringLiteral("MoravelBeendet"), numtext::general(serial::now()));
}

void frmTermin::closeEvent(QCloseEvent* event) {
    if (!m_shutdownDone) {
        m_shutdownDone = true;
        // The planner ends with its main window: no other window of it may go on without it.
        closeOwnWindows();
        saveOnShutdown();
        m_database->close();
    }
    event->accept();
}

} // namespace moravel::planner
