#include "frmTermin.h"

#include "DateField.h"
#include "DateSerial.h"
#include "ForeignConnection.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "PlannerStyle.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "TerminStore.h"
#include "TestEnvironment.h"
#include "WindowGeometry.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTextCharFormat>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUuid>

#include <gtest/gtest.h>

using namespace moravel;
using namespace moravel::planner;

namespace {

double storedTwips(const char* key) {
    return numtext::parse(settings::read(settings::kSectionTermin, QString::fromLatin1(key))).value_or(-1);
}

template <typename T = QWidget> T* child(const QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(found) << name;
    return found;
}
QString text(const QWidget& window, const char* name) {
    return child<QLabel>(window, name)->text();
}
int listed(const QWidget& window) {
    return child<QTreeView>(window, "ListView1")->model()->rowCount();
}

QString uniqueInstanceName() {
    return QStringLiteral("moravel-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

TEST(frmTerminStartup, FirstStartCreatesTheDatabaseAndKeepsTheDesignGeometry) {
    test::TestEnvironment env;
    frmTermin window;
    const QSize design = window.size();
    EXPECT_EQ(text(window, "Label6"), "-");
    window.Form_Load();
    EXPECT_TRUE(QFileInfo::exists(env.databasePath()));
    EXPECT_TRUE(window.database());
    EXPECT_EQ(window.size(), design);
    EXPECT_EQ(window.windowTitle(), "Brisko Moravel");
    EXPECT_EQ(text(window, "statusPanel2"), "0 Termine");
    EXPECT_EQ(child<QComboBox>(window, "Combo2")->count(), 8);
    EXPECT_EQ(child<QComboBox>(window, "Combo2")->currentText(), "E = einmalig");
    EXPECT_EQ(child<QComboBox>(window, "Combo2")->itemText(4), QString::fromUtf8("V = vierteljährlich"));
    EXPECT_EQ(child<DateField>(window, "DTPicker1")->date(), QDate(2026, 12, 7));
    EXPECT_EQ(child<DateField>(window, "DTPicker1")->text(), "07.12.2026,  Montag");
    EXPECT_EQ(child<QLineEdit>(window, "MaskEdBox1")->text(), "10:00");
    EXPECT_EQ(child<QLineEdit>(window, "Text2")->text(), "0");
    EXPECT_EQ(child<QLineEdit>(window, "Text3")->text(), "0");
    EXPECT_EQ(text(window, "Label6"), ""); // 7 December is no special day
}

// The start's compaction runs aside: a writer that holds the file as it begins is let go by this
// program's own events meanwhile, and the rewrite goes through. In place, it would wait out its
// time for the writer and leave the free pages for a later start.
TEST(frmTerminStartup, CompactionAtTheStartRunsWhileTheProgramGoesOnWithItsEvents) {
    test::TestEnvironment env;
    {
        const std::unique_ptr<TerminStore> store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
        std::vector<qint64> added;
        for (int i = 0; i < 100; ++i) {
            Appointment a;
            a.Betreff = QString(200, QLatin1Char('x'));
            added.push_back(store->insert(a).value_or(0));
        }
        for (qint64 id : added)
            ASSERT_TRUE(store->remove(id));
        ASSERT_GT(store->freePages().value_or(0), 0);
    }
    test::ForeignConnection writer(env.databasePath());
    ASSERT_TRUE(writer.execute("BEGIN IMMEDIATE"));
    bool letGo = false;
    QTimer::singleShot(0, [&] { letGo = writer.execute("COMMIT"); });
    frmTermin window;
    window.Form_Load();
    EXPECT_TRUE(letGo);
    ASSERT_TRUE(window.database());
    EXPECT_EQ(window.database()->freePages(), 0);
}

TEST(frmTerminStartup, StoredGeometryIsRestoredAndEmptyValuesKeepTheDesign) {
    test::TestEnvironment env;
    settings::write(settings::kSectionTermin, "TerminFensterTop", "1500");
    settings::write(settings::kSectionTermin, "TerminFensterLeft", "");
    settings::write(settings::kSectionTermin, "TerminFensterWidth", "12000");
    frmTermin window;
    const QSize design = window.size();
    const int designLeft = window.x();
    window.Form_Load();
    EXPECT_EQ(window.y(), ui::toPixels(1500));
    EXPECT_EQ(window.x(), designLeft);
    EXPECT_EQ(window.width(), ui::toPixels(12000));
    EXPECT_EQ(window.height(), design.height());
}

TEST(frmTerminStartup, ForeignDatabaseFileIsLeftAsItWasAndTheListIsEmpty) {
    test::TestEnvironment env;
    const QByteArray garbage = QByteArray("\x01\x02garbage that is no database\xff").repeated(64);
    test::writeFile(env.databasePath(), garbage);
    ui::MessageBox::setAutoAnswer(QMessageBox::Ok);
    frmTermin window;
    window.Form_Load();
    EXPECT_FALSE(window.database());
    EXPECT_EQ(listed(window), 0);
    EXPECT_EQ(text(window, "statusPanel2"), "0 Termine");
    // Said at start; adding then writes nothing and says why.
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_EQ(ui::MessageBox::history()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(ui::MessageBox::history()[0].text.contains(env.databasePath()));
    child<QLineEdit>(window, "Text1")->setText("nirgends");
    child<QAction>(window, "bottonHinzufuegen")->trigger();
    ASSERT_EQ(ui::MessageBox::history().size(), 2u);
    EXPECT_TRUE(ui::MessageBox::history()[1].text.startsWith("Der Termin wurde nicht gespeichert:\n"));
    EXPECT_EQ(child<QLineEdit>(window, "Text1")->text(), "nirgends");
    EXPECT_EQ(test::readFile(env.databasePath()), garbage);
    // Once the file is gone (moved aside, restored ...), adding opens the database anew and writes.
    ASSERT_TRUE(QFile::remove(env.databasePath()));
    child<QAction>(window, "bottonHinzufuegen")->trigger();
    EXPECT_EQ(listed(window), 1);
    EXPECT_EQ(TerminStore::open(env.databasePath())->mainList().size(), 1u);
    window.close();
    ui::MessageBox::reset();
}

// A file with SQL of its own that a write would run is shown, never written: the user is told
// why at start, and an add then says it was not saved.
TEST(frmTerminStartup, FileWithTriggersIsShownButNeverWritten) {
    test::TestEnvironment env;
    {
        auto store = TerminStore::open(env.databasePath());
        Appointment row;
        row.TerminDatum = QStringLiteral("46370");
        row.TerminDatumUhrzeit = QStringLiteral("46370,5");
        row.Betreff = QStringLiteral("Bleibt");
        row.Wiederholung = row.sysGesperrt = QStringLiteral("0");
        store->insert(row);
    }
    test::ForeignConnection(env.databasePath())
        .execute(
            QStringLiteral("CREATE TRIGGER weg AFTER INSERT ON tblTermin BEGIN DELETE FROM tblTermin; END"));
    const QByteArray bytes = test::readFile(env.databasePath());
    ui::MessageBox::setAutoAnswer(QMessageBox::Ok);
    frmTermin window;
    window.Form_Load();
    EXPECT_EQ(listed(window), 1);
    ASSERT_EQ(ui::MessageBox::history().size(), 1u);
    EXPECT_EQ(ui::MessageBox::history()[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(ui::MessageBox::history()[0].text.contains("Trigger"));
    child<QLineEdit>(window, "Text1")->setText("neu");
    child<QAction>(window, "bottonHinzufuegen")->trigger();
    ASSERT_EQ(ui::MessageBox::history().size(), 2u);
    EXPECT_TRUE(ui::MessageBox::history()[1].text.startsWith("Der Termin wurde nicht gespeichert"));
    EXPECT_EQ(child<QLineEdit>(window, "Text1")->text(), "neu");
    window.close();
    ui::MessageBox::reset();
    EXPECT_EQ(test::readFile(env.databasePath()), bytes);
}

TEST(frmTerminStartup, TheDateFieldsCalendarIsMadeWhenFirstDroppedDownAsTheStartSetIt) {
    test::TestEnvironment env;
    frmTermin window;
    window.Form_Load();
    window.show();
    // The drop-down calendar waits for its first use (the month view is drawn by itself).
    EXPECT_EQ(window.findChildren<QCalendarWidget*>().size(), 0);

    child<QToolButton>(window, "dateButton")->click();
    auto* field = child<DateField>(window, "DTPicker1");
    QCalendarWidget* calendar = field->calendarWidget();
    EXPECT_EQ(window.findChildren<QCalendarWidget*>().size(), 1);
    EXPECT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->selectedDate(), QDate(2026, 12, 7));
    EXPECT_EQ(calendar->minimumDate(), serial::dateOfDay(10000));
    EXPECT_EQ(calendar->maximumDate(), serial::dateOfDay(99999));
    EXPECT_EQ(calendar->headerTextFormat().background().color(), QColor(78, 165, 250));
    EXPECT_EQ(calendar->findChild<QWidget*>("qt_calendar_navigationbar")->palette().color(QPalette::Window),
              QColor(78, 165, 250));
    Q_EMIT calendar->clicked(QDate(2026, 12, 24));
    EXPECT_EQ(field->date(), QDate(2026, 12, 24));
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_EQ(text(window, "Label6"), "Weihnachten");
}

TEST(frmTerminStartup, PicturesAreOurOwnWhateverIconThemeTheDesktopHas) {
    test::TestEnvironment env;
    // A theme that has a picture for every name a toolbar might ask it for.
    QTemporaryDir themes;
    const QString theme = themes.path() + "/busy/16x16/actions";
    ASSERT_TRUE(QDir().mkpath(theme));
    test::writeFile(themes.path() + "/busy/index.theme",
                    "[Icon Theme]\nName=busy\nDirectories=16x16/actions\n\n[16x16/actions]\nSize=16\n");
    const QByteArray picture = "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'/>";
    for (const char* name :
         {"list-add", "document-edit", "edit-copy", "edit-find", "edit-delete", "document-open-recent",
          "help-contents", "appointment-soon", "application-exit", "go-previous", "go-next"})
        test::writeFile(theme + "/" + name + ".svg", picture);
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    const QString styleName = QApplication::style()->name();
    QIcon::setThemeSearchPaths({themes.path()});
    QIcon::setThemeName("busy");
    // The program's style, as the planner's start sets it.
    QApplication::setStyle(new PlannerStyle(styleName));
    frmTermin window;
    // The date field's drop-down calendar, made at its first use.
    child<QToolButton>(window, "dateButton")->click();
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);

    // The calendar's arrows and the tool bar's extension button.
    for (const char* button : {"qt_calendar_prevmonth", "qt_calendar_nextmonth", "qt_toolbar_ext_button"}) {
        const QIcon icon = window.findChild<QToolButton*>(button)->icon();
        EXPECT_FALSE(icon.isNull()) << button;
        EXPECT_EQ(icon.name(), QString()) << button;
        // Rendered when the program was built, not read as SVG while the window starts.
        EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16))) << button;
    }
    QApplication::setStyle(styleName);

    int pictures = 0;
    for (QAction* action : child<QToolBar>(window, "Toolbar3")->actions()) {
        if (action->isSeparator())
            continue;
        ++pictures;
        EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
        EXPECT_EQ(action->icon().name(), QString()) << action->objectName().toStdString();
        EXPECT_TRUE(action->icon().availableSizes().contains(QSize(20, 20)))
            << action->objectName().toStdString();
    }
    EXPECT_EQ(pictures, 9);
}

TEST(frmTerminLayout, NarrowWindowKeepsTheSubjectFieldAtItsMinimum) {
    test::TestEnvironment env;
    frmTermin window;
    window.applyLayout(6500, 8000);
    auto* subject = child(window, "Text1");
    auto* list = child(window, "ListView1");
    EXPECT_EQ(subject->width(), ui::toPixels(5900));
    EXPECT_EQ(list->width(), ui::toPixels(6430));
    EXPECT_EQ(list->height(), ui::toPixels(3900));
    window.applyLayout(9000, 8000);
    EXPECT_EQ(subject->width(), ui::toPixels(7900));
    EXPECT_EQ(child(window, "Toolbar3")->width(), ui::toPixels(9000));
    // A height below the reserve leaves the list's height as it was; the other steps still run.
    const int listHeight = list->height();
    window.applyLayout(8000, 2000);
    EXPECT_EQ(list->height(), listHeight);
    EXPECT_EQ(subject->width(), ui::toPixels(6900));
}

TEST(frmTerminLayout, CountTextSingularAndPlural) {
    EXPECT_EQ(frmTermin::countText(0), "0 Termine");
    EXPECT_EQ(frmTermin::countText(1), "1 Termin");
    EXPECT_EQ(frmTermin::countText(12), "12 Termine");
}

TEST(frmTerminShutdown, ClosingWritesGeometryPathAndClosingMoment) {
    test::TestEnvironment env;
    env.clock().set(QDateTime(QDate(2010, 1, 1), QTime(12, 0)));
    {
        frmTermin window;
        window.Form_Load();
        window.move(150, 90);
        window.resize(640, 480);
        window.close();
        EXPECT_FALSE(window.database());
    }
    EXPECT_EQ(settings::read("Termin", "MoravelBeendet"), "40179,5");
    EXPECT_DOUBLE_EQ(storedTwips("TerminFensterLeft"), ui::toTwips(150));
    EXPECT_DOUBLE_EQ(storedTwips("TerminFensterTop"), ui::toTwips(90));
    EXPECT_DOUBLE_EQ(storedTwips("TerminFensterWidth"), ui::toTwips(640));
    EXPECT_DOUBLE_EQ(storedTwips("TerminFensterHeight"), ui::toTwips(480));
    EXPECT_FALSE(settings::read("Termin", "MoravelPfad").isEmpty());
    EXPECT_FALSE(settings::read("Termin", "MoravelPfad").endsWith('/'));

    // The next start puts the window back where it was.
    frmTermin again;
    again.Form_Load();
    EXPECT_EQ(again.pos(), QPoint(150, 90));
    EXPECT_EQ(again.size(), QSize(640, 480));
}

TEST(frmTerminSingleInstance, SecondPlannerEndsAtItsFirstActivationAndRaisesTheFirst) {
    test::TestEnvironment env;
    const QString name = uniqueInstanceName();
    SingleInstance first(name);
    ASSERT_TRUE(first.isPrimary());
    SingleInstance second(name);
    ASSERT_FALSE(second.isPrimary());
    QSignalSpy raised(&first, &SingleInstance::activationRequested);

    frmTermin window(&second);
    window.Form_Load();
    window.show();
    env.clock().set(QDateTime(QDate(2026, 12, 7), QTime(11, 30)));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activate);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.database());
    EXPECT_EQ(settings::read("Termin", "MoravelBeendet"), numtext::general(serial::now()));
    EXPECT_TRUE(raised.count() == 1 || raised.wait(2000));
}

TEST(frmTerminSingleInstance, FirstPlannerStaysOnActivation) {
    test::TestEnvironment env;
    SingleInstance only(uniqueInstanceName());
    frmTermin window(&only);
    window.Form_Load();
    window.show();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activate);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.database());
}

TEST(frmTerminStartup, StoredGeometryThatCannotBeSeenIsMadeUsable) {
    const std::array<std::array<const char*, 4>, 4> cases = {{
        {"0", "0", "5", "5"},
        {"1e300", "-1e300", "1e300", "1e300"},
        {"nan", "inf", "-100", "x"},
        {"-90000", "90000", "12000", "9000"},
    }};
    for (const auto& [top, left, width, height] : cases) {
        test::TestEnvironment env;
        settings::write(settings::kSectionTermin, "TerminFensterTop", top);
        settings::write(settings::kSectionTermin, "TerminFensterLeft", left);
        settings::write(settings::kSectionTermin, "TerminFensterWidth", width);
        settings::write(settings::kSectionTermin, "TerminFensterHeight", height);
        frmTermin window;
        window.Form_Load();
        const QRect frame(window.pos(), window.size());
        EXPECT_TRUE(ui::availableAreaFor(frame).contains(frame)) << top << " " << left;
        EXPECT_GE(window.width(),
                  std::min(ui::toPixels(frmTermin::kMinimumWidth), ui::availableAreaFor(frame).width()));
        EXPECT_GE(window.height(),
                  std::min(ui::toPixels(frmTermin::kMinimumHeight), ui::availableAreaFor(frame).height()));
    }
}

TEST(frmTerminLayout, NothingAUserReadsIsCutOrCovered) {
    test::TestEnvironment env;
    frmTermin window;
    window.Form_Load();
    auto* date = child<DateField>(window, "DTPicker1");
    date->setDate(QDate(2026, 9, 24)); // a Thursday in September: the widest day
    EXPECT_GE(date->width(), date->sizeHint().width());
    // The longest special day, Christi Himmelfahrt, on 14 May 2026.
    date->setDate(QDate(2026, 5, 14));
    auto* special = child<QLabel>(window, "Label6");
    ASSERT_EQ(special->text(), "Christi Himmelfahrt, Vatertag");
    EXPECT_LE(special->heightForWidth(special->width()), special->height());

    QWidget* panel = child(window, "entryPanel");
    const QList<QWidget*> widgets = panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* widget : widgets) {
        auto* label = qobject_cast<QLabel*>(widget);
        if (!label || label == special || label->text().isEmpty())
            continue;
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        for (QWidget* other : widgets) {
            EXPECT_TRUE(other == label || !label->geometry().intersects(other->geometry()))
                << label->text().toStdString() << " / " << other->objectName().toStdString();
        }
    }
    auto* list = child<QTreeView>(window, "ListView1");
    const int margin = 2 * list->style()->pixelMetric(QStyle::PM_HeaderMargin);
    for (int column = 0; column < 6; ++column) {
        const QString header = list->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_GE(list->columnWidth(column), list->header()->fontMetrics().horizontalAdvance(header) + margin)
            << header.toStdString();
    }
}

TEST(frmTerminWindows, EachWindowExistsOnceAndAllCloseWithTheMainWindow) {
    test::TestEnvironment env;
    auto window = std::make_unique<frmTermin>();
    window->Form_Load();
    window->show();
    for (const char* command :
         {"mnuFeiertag", "mnuInfo", "bottonHilfe", "mnuFeiertag", "mnuInfo", "bottonHilfe"})
        child<QAction>(*window, command)->trigger();
    const QList<QWidget*> specialDays = window->findChildren<QWidget*>("frmFeiertag");
    ASSERT_EQ(specialDays.size(), 1);
    EXPECT_EQ(window->findChildren<QWidget*>("frmInfo").size(), 1);
    EXPECT_EQ(window->findChildren<QWidget*>("frmHilfe").size(), 1);
    EXPECT_TRUE(specialDays[0]->isVisible());
    QPointer<QWidget> list = specialDays[0];

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(list.isNull() || !list->isVisible());
    // No window is left on screen, so the application ends with its last window.
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
}

TEST(frmTerminWindows, StoredTextIsNeverReadAsMarkup) {
    test::TestEnvironment env;
    {
        std::unique_ptr<TerminStore> store = TerminStore::open(env.databasePath());
        Appointment row;
        row.TerminDatum = "46363";
        row.TerminUhrzeit = "0,25";
        row.TerminDatumUhrzeit = "46363,25";
        row.Betreff = "<img src=\"/etc/passwd\"><b>fett</b>";
        store->insert(row);
    }
    settings::write("Termin", "MoravelBeendet", "46362");
    // The report of missed appointments comes as a real message box.
    Qt::TextFormat format = Qt::RichText;
    QString shown;
    // The start goes on with its events before the box comes (while it compacts).
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer.stop();
        format = box->textFormat();
        shown = box->text();
        box->accept();
    });
    answer.start(0);
    frmTermin window;
    window.Form_Load();
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_TRUE(shown.endsWith("Termin:  <img src=\"/etc/passwd\"><b>fett</b>"));
}
