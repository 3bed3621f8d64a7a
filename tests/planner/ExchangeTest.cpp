#include "AsideProgress.h"
#include "FileDialog.h"
#include "ForeignConnection.h"
#include "PlannerFixture.h"
#include "RunAside.h"
#include "SecretStore.h"

#include <QDialog>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace moravel;

namespace {

class ExchangeMenu : public PlannerFixture {
protected:
    QTemporaryDir files;
    void TearDown() override {
        ui::FileDialog::reset();
        PlannerFixture::TearDown();
    }
    QString lastMessage() const {
        const auto& shown = ui::MessageBox::history();
        return shown.empty() ? QString() : shown.back().text;
    }
};

// The planner run as a program without a window: no display, a data directory of its own.
struct ProgramRun {
    int status;
    QString out;
    QString err;
};

ProgramRun runPlanner(const QString& dataDir, const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("MORAVEL_DATA_DIR"), dataDir);
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("MORAVEL_BIN_DIR") + QStringLiteral("/Moravel"), arguments);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST_F(ExchangeMenu, ExportAndImportThroughTheMenu) {
    add({2026, 12, 20}, "10:00", "Zahnarzt");
    add({2026, 12, 9}, "", "Müll", "2");
    open();
    const QString path = files.filePath("termine.ics");
    ui::FileDialog::setAutoAnswer(path);
    trigger("mnuExportieren");
    EXPECT_EQ(lastMessage(), "2 Termine exportiert");
    ASSERT_EQ(ui::FileDialog::history().size(), 1u);
    EXPECT_TRUE(ui::FileDialog::history()[0].saving);
    EXPECT_TRUE(ui::FileDialog::history()[0].filter.contains("*.ics"));
    EXPECT_TRUE(test::readFile(path).startsWith("BEGIN:VCALENDAR"));

    // Into another file: the list shows what came in at once.
    window.reset();
    test::ForeignConnection(env.databasePath()).execute("DELETE FROM tblTermin");
    open();
    EXPECT_EQ(count(), 0);
    trigger("mnuImportieren");
    EXPECT_EQ(lastMessage(), QString::fromUtf8("2 Termine übernommen"));
    EXPECT_EQ(column(5), QStringList({"Müll", "Zahnarzt"}));
    EXPECT_EQ(text("statusPanel2"), "2 Termine");
    trigger("mnuImportieren");
    EXPECT_EQ(lastMessage(), QString::fromUtf8("0 Termine übernommen, 2 schon vorhanden"));
    EXPECT_EQ(count(), 2);

    // A cancelled dialog does nothing; a broken file changes nothing and says why.
    const size_t messages = ui::MessageBox::history().size();
    ui::FileDialog::setAutoAnswer(QString());
    trigger("mnuImportieren");
    trigger("mnuExportieren");
    EXPECT_EQ(ui::MessageBox::history().size(), messages);
    test::writeFile(path, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\n");
    ui::FileDialog::setAutoAnswer(path);
    trigger("mnuImportieren");
    EXPECT_TRUE(lastMessage().contains(QString::fromUtf8("wurde nichts übernommen")))
        << lastMessage().toStdString();
    EXPECT_EQ(count(), 2);
}

// An import tells its progress from its own thread; the bar shows it on the window's thread, in
// steps of its own whatever the work counts in, and goes once the work is done.
TEST(AsideProgress, TheBarFollowsTheWorkFromItsThread) {
    QWidget window;
    window.setWindowTitle("Brisko Moravel");
    ui::AsideProgress progress(&window, "Termine werden übernommen ...", 400);
    EXPECT_EQ(progress.bar()->maximum(), 0);
    EXPECT_EQ(progress.dialog().windowTitle(), "Brisko Moravel");
    std::vector<int> seen;
    std::vector<QThread*> threads;
    QObject::connect(progress.bar(), &QProgressBar::valueChanged, [&](int value) {
        seen.push_back(value);
        threads.push_back(QThread::currentThread());
    });
    const qint64 huge = qint64(1) << 40;
    runAside([&] {
        progress.report(1, 4);
        progress.report(huge / 2, huge);
        progress.report(huge + 1, huge);
        progress.report(1, 0);
    });
    EXPECT_EQ(seen, (std::vector<int>{250, 500, 1000}));
    EXPECT_EQ(threads, std::vector<QThread*>(seen.size(), QThread::currentThread()));
    progress.finish();
    EXPECT_FALSE(progress.dialog().isVisible());
}

TEST(CommandLine, ExportsAndImportsWithoutAWindow) {
    test::TestEnvironment a;
    QTemporaryDir other;
    {
        auto store = TerminStore::open(a.databasePath());
        Appointment row;
        row.TerminDatum = "80000";
        row.TerminUhrzeit = "0,50000";
        row.TerminDatumUhrzeit = "80000,5";
        row.Betreff = QString::fromUtf8("Jahrestag ä");
        row.Wiederholung = "6";
        row.VorTage = "0";
        row.VorMinuten = "0";
        row.sysGesperrt = "0";
        store->insert(row);
    }
    const QString file = other.filePath("aus.ics");
    struct Step {
        const char* name;
        QString dataDir;
        QStringList arguments;
        QByteArray input; // standard input; the exported file when empty with "-"
        int status;
        const char* out; // what standard output (or error, for a failure) contains
    };
    const QByteArray broken = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:x\r\n";
    const std::vector<Step> steps = {
        {"help", a.dataDir(), {"--help"}, {}, 0, "--import DATEI"},
        {"export", a.dataDir(), {"--export", file}, {}, 0, "1 Termin exportiert"},
        {"import", other.path(), {"--import", file}, {}, 0, "1 Termin übernommen"},
        {"import again",
         other.path(),
         {"--import=" + file},
         {},
         0,
         "0 Termine übernommen, 1 schon vorhanden"},
        {"from standard input", other.path(), {"--import", "-"}, {}, 0, "1 schon vorhanden"},
        {"broken", other.path(), {"--import", "-"}, broken, 1, "Nichts übernommen"},
        {"missing file",
         other.path(),
         {"--import", other.filePath("fehlt.ics")},
         {},
         1,
         "lässt sich nicht lesen"},
        {"no file named", other.path(), {"--export"}, {}, 2, "braucht den Namen einer Datei"},
        {"unknown option", other.path(), {"--exprot", file}, {}, 2, "Unbekannte Option"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const QByteArray before = test::readFile(other.filePath("dBTermin.mdb"));
        const bool fromFile = step.input.isEmpty() && step.arguments.contains("-");
        const ProgramRun run =
            runPlanner(step.dataDir, step.arguments, fromFile ? test::readFile(file) : step.input);
        EXPECT_EQ(run.status, step.status) << run.err.toStdString();
        EXPECT_TRUE((step.status == 0 ? run.out : run.err).contains(QString::fromUtf8(step.out)))
            << run.out.toStdString() << run.err.toStdString();
        if (step.status != 0) {
            EXPECT_EQ(test::readFile(other.filePath("dBTermin.mdb")), before);
        }
    }
    // To standard output: the calendar alone there, the summary beside it.
    const ProgramRun out = runPlanner(other.path(), {"--export", "-"});
    EXPECT_EQ(out.status, 0);
    EXPECT_TRUE(out.out.startsWith("BEGIN:VCALENDAR") && out.out.contains(QString::fromUtf8("Jahrestag ä")));
    EXPECT_TRUE(out.err.contains("1 Termin exportiert"));
}

namespace {
// The desktop's secret store, kept in memory.
class MemorySecrets : public sync::SecretStore {
public:
    std::map<QString, QString> kept;
    void read(const QString& account, Read done) override { done(kept[account], QString()); }
    void write(const QString& account, const QString& password,
               std::function<void(const QString&)> done) override {
        kept[account] = password;
        done(QString());
    }
};
} // namespace

TEST_F(ExchangeMenu, SyncDialogKeepsThePasswordOutOfTheSettings) {
    MemorySecrets secrets;
    sync::SecretStore::setInstance(&secrets);
    open();
    trigger("mnuAbgleich");
    auto* dialog = window->findChild<QDialog*>("frmAbgleich");
    ASSERT_TRUE(dialog);
    dialog->findChild<QLineEdit*>("Adresse")->setText("http://kalender.example/anna/termine");
    dialog->findChild<QLineEdit*>("Benutzer")->setText("anna");
    dialog->findChild<QLineEdit*>("Passwort")->setText("streng-geheim");
    // Unencrypted to another machine: only after the user agreed. (Closed, not synced: no
    // request may leave this machine.)
    ui::MessageBox::setAutoAnswer(QMessageBox::No);
    dialog->findChild<QPushButton*>("Schliessen")->click();
    EXPECT_TRUE(secrets.kept.empty());
    EXPECT_FALSE(test::readFile(env.settingsPath()).contains("kalender.example"));
    ui::MessageBox::setAutoAnswer(QMessageBox::Yes);
    dialog->findChild<QPushButton*>("Schliessen")->click();
    EXPECT_EQ(secrets.kept["anna@http://kalender.example/anna/termine/"], "streng-geheim");
    const QByteArray ini = test::readFile(env.settingsPath());
    EXPECT_TRUE(ini.contains("Adresse=http://kalender.example/anna/termine/")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("streng-geheim"));
    sync::SecretStore::setInstance(nullptr);
}

// The dialog keeps no store of its own: a check after the file was replaced works on the new
// one, and a check under way when it is replaced ends with the old one.
TEST_F(ExchangeMenu, ConnectionCheckWorksOnTheFileOfTheMoment) {
    const auto replaceFile = [this] {
        const QString restored = env.databasePath() + ".restored";
        { ASSERT_TRUE(TerminStore::open(restored)); }
        store.reset();
        ASSERT_EQ(std::rename(QFile::encodeName(restored).constData(),
                              QFile::encodeName(env.databasePath()).constData()),
                  0);
    };
    const auto reload = [this] {
        trigger("AlteTermine");
        trigger("AlteTermine");
    };
    open();
    trigger("mnuAbgleich");
    auto* dialog = window->findChild<QDialog*>("frmAbgleich");
    ASSERT_TRUE(dialog);
    // Nothing listens there: the check fails at once, after it has used the store.
    dialog->findChild<QLineEdit*>("Adresse")->setText("http://127.0.0.1:9/termine/");
    auto* result = dialog->findChild<QLabel*>("Ergebnis");

    replaceFile();
    reload();
    dialog->findChild<QPushButton*>("VerbindungPruefen")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return result->text().contains("nicht erreichbar"); }, 5000))
        << result->text().toStdString();

    dialog->findChild<QPushButton*>("VerbindungPruefen")->click();
    ASSERT_EQ(result->text(), QString::fromUtf8("Verbindung wird geprüft ..."));
    replaceFile();
    reload();
    EXPECT_TRUE(result->text().contains("ersetzt")) << result->text().toStdString();
}
