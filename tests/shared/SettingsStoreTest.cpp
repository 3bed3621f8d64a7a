#include "SettingsStore.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace moravel;

TEST(SettingsStoreTest, DefaultsWhenNothingIsStored) {
    test::TestEnvironment env;
    EXPECT_EQ(settings::read("Termin", "IstAktiv", "0"), "0");
    EXPECT_EQ(settings::read("Termin", "TerminFensterTop"), "");
    EXPECT_EQ(settings::filePath(), env.settingsPath());
}

TEST(SettingsStoreTest, KeysAndSectionsIgnoreLetterCaseAndKeepFirstSpelling) {
    test::TestEnvironment env;
    ASSERT_TRUE(settings::write("Termin", "Uhrstart", "1"));
    EXPECT_EQ(settings::read("Termin", "UhrStart"), "1");
    EXPECT_EQ(settings::read("TERMIN", "uhrstart"), "1");
    ASSERT_TRUE(settings::write("termin", "UHRSTART", "0"));
    EXPECT_EQ(settings::read("Termin", "UhrStart"), "0");
    const QString text = QString::fromUtf8(test::readFile(env.settingsPath()));
    EXPECT_EQ(text.count("Uhrstart", Qt::CaseInsensitive), 1) << text.toStdString();
    EXPECT_TRUE(text.contains("Uhrstart=0")) << text.toStdString();
    EXPECT_TRUE(text.contains("[Termin]"));
}

TEST(SettingsStoreTest, ValuesKeepTheirText) {
    test::TestEnvironment env;
    const QString path = QString::fromUtf8("/home/jürgen/Mein Planer, neu");
    settings::write("Termin", "MoravelPfad", path);
    settings::write("Setting", "UhrHintergrund", "-2147483633");
    settings::write("Termin", "MoravelBeendet", "40179,5");
    EXPECT_EQ(settings::read("Termin", "MoravelPfad"), path);
    EXPECT_EQ(settings::read("Setting", "UhrHintergrund"), "-2147483633");
    EXPECT_EQ(settings::read("Termin", "MoravelBeendet"), "40179,5");
}

TEST(SettingsStoreTest, WritesOfAnotherProcessAreSeenAtOnce) {
    test::TestEnvironment env;
    settings::write("Termin", "IstAktiv", "0");
    EXPECT_EQ(settings::read("Termin", "IstAktiv"), "0");
    for (const char* value : {"1", "0", "1"}) {
        const pid_t child = fork();
        if (child == 0) {
            settings::write("Termin", "IstAktiv", value);
            _exit(0);
        }
        waitpid(child, nullptr, 0);
        EXPECT_EQ(settings::read("Termin", "IstAktiv"), value);
    }
}

TEST(SettingsStoreTest, BrokenFilesGiveDefaults) {
    test::TestEnvironment env;
    QDir().mkpath(QFileInfo(env.settingsPath()).absolutePath());
    QByteArray garbage;
    for (int i = 0; i < 2000; ++i)
        garbage.append(static_cast<char>((i * 31) % 256));
    test::writeFile(env.settingsPath(), garbage);
    EXPECT_EQ(settings::read("Termin", "IstAktiv", "0"), "0");
    QFile::remove(env.settingsPath());
    QDir(env.configDir()).removeRecursively();
    EXPECT_EQ(settings::read("Wardol", "MainLeft", "10"), "10");
    EXPECT_TRUE(settings::write("Wardol", "MainLeft", "150"));
    EXPECT_EQ(settings::read("Wardol", "MainLeft", "10"), "150");
}
