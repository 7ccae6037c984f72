// Entry point of the external player's tests: they run on a session bus of their own, never on
// the user's. A dbus-daemon is started for the test process and ended when it exits; without
// one the tests see no bus at all.
#include "test_support.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <signal.h>
#include <sys/types.h>

namespace {

constexpr const char* kPrivateBusVariable = "LYRIMO_PRIVATE_SESSION_BUS";
pid_t g_daemon = 0;

void EndDaemon() {
    if (g_daemon > 0)
        ::kill(g_daemon, SIGTERM);
}

bool StartPrivateBus() {
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--fork", "--print-address=1", "--print-pid=1"});
    if (!daemon.waitForFinished(5000) || daemon.exitStatus() != QProcess::NormalExit ||
        daemon.exitCode() != 0)
        return false;
    const QList<QByteArray> lines = daemon.readAllStandardOutput().split('\n');
    if (lines.size() < 2 || lines[0].trimmed().isEmpty())
        return false;
    g_daemon = static_cast<pid_t>(lines[1].trimmed().toLongLong());
    std::atexit(EndDaemon);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", lines[0].trimmed().constData(), 1);
    return g_daemon > 0;
}

} // namespace

int main(int argc, char** argv) {
    lyrimo::test::IsolateEnvironment();
    QCoreApplication app(argc, argv);
    const bool onPrivateBus = StartPrivateBus();
    ::setenv(kPrivateBusVariable, onPrivateBus ? "1" : "missing", 1);
    if (!onPrivateBus)
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/lyrimo-no-bus", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
