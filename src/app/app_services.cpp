#include "app/app_services.h"

#include "app/translation.h"

#include <cstdio>

namespace lyrimo {
namespace {

int DefaultAnswer(int flags) {
    switch (flags & 0x0F) {
    case mb::AbortRetryIgnore: return mb::IdAbort;
    case mb::YesNoCancel:
    case mb::YesNo: return mb::IdYes;
    case mb::RetryCancel: return mb::IdRetry;
    default: return mb::IdOk;
    }
}

tAppServices* g_installed = nullptr;

} // namespace

int tHeadlessServices::MessageBox(const QString& text, const QString& title, int flags) {
    shownMessages << title + ": " + text;
    if (printMessages)
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
    if (scriptedAnswers.empty())
        return DefaultAnswer(flags);
    int answer = scriptedAnswers.front();
    scriptedAnswers.pop_front();
    return answer;
}

bool tHeadlessServices::ShowImportResult(const QString& text, bool doNotShow) {
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
