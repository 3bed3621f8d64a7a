#include "frmTermin.h"

#include "DateSerial.h"
#include "NumberText.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "TerminStore.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QUuid>

#include <gtest/gtest.h>

using namespace moravel;

namespace {

double storedTwips(const char* key) {
    return numtext::parse(settings::read(settings::kSectionTermin, QString::fromLatin1(key))).value_or(-1);
}

QString uniqueInstanceName() {
    return QStringLiteral("moravel-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

TEST(frmTerminStartup, FirstStartCreatesTheDatabaseAndKeepsTheDesignGeometry) {
    test::TestEnvironment env;
    frmTermin window;
    const QSize design = window.size();
    EXPECT_EQ(window.Label6->text(), "-");
    window.Form_Load();
    EXPECT_TRUE(QFileInfo::exists(env.databasePath()));
    EXPECT_TRUE(window.database());
    EXPECT_EQ(window.size(), design);
    EXPECT_EQ(window.windowTitle(), "Brisko Moravel");
    EXPECT_EQ(window.statusPanel2->text(), "0 Termine");
    EXPECT_EQ(window.Combo2->count(), 8);
    EXPECT_EQ(window.Combo2->currentText(), "E = einmalig");
    EXPECT_EQ(window.Combo2->itemText(4), QString::fromUtf8("V = vierteljährlich"));
    EXPECT_EQ(window.DTPicker1->date(), QDate(2026, 12, 7));
    EXPECT_EQ(window.DTPicker1->displayFormat(), "dd.MM.yyyy,  dddd");
    EXPECT_EQ(window.DTPicker1->text(), "07.12.2026,  Montag");
    EXPECT_EQ(window.MaskEdBox1->text(), "10:00");
    EXPECT_EQ(window.Text2->text(), "0");
    EXPECT_EQ(window.Text3->text(), "0");
    EXPECT_EQ(window.Label6->text(), ""); // 7 December is no special day
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
    frmTermin window;
    window.Form_Load();
    EXPECT_FALSE(window.database());
    EXPECT_EQ(window.ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(window.statusPanel2->text(), "0 Termine");
    window.close();
    EXPECT_EQ(test::readFile(env.databasePath()), garbage);
}

TEST(frmTerminLayout, NarrowWindowKeepsTheSubjectFieldAtItsMinimum) {
    test::TestEnvironment env;
    frmTermin window;
    window.applyLayout(6500, 8000);
    EXPECT_EQ(window.Text1->width(), ui::toPixels(5900));
    EXPECT_EQ(window.ListView1->width(), ui::toPixels(6430));
    EXPECT_EQ(window.ListView1->height(), ui::toPixels(3900));
    window.applyLayout(9000, 8000);
    EXPECT_EQ(window.Text1->width(), ui::toPixels(7900));
    EXPECT_EQ(window.Toolbar3->width(), ui::toPixels(9000));
    // A height below the reserve leaves the list's height as it was; the other steps still run.
    const int listHeight = window.ListView1->height();
    window.applyLayout(8000, 2000);
    EXPECT_EQ(window.ListView1->height(), listHeight);
    EXPECT_EQ(window.Text1->width(), ui::toPixels(6900));
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
        window.resize(800, 600);
        window.close();
        EXPECT_FALSE(window.database());
    }
    EXPECT_EQ(settings::read("Termin", "MoravelBeendet"), "40179,5");
    EXPECT_DOUBLE_EQ(storedTwips("TerminFensterLeft"), ui::toTwips(150));
    EXPECT_DOUBLE_EQ(storedTwips("TerminFensterTop"), ui::toTwips(90));
    EXPECT_DOUBLE_EQ(storedTwips("TerminFensterWidth"), ui::toTwips(800));
    EXPECT_DOUBLE_EQ(storedTwips("TerminFensterHeight"), ui::toTwips(600));
    EXPECT_FALSE(settings::read("Termin", "MoravelPfad").isEmpty());
    EXPECT_FALSE(settings::read("Termin", "MoravelPfad").endsWith('/'));

    // The next start puts the window back where it was.
    frmTermin again;
    again.Form_Load();
    EXPECT_EQ(again.pos(), QPoint(150, 90));
    EXPECT_EQ(again.size(), QSize(800, 600));
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
