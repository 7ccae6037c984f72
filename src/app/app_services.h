// The services core code asks of the user interface, and the program-wide records.
//
// The desktop program installs an implementation built on Qt Widgets; tests and
// lyrimo-cli use the headless one, which prints messages to stderr and answers
// them from a script. Core code reaches whichever is installed through App().
#pragma once

#include "app/settings.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>

namespace lyrimo {

// Message-box flags and results, as the song code and the windows exchange them.
namespace mb {
constexpr int Ok = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5;
constexpr int IconStop = 16, IconQuestion = 32, IconWarning = 48, IconInformation = 64;
constexpr int IdOk = 1, IdCancel = 2, IdAbort = 3, IdRetry = 4, IdIgnore = 5, IdYes = 6, IdNo = 7;
} // namespace mb

// The run-time status record; never stored.
struct tProgramStatus {
    bool Playing = false; // a song is being performed
    bool Quiet = false;   // no progress windows
    int LineEndLeadTime = 40;
    // During batch play: the song's place in the playing order (from 1) and the songs in it;
    // both 0 outside a batch.
    int BatchPosition = 0;
    int BatchCount = 0;
};

enum class tProgressKind { LoadEmbedded, SaveEmbedded };

struct tDisplaySize {
    int width = 1024;
    int height = 768;
};

class tAppServices {
public:
    virtual ~tAppServices() = default;

    // Through the interface language chosen in the preferences.
    virtual QString Translate(const QString& text);
    // Shows a message, unless messages are being gathered (see tGatheredMessages): then the text
    // is kept and the box's default button is the answer.
    int MessageBox(const QString& text, const QString& title, int flags);

    // Progress of copying embedded objects; done and total in bytes.
    virtual void Progress(tProgressKind, int64_t /*done*/, int64_t /*total*/, const QString& /*fileName*/) {}
    virtual void ProgressFinished(tProgressKind) {}

    // The size of the display the lyrics are played on.
    virtual tDisplaySize LyricsDisplaySize() const { return displaySize; }

    // The window that tells of a successful import, with its "don't show this message again"
    // check box set from doNotShow; returns the box's state when the window closes. Nothing is
    // shown while messages are being gathered.
    bool ShowImportResult(const QString& text, bool doNotShow);

    tSettingsClass settings;
    tProgramStatus status;
    tDisplaySize displaySize;
    QStringList* gatheredMessages = nullptr; // see tGatheredMessages

protected:
    virtual int PresentMessageBox(const QString& text, const QString& title, int flags) = 0;
    // Shows nothing unless the user interface has such a window.
    virtual bool PresentImportResult(const QString& /*text*/, bool doNotShow) { return doNotShow; }
};

// The answer a message box gives when nobody is there to press a button.
int DefaultMessageAnswer(int flags);

// Messages go to stderr; each answer is taken from the script, or is the box's
// default button when the script is empty.
class tHeadlessServices : public tAppServices {
public:
    std::deque<int> scriptedAnswers;
    QStringList shownMessages; // "title: text", in order
    std::deque<bool> scriptedDoNotShow;
    QStringList shownImportResults; // the texts of the import result windows asked for, in order
    bool printMessages = true;

protected:
    int PresentMessageBox(const QString& text, const QString& title, int flags) override;
    // Records the text; the check box answer comes from scriptedDoNotShow, else stays as given.
    bool PresentImportResult(const QString& text, bool doNotShow) override;
};

tAppServices& App();
// Installs the services (not owned); nullptr returns to the built-in headless ones.
void SetApp(tAppServices* services);

inline QString Translate(const QString& text) { return App().Translate(text); }

// Unattended work (converting a batch of files) keeps the messages it would have shown: while
// one of these lives, message boxes and import result windows stay shut and the texts of the
// messages collect here. Restores the previous gathering when it ends.
class tGatheredMessages {
public:
    tGatheredMessages() : previous_(App().gatheredMessages) { App().gatheredMessages = &messages_; }
    ~tGatheredMessages() { App().gatheredMessages = previous_; }
    tGatheredMessages(const tGatheredMessages&) = delete;
    tGatheredMessages& operator=(const tGatheredMessages&) = delete;

    const QStringList& Messages() const { return messages_; }

private:
    QStringList messages_;
    QStringList* previous_;
};
inline tSettingsClass& Settings() { return App().settings; }
inline tProgramStatus& Status() { return App().status; }

} // namespace lyrimo
