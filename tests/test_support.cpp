#include "test_support.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <unistd.h>

namespace lyrimo::test {
namespace {

QString g_scratch;
pid_t g_owner = 0;

// Only the process that made the folder removes it: a child a test forks and lets exit must
// not take the folder away from its parent.
void RemoveScratch() {
    if (!g_scratch.isEmpty() && ::getpid() == g_owner)
        QDir(g_scratch).removeRecursively();
}

} // namespace

void IsolateEnvironment() {
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/lyrimo-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        std::abort();
    g_scratch = QString::fromLocal8Bit(pattern);
    g_owner = ::getpid();
    for (const char* sub : {"config", "data", "cache", "tmp"})
        QDir(g_scratch).mkpath(sub);
    // GStreamer's list of its plugins is the machine's, not the user's: one shared file, so that
    // not every test program scans the plugins again.
    if (!std::getenv("GST_REGISTRY"))
        ::setenv("GST_REGISTRY",
                 (QDir::tempPath() + "/lyrimo-test-gstreamer-registry.bin").toLocal8Bit().constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (pattern + "/config").constData(), 1);
    ::setenv("XDG_DATA_HOME", (pattern + "/data").constData(), 1);
    ::setenv("XDG_CACHE_HOME", (pattern + "/cache").constData(), 1);
    ::setenv("TMPDIR", (pattern + "/tmp").constData(), 1);
    // Tests never make a sound nor open a window on the desktop.
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    ::setenv("LYRIMO_AUDIO_OUTPUT", "null", 1);
    // Nor do they reach the user's session bus, where a real media player may be listening.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/lyrimo-test-bus", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::atexit(RemoveScratch);
}

QString ScratchFolder() { return g_scratch; }

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace lyrimo::test
