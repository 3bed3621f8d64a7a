#include "MonitorFixture.h"

#include "NumberText.h"
#include "RegionFromBitmap.h"
#include "SettingsStore.h"
#include "frmUhr.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace moravel;
using namespace moravel::test;
using monitor::frmUhr;

namespace {

const QColor kWhite(255, 255, 255);
const QColor kMagenta(255, 0, 255);

QString clockSetting(const QString& key) {
    return settings::read(settings::kSectionSetting, key);
}

// The text's height while the mouse marks it: 200 twips, and never less than the font's line.
int markedHeight(const frmUhr& clock) {
    return std::max(ui::toPixels(200), QFontMetrics(child<QLabel>(clock, "Label1")->font()).height());
}

QColor stripColour(const frmUhr& clock) {
    return child<QLabel>(clock, "Label1")->palette().color(QPalette::Window);
}

// What the clock shows, mask or no mask.
QImage picture(frmUhr& clock) {
    QImage image(clock.size(), QImage::Format_RGB32);
    clock.render(&image, QPoint(), QRegion(),
                 QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    return image;
}

void mouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, local, target->mapToGlobal(local), button, held, {});
    QApplication::sendEvent(target, &event);
}

void hover(frmUhr& clock) {
    mouse(child<QLabel>(clock, "Label1"), QEvent::MouseMove, QPoint(20, 5), Qt::NoButton, Qt::NoButton);
}

} // namespace

class DesktopClock : public MonitorTest {
protected:
    DesktopClock() : MonitorTest(QDateTime(QDate(2026, 12, 7), QTime(13, 45, 9))) {}

    frmUhr& load() {
        clock = std::make_unique<frmUhr>();
        clock->Form_Load();
        return *clock;
    }

    std::unique_ptr<frmUhr> clock;
};

TEST_F(DesktopClock, TextShowsGermanWeekdayDateAndTimeAndRollsOverAtMidnight) {
    EXPECT_EQ(frmUhr::uhrText(QDateTime(QDate(2026, 12, 7), QTime(13, 45, 9))),
              QStringLiteral("Montag, 7. Dezember 26  13:45:09"));
    EXPECT_EQ(frmUhr::uhrText(QDateTime(QDate(2027, 3, 25), QTime(7, 5, 0))),
              QStringLiteral("Donnerstag, 25. März 27  07:05:00"));

    env.clock().set(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
    frmUhr& uhr = load();
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->text(), QStringLiteral("Donnerstag, 31. Dezember 26  23:59:59"));
    env.clock().advanceMs(1000);
    uhr.Timer1_Timer();
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->text(), QStringLiteral("Freitag, 1. Januar 27  00:00:00"));
}

TEST_F(DesktopClock, EmptySettingsGiveGreenDesignColourDesignPlaceAndTheStripsSize) {
    frmUhr& uhr = load();
    EXPECT_EQ(stripColour(uhr), QColor(0, 255, 0));
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->palette().color(QPalette::WindowText),
              uhr.palette().color(QPalette::ButtonText));
    // At least the designed 230 x 13 pixels, and room for the longest date in the font in use,
    // descenders included.
    const QFontMetrics metrics(child<QLabel>(uhr, "Label1")->font());
    const QString longest = frmUhr::uhrText(QDateTime(QDate(2026, 9, 30), QTime(23, 58, 58)));
    EXPECT_GE(uhr.width(), std::max(230, metrics.horizontalAdvance(longest)));
    EXPECT_EQ(uhr.height(), std::max(13, metrics.height()));
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->geometry(), QRect(0, 0, uhr.width(), ui::toPixels(255)));
    EXPECT_EQ(uhr.uhrMarke(), 0);
    const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(uhr.geometry().right(), desktop.right() - 10);
    EXPECT_EQ(uhr.y(), desktop.top() + 40);

    EXPECT_TRUE(child<QTimer>(uhr, "Timer1")->isActive());
    EXPECT_EQ(child<QTimer>(uhr, "Timer1")->interval(), 1000);
    const Qt::WindowFlags flags = uhr.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(child<QLabel>(uhr, "Label1")->font().bold());
    EXPECT_DOUBLE_EQ(child<QLabel>(uhr, "Label1")->font().pointSizeF(), 8.25);
    EXPECT_FALSE(uhr.isVisible());
    // Green covers the whole strip: nothing of it is see-through.
    EXPECT_EQ(uhr.mask(), QRegion(uhr.rect()));
}

TEST_F(DesktopClock, StoredColoursAndPositionAreApplied) {
    settings::write(settings::kSectionSetting, "UhrHintergrund", "0");
    settings::write(settings::kSectionSetting, "UhrFarbe", "65535");
    settings::write(settings::kSectionSetting, "UhrFensterTop", "3000");
    settings::write(settings::kSectionSetting, "UhrFensterLeft", "4500");
    frmUhr& uhr = load();
    EXPECT_EQ(stripColour(uhr), QColor(0, 0, 0));
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(uhr.pos(), QPoint(300, 200));
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->height(), ui::toPixels(255));
}

TEST_F(DesktopClock, OneStoredEdgeMovesOnlyThatEdgeAndATextThatIsNoNumberIsIgnored) {
    const QPoint design = frmUhr().pos();
    settings::write(settings::kSectionSetting, "UhrFensterLeft", "1500");
    settings::write(settings::kSectionSetting, "UhrFensterTop", "oben");
    settings::write(settings::kSectionSetting, "UhrHintergrund", "grün");
    frmUhr& uhr = load();
    EXPECT_EQ(uhr.pos(), QPoint(100, design.y()));
    EXPECT_EQ(stripColour(uhr), QColor(0, 255, 0));
}

TEST_F(DesktopClock, APositionOffTheScreenBringsTheClockBackOntoIt) {
    const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* edge : {"-90000", "1e12", "1e300", "900000"}) {
        settings::write(settings::kSectionSetting, "UhrFensterLeft", edge);
        settings::write(settings::kSectionSetting, "UhrFensterTop", edge);
        EXPECT_TRUE(desktop.contains(load().geometry())) << edge;
    }
}

TEST_F(DesktopClock, TransparentBackgroundTurnsMagentaUnderTheMouseAndBackWithMoveAndTick) {
    settings::write(settings::kSectionSetting, "UhrHintergrund", "16777215");
    frmUhr& uhr = load();
    EXPECT_EQ(stripColour(uhr), kWhite);
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->height(), ui::toPixels(795));

    hover(uhr);
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->height(), markedHeight(uhr));
    EXPECT_EQ(uhr.uhrMarke(), 1);
    EXPECT_EQ(stripColour(uhr), kMagenta);

    // While the mark is set, a tick leaves the highlight.
    uhr.Timer1_Timer();
    EXPECT_EQ(stripColour(uhr), kMagenta);

    hover(uhr);
    EXPECT_EQ(stripColour(uhr), kWhite);
    EXPECT_EQ(uhr.uhrMarke(), 0);

    hover(uhr);
    EXPECT_EQ(stripColour(uhr), kMagenta);
    EXPECT_EQ(uhr.uhrMarke(), 0);
    hover(uhr);
    EXPECT_EQ(stripColour(uhr), kMagenta);

    uhr.Timer1_Timer();
    EXPECT_EQ(stripColour(uhr), kWhite);
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->height(), markedHeight(uhr));
}

TEST_F(DesktopClock, MouseOverAColouredClockOnlyMarksIt) {
    settings::write(settings::kSectionSetting, "UhrHintergrund", "255");
    frmUhr& uhr = load();
    hover(uhr);
    hover(uhr);
    EXPECT_EQ(stripColour(uhr), QColor(255, 0, 0));
    EXPECT_EQ(uhr.uhrMarke(), 1);
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->height(), markedHeight(uhr));
}

TEST_F(DesktopClock, MaskFollowsTheChangingTextAndLeavesEveryWhitePixelOut) {
    settings::write(settings::kSectionSetting, "UhrHintergrund", "16777215");
    settings::write(settings::kSectionSetting, "UhrFarbe", "0");
    env.clock().set(QDateTime(QDate(2026, 5, 4), QTime(1, 11, 11)));
    frmUhr& uhr = load();
    const QRegion atLoad = uhr.mask();
    ASSERT_FALSE(atLoad.isEmpty());

    env.clock().set(QDateTime(QDate(2026, 9, 30), QTime(20, 48, 58)));
    uhr.Timer1_Timer();
    ASSERT_EQ(child<QLabel>(uhr, "Label1")->text(), QStringLiteral("Mittwoch, 30. September 26  20:48:58"));
    const QImage shown = picture(uhr);
    int text = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const bool white = QColor(shown.pixel(x, y)) == kWhite;
            text += white ? 0 : 1;
            EXPECT_EQ(uhr.mask().contains(QPoint(x, y)), !white) << x << "," << y;
        }
    }
    EXPECT_GT(text, 0);
    // The longer text reaches beyond what the mask of the load covered.
    EXPECT_GT(uhr.mask().boundingRect().right(), atLoad.boundingRect().right());
}

TEST_F(DesktopClock, MaskOfAClockWithoutAnythingVisibleKeepsOnePixelInsteadOfShowingTheStrip) {
    settings::write(settings::kSectionSetting, "UhrHintergrund", "16777215");
    settings::write(settings::kSectionSetting, "UhrFarbe", "16777215");
    frmUhr& uhr = load();
    EXPECT_EQ(uhr.mask(), QRegion(0, 0, 1, 1));
    // The highlight makes the strip findable again.
    hover(uhr);
    EXPECT_EQ(uhr.mask().boundingRect(), uhr.rect());
}

TEST_F(DesktopClock, DraggingTheTextMovesTheWindowSavesItsPlaceInTwipsAndTheNextLoadUsesIt) {
    settings::write(settings::kSectionSetting, "UhrFensterLeft", "3000");
    settings::write(settings::kSectionSetting, "UhrFensterTop", "1500");
    settings::write(settings::kSectionSetting, "UhrHintergrund", "16777215");
    frmUhr& uhr = load();
    ASSERT_EQ(uhr.pos(), QPoint(200, 100));

    // Offscreen there is no window manager to move the window; the clock follows the mouse.
    const QPoint grip(20, 5);
    const QPoint global = child<QLabel>(uhr, "Label1")->mapToGlobal(grip);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent event(type, child<QLabel>(uhr, "Label1")->mapFromGlobal(at), at, Qt::LeftButton, held,
                          {});
        QApplication::sendEvent(child<QLabel>(uhr, "Label1"), &event);
    };
    send(QEvent::MouseButtonPress, global, Qt::LeftButton);
    EXPECT_EQ(uhr.uhrMarke(), 1);
    send(QEvent::MouseMove, global + QPoint(30, 20), Qt::LeftButton);
    send(QEvent::MouseMove, global + QPoint(64, 45), Qt::LeftButton);
    EXPECT_EQ(uhr.pos(), QPoint(264, 145));
    EXPECT_EQ(clockSetting("UhrFensterLeft"), QStringLiteral("3000"));
    send(QEvent::MouseButtonRelease, global + QPoint(64, 45), Qt::NoButton);

    EXPECT_EQ(clockSetting("UhrFensterLeft"), QStringLiteral("3960"));
    EXPECT_EQ(clockSetting("UhrFensterTop"), QStringLiteral("2175"));
    // A drag is not mistaken for mouse movement over the text.
    EXPECT_EQ(stripColour(uhr), kWhite);

    frmUhr next;
    next.Form_Load();
    EXPECT_EQ(next.pos(), QPoint(264, 145));
}

TEST_F(DesktopClock, APressBesideTheTextDragsAndThenClearsTheMarkAndRestoresTheTallTransparentText) {
    settings::write(settings::kSectionSetting, "UhrHintergrund", "16777215");
    frmUhr& uhr = load();
    hover(uhr);
    ASSERT_EQ(uhr.uhrMarke(), 1);
    hover(uhr);
    hover(uhr);
    ASSERT_EQ(stripColour(uhr), kMagenta);

    const QPoint from = uhr.pos();
    const QPoint grip = uhr.mapToGlobal(QPoint(2, 2));
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent event(type, uhr.mapFromGlobal(at), at, Qt::RightButton, held, {});
        QApplication::sendEvent(&uhr, &event);
    };
    send(QEvent::MouseButtonPress, grip, Qt::RightButton);
    send(QEvent::MouseMove, grip + QPoint(38, 30), Qt::RightButton);
    send(QEvent::MouseButtonRelease, grip + QPoint(38, 30), Qt::NoButton);
    EXPECT_EQ(uhr.pos(), from + QPoint(38, 30));
    EXPECT_EQ(uhr.uhrMarke(), 0);
    // Still magenta, so the strip stays as high as the mark made it.
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->height(), markedHeight(uhr));
    EXPECT_EQ(clockSetting("UhrFensterLeft"), numtext::general(ui::toTwips(uhr.x())));

    uhr.Timer1_Timer();
    ASSERT_EQ(stripColour(uhr), kWhite);
    mouse(&uhr, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton, Qt::LeftButton);
    mouse(&uhr, QEvent::MouseButtonRelease, QPoint(2, 2), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(child<QLabel>(uhr, "Label1")->height(), ui::toPixels(795));
}

TEST_F(DesktopClock, ClickAndDoubleClickOnTheTextStayInPlaceAndTheDoubleClickAsksForTheCalendar) {
    frmUhr& uhr = load();
    QSignalSpy calendar(&uhr, &frmUhr::Label1_DblClick);
    const QPoint from = uhr.pos();
    // The events of a double click as the window system delivers them.
    const QPoint at(20, 5);
    mouse(child<QLabel>(uhr, "Label1"), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    mouse(child<QLabel>(uhr, "Label1"), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    mouse(child<QLabel>(uhr, "Label1"), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    mouse(child<QLabel>(uhr, "Label1"), QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    mouse(child<QLabel>(uhr, "Label1"), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(calendar.count(), 1);
    EXPECT_EQ(uhr.pos(), from);
    EXPECT_EQ(clockSetting("UhrFensterLeft"), numtext::general(ui::toTwips(from.x())));
}

TEST(RegionFromBitmap, EachRowGivesOneRectangleForEveryRunOfOtherColours) {
    QImage image(8, 3, QImage::Format_RGB32);
    image.fill(Qt::white);
    // Row 0: two runs, the second up to the right edge. Row 1: nothing. Row 2: one pixel.
    for (int x : {1, 2, 5, 6, 7})
        image.setPixel(x, 0, qRgb(0, 0, 0));
    image.setPixel(3, 2, qRgb(254, 254, 254));
    const QRegion region = monitor::RegionFromBitmap(image, Qt::white);
    QRegion expected;
    expected += QRect(1, 0, 2, 1);
    expected += QRect(5, 0, 3, 1);
    expected += QRect(3, 2, 1, 1);
    EXPECT_EQ(region, expected);

    EXPECT_TRUE(monitor::RegionFromBitmap(QImage(), Qt::white).isEmpty());
    QImage green(4, 4, QImage::Format_RGB32);
    green.fill(QColor(0, 255, 0));
    EXPECT_EQ(monitor::RegionFromBitmap(green, Qt::white), QRegion(0, 0, 4, 4));
    EXPECT_TRUE(monitor::RegionFromBitmap(green, QColor(0, 255, 0)).isEmpty());
}
