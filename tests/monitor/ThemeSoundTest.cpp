// The reminder's sound where no sound server answers; tests/e2e/test_sound.py hears it through one.
#include "ThemeSound.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

using moravel::monitor::ThemeSound;

namespace {

std::atomic<int> g_soundWarnings{0};

void countSoundWarnings(QtMsgType type, const QMessageLogContext& context, const QString&) {
    if (type == QtWarningMsg && context.category &&
        std::strcmp(context.category, "moravel.monitor.sound") == 0)
        ++g_soundWarnings;
}

} // namespace

TEST(ThemeSound, WithoutASoundServerEveryBeepIsTheFallbackAndTheLogSaysSoOnce) {
    QTemporaryDir dir;
    // A server named explicitly is never started by the client library: nothing answers there.
    qputenv("PULSE_SERVER", ("unix:" + dir.filePath(QStringLiteral("kein-server"))).toUtf8());
    g_soundWarnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countSoundWarnings);
    int fallbacks = 0;
    {
        ThemeSound sound([&fallbacks] { ++fallbacks; });
        QSignalSpy played(&sound, &ThemeSound::played);
        for (int beep = 0; beep < 4; ++beep)
            sound.play();
        EXPECT_TRUE(QTest::qWaitFor([&played] { return played.size() == 4; }, 10000));
        for (const QList<QVariant>& beep : played)
            EXPECT_FALSE(beep.at(0).toBool());
    }
    qInstallMessageHandler(previous);
    qunsetenv("PULSE_SERVER");
    EXPECT_EQ(fallbacks, 4);
    EXPECT_EQ(g_soundWarnings, 1);
}
