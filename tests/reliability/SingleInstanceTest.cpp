// The one-planner lock: only another running planner makes a planner the second one. A lock that
// cannot be had for any other reason, or a runtime folder that another user made, never keeps the
// user from starting the planner.

#include "SingleInstance.h"
#include "Support.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace moravel;
using namespace moravel::test;

namespace {

constexpr uid_t kNobody = 65534;
const QString kName = QStringLiteral("Planer");

// Sets an environment variable for the lifetime of the object; unset when `value` is null.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedVariable() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// 1 when a planner started in this state runs as the first one, 0 when as the second.
int startsAsFirst() {
    const ui::SingleInstance planner(kName);
    return planner.isPrimary() ? 1 : 0;
}

} // namespace

TEST(SingleInstanceTest, OnlyAnotherRunningPlannerMakesThePlannerTheSecond) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
    const QString runtime = root.path() + QStringLiteral("/run");
    const QString lock = runtime + QLatin1Char('/') + kName + QStringLiteral(".lock");
    const QString outside = root.path() + QStringLiteral("/anderswo");
    const bool root_ = ::geteuid() == 0;

    struct Case {
        const char* name;
        // Makes the state as root (or the user), with XDG_RUNTIME_DIR set to `runtime` unless it
        // returns false: then the variable is unset and the runtime folder falls back to one in
        // the temporary folder.
        std::function<bool()> arrange;
        int expected;
    };
    const auto runtimeOf = [&](uid_t owner, mode_t mode) {
        QDir().mkpath(runtime);
        ::chmod(QFile::encodeName(runtime).constData(), mode);
        if (root_)
            ::chown(QFile::encodeName(runtime).constData(), owner, owner);
    };
    // A shared temporary folder as /tmp is: anyone may make a folder there first.
    const QString temporary = root.path() + QStringLiteral("/tmp");
    QDir().mkpath(temporary);
    ::chmod(QFile::encodeName(temporary).constData(), 01777);
    const QString fallback = temporary + QStringLiteral("/runtime-nobody");
    const std::vector<Case> cases = {
        {"another planner holds the lock",
         [&] {
             runtimeOf(kNobody, 0700);
             return true;
         },
         0},
        {"a folder in the lock's place",
         [&] {
             runtimeOf(kNobody, 0700);
             QDir().mkpath(lock);
             return true;
         },
         1},
        {"a link in the lock's place",
         [&] {
             runtimeOf(kNobody, 0700);
             QFile::link(outside, lock);
             return true;
         },
         1},
        {"the lock belongs to another user",
         [&] {
             runtimeOf(kNobody, 0700);
             writeFile(lock, "");
             ::chmod(QFile::encodeName(lock).constData(), 0600);
             return true;
         },
         1},
        {"no runtime folder: the fallback belongs to another user",
         [&] {
             QDir().mkpath(fallback);
             ::chmod(QFile::encodeName(fallback).constData(), 0700);
             return false;
         },
         1},
        {"no runtime folder: the fallback is open to others",
         [&] {
             QDir().mkpath(fallback);
             ::chmod(QFile::encodeName(fallback).constData(), 0777);
             return false;
         },
         1},
        {"no runtime folder: the fallback is made", [] { return false; }, 0},
    };
    if (!root_)
        GTEST_SKIP() << "the cases need other users, and so root";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(runtime).removeRecursively();
        QDir(fallback).removeRecursively();
        const bool withRuntime = c.arrange();
        ScopedVariable xdg("XDG_RUNTIME_DIR", withRuntime ? QFile::encodeName(runtime) : QByteArray());
        ScopedVariable tmp("TMPDIR", QFile::encodeName(temporary));
        // The first planner, when a case wants one, runs as the same user in the same child.
        const bool withFirst = c.expected == 0;
        const int result = runAsUser(root.path(), [withFirst] {
            if (!withFirst)
                return startsAsFirst();
            const ui::SingleInstance first(kName);
            return first.isPrimary() ? startsAsFirst() : 2;
        });
        ASSERT_GE(result, 0) << "no unprivileged user to run as";
        EXPECT_EQ(result, c.expected);
        EXPECT_FALSE(QFile::exists(outside)) << "a file was made where a link points";
    }
}
