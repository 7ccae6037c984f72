#include "fuzz_support.h"

#include "app/app_services.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace lyrimo::fuzz {
namespace {

// The headless services, answering every message with the box's default button, but keeping
// no record of what was shown, so that millions of inputs neither flood the output nor grow
// the memory.
class tQuietServices : public tHeadlessServices {
public:
    tQuietServices() { printMessages = false; }
    int PresentMessageBox(const QString& text, const QString& title, int flags) override {
        const int answer = tHeadlessServices::PresentMessageBox(text, title, flags);
        shownMessages.clear();
        return answer;
    }
    bool PresentImportResult(const QString& text, bool doNotShow) override {
        const bool answer = tHeadlessServices::PresentImportResult(text, doNotShow);
        shownImportResults.clear();
        return answer;
    }
};

QString g_scratch;

void MakeScratchFolder() {
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty())
        base = "/tmp";
    QByteArray pattern = base + "/lyrimo-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data()))
        std::abort();
    g_scratch = QFile::decodeName(pattern);
    for (const char* name : {"TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        setenv(name, pattern.constData(), 1);
}

void RemoveScratchFolder() { QDir(g_scratch).removeRecursively(); }

} // namespace

void Setup() {
    static bool done = false;
    if (done)
        return;
    done = true;
    MakeScratchFolder();
    std::atexit(RemoveScratchFolder);
    static tQuietServices services;
    SetApp(&services);
}

const QString& ScratchFolder() { return g_scratch; }

QString InputFile(const uint8_t* data, size_t size, const QString& extension) {
    const QString path = g_scratch + "/input" + extension;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    if (file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    return path;
}

} // namespace lyrimo::fuzz
