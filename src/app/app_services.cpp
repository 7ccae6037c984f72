#include "app/app_services.h"

#include "app/translation.h"

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
// What the leak checker lets pass: memory libraries keep for the life of the process, which is
// not ours to free. Keep this short, since each entry hides a whole class of reports.
// - fontconfig loses a few blocks while parsing its configuration files.
// - GLib keeps its table of interned strings, which GStreamer fills at start-up. GLib has no
//   frame pointers, so the report's stack ends at g_malloc; our own allocations never pass
//   through it, so their leaks are still reported.
// - SDL's PulseAudio driver loses a block or two of libpulse's in its device-watching thread
//   when its audio shuts down. libpulse has no frame pointers either, so the report's stack
//   ends in libpulse; this hides leaks of the player's own requests to the server as well, so
//   look for those with ASAN_OPTIONS=fast_unwind_on_malloc=0 after changing them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:g_malloc\nleak:libpulse.so\n";
}
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

namespace lyrimo {
namespace {

tAppServices* g_installed = nullptr;

} // namespace

int DefaultMessageAnswer(int flags) {
    switch (flags & 0x0F) {
    case mb::AbortRetryIgnore: return mb::IdAbort;
    case mb::YesNoCancel:
    case mb::YesNo: return mb::IdYes;
    case mb::RetryCancel: return mb::IdRetry;
    default: return mb::IdOk;
    }
}

int tAppServices::MessageBox(const QString& text, const QString& title, int flags) {
    if (!gatheredMessages)
        return PresentMessageBox(text, title, flags);
    (void)title; // the text says what happened; the titles are the program's name and a kind
    *gatheredMessages << text;
    return DefaultMessageAnswer(flags);
}

bool tAppServices::ShowImportResult(const QString& text, bool doNotShow) {
    return gatheredMessages ? doNotShow : PresentImportResult(text, doNotShow);
}

int tHeadlessServices::PresentMessageBox(const QString& text, const QString& title, int flags) {
    shownMessages << title + ": " + text;
    if (printMessages)
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
    if (scriptedAnswers.empty())
        return DefaultMessageAnswer(flags);
    int answer = scriptedAnswers.front();
    scriptedAnswers.pop_front();
    return answer;
}

bool tHeadlessServices::PresentImportResult(const QString& text, bool doNotShow) {
    shownImportResults << text;
    if (scriptedDoNotShow.empty())
        return doNotShow;
    bool answer = scriptedDoNotShow.front();
    scriptedDoNotShow.pop_front();
    return answer;
}

QString tAppServices::Translate(const QString& text) { return ProgramTranslator().Translate(text); }

tAppServices& App() {
    static tHeadlessServices headless;
    static const bool languageFollowsSettings = [] {
        ProgramTranslator().SetLanguageSource([] { return App().settings.Language; });
        return true;
    }();
    (void)languageFollowsSettings;
    return g_installed ? *g_installed : headless;
}

void SetApp(tAppServices* services) { g_installed = services; }

} // namespace lyrimo
