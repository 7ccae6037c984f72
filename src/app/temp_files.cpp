#include "app/temp_files.h"

#include <QFile>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace lyrimo {
namespace {

constexpr int kSlots = 64;
constexpr size_t kPathBytes = 4096;

// A slot is written only while it is free and published by setting `used` last, so the
// handler reads only complete paths.
struct tSlot {
    std::atomic<bool> used{false};
    char path[kPathBytes] = {};
};

tSlot trackedFiles[kSlots];
std::mutex slotsLock; // between threads; the handler never takes it

void RemoveTracked() {
    for (tSlot& slot : trackedFiles)
        if (slot.used.load())
            ::unlink(slot.path);
}

void RemoveTrackedAndEnd(int signal) {
    RemoveTracked();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void TrackTempFile(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.isEmpty() || size_t(bytes.size()) >= kPathBytes)
        return;
    std::lock_guard lock(slotsLock);
    for (tSlot& slot : trackedFiles) {
        if (slot.used.load())
            continue;
        std::memcpy(slot.path, bytes.constData(), size_t(bytes.size()) + 1);
        slot.used.store(true);
        return;
    }
}

void ForgetTempFile(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    std::lock_guard lock(slotsLock);
    for (tSlot& slot : trackedFiles) {
        if (slot.used.load() && bytes == slot.path) {
            slot.used.store(false);
            return;
        }
    }
}

int TrackedTempFileCount() {
    std::lock_guard lock(slotsLock);
    int count = 0;
    for (const tSlot& slot : trackedFiles)
        count += slot.used.load() ? 1 : 0;
    return count;
}

void RemoveTempFilesOnSignals() {
    // exit() from inside a library (Qt does so when the display connection breaks) skips the
    // owners' destructors, but not the exit handlers.
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(RemoveTracked); });
    struct sigaction action = {};
    action.sa_handler = RemoveTrackedAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace lyrimo
