#include "MonitorFixture.h"

#include "SettingsStore.h"
#include "modRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QSettings>

using namespace moravel;
using namespace moravel::test;
namespace registry = moravel::monitor::modRegistry;

namespace {

QString autostartSetting() {
    return settings::read(settings::kSectionTermin, "Autostart");
}

// A desktop entry's keys as a desktop reads them.
QString entryValue(const QString& path, const QString& key) {
    QSettings entry(path, QSettings::IniFormat);
    return entry.value(QStringLiteral("Desktop Entry/") + key).toString();
}

} // namespace

class Autostart : public TrayTest {
protected:
    QString entryPath() const {
        return env.configDir() + QStringLiteral("/autostart/Brisko_Wardolin.desktop");
    }
};

TEST_F(Autostart, SwitchingOnWritesTheDesktopEntryAndOneSwitchingOffRemovesItAndWritesZero) {
    startWithTray();
    ASSERT_EQ(registry::eintragPfad(registry::kEintragName), entryPath());
    EXPECT_FALSE(child<QAction>(*tray, "mnuAutostart")->isChecked());

    child<QAction>(*tray, "mnuAutostart")->trigger();
    EXPECT_TRUE(child<QAction>(*tray, "mnuAutostart")->isChecked());
    EXPECT_EQ(autostartSetting(), QStringLiteral("1"));
    ASSERT_TRUE(QFileInfo::exists(entryPath()));
    EXPECT_EQ(entryValue(entryPath(), "Type"), QStringLiteral("Application"));
    EXPECT_EQ(entryValue(entryPath(), "Name"), QStringLiteral("Brisko Wardolin"));
    EXPECT_EQ(entryValue(entryPath(), "Exec"), main->PfadzurExe + QStringLiteral("/Wardolin"));

    child<QAction>(*tray, "mnuAutostart")->trigger();
    EXPECT_FALSE(child<QAction>(*tray, "mnuAutostart")->isChecked());
    EXPECT_EQ(autostartSetting(), QStringLiteral("0"));
    EXPECT_FALSE(QFileInfo::exists(entryPath()));
}

TEST_F(Autostart, StartWithTheSettingOnAndNoEntryRecreatesIt) {
    settings::write(settings::kSectionTermin, "Autostart", "1");
    startWithTray();
    EXPECT_TRUE(QFileInfo::exists(entryPath()));
    EXPECT_TRUE(child<QAction>(*tray, "mnuAutostart")->isChecked());
}

TEST_F(Autostart, StartWithTheSettingOnCorrectsTheEntryOfAMovedMonitor) {
    settings::write(settings::kSectionTermin, "Autostart", "1");
    QDir().mkpath(QFileInfo(entryPath()).absolutePath());
    writeFile(entryPath(), "[Desktop Entry]\nType=Application\nName=Brisko Wardolin\nExec=/alt/Wardolin\n");
    startWithTray();
    EXPECT_EQ(entryValue(entryPath(), "Exec"), main->PfadzurExe + QStringLiteral("/Wardolin"));
}

TEST_F(Autostart, StartWithoutTheSettingRemovesAStaleEntry) {
    QDir().mkpath(QFileInfo(entryPath()).absolutePath());
    writeFile(entryPath(), "[Desktop Entry]\nType=Application\nName=Brisko Wardolin\nExec=/alt/Wardolin\n");
    startWithTray();
    EXPECT_FALSE(QFileInfo::exists(entryPath()));
    EXPECT_FALSE(child<QAction>(*tray, "mnuAutostart")->isChecked());
    EXPECT_EQ(autostartSetting(), QString());
}

TEST_F(Autostart, AnAutostartFolderThatCannotBeWrittenLeavesTheCheckMarkOff) {
    // A plain file where the folder belongs stops even a privileged user from writing into it.
    writeFile(env.configDir() + QStringLiteral("/autostart"), "kein Ordner");
    startWithTray();
    child<QAction>(*tray, "mnuAutostart")->trigger();
    EXPECT_FALSE(child<QAction>(*tray, "mnuAutostart")->isChecked());
    EXPECT_EQ(autostartSetting(), QStringLiteral("1"));

    // The next start tries again, and still shows the truth.
    tray->schliessen();
    Command1()->click();
    EXPECT_FALSE(child<QAction>(*tray, "mnuAutostart")->isChecked());
}

TEST(AutostartEntry, ProgramPathsAreQuotedAndEscapedForTheExecLine) {
    EXPECT_EQ(registry::execArgument("/opt/brisko/Wardolin"), QStringLiteral("/opt/brisko/Wardolin"));
    EXPECT_EQ(registry::execArgument("/home/anna/Meine Programme/Wardolin"),
              QStringLiteral("\"/home/anna/Meine Programme/Wardolin\""));
    // In the file a literal backslash inside quotes takes four.
    EXPECT_EQ(registry::execArgument("/opt/a$b\\c/Wardolin"),
              QStringLiteral("\"/opt/a\\\\$b\\\\\\\\c/Wardolin\""));
    EXPECT_EQ(registry::execArgument("/opt/100%/Wardolin"), QStringLiteral("/opt/100%%/Wardolin"));
    EXPECT_EQ(registry::execArgument("/opt/\"x\"/Wardolin"),
              QStringLiteral("\"/opt/\\\\\"x\\\\\"/Wardolin\""));
}
