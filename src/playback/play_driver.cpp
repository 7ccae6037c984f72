#include "playback/play_driver.h"

#include "app/app_services.h"
#include "document/song.h"
#include "playback/media_requester.h"
#include "playback/playback_background.h"
#include "playback/playback_window.h"

#include <QApplication>

namespace lyrimo {

namespace {

bool HasLines(const tLyrimoData& song) {
    for (int p = 0; p < song.PartCount(); ++p)
        if (song.GetPart(p)->LineCount() > 0)
            return true;
    return false;
}

} // namespace

int PlaySong(tLyrimoData& song, int32_t startTime, bool showRequester, bool batchMode, bool editable) {
    // Performing a song without lyrics would show nothing but an empty screen.
    if (!HasLines(song)) {
        App().MessageBox(Translate("This song has no lyrics to show: none of its parts has a line."),
                         Translate("Please Note..."), mb::Ok | mb::IconInformation);
        return playresult::Skipped;
    }
    bool stepMode = false;
    if (showRequester) {
        TGetMedia requester(song, editable);
        if (!requester.Run())
            return playresult::Skipped;
        stepMode = requester.StepMode;
    }
    const bool wasPlaying = Status().Playing;
    Status().Playing = true;
    int result = playresult::Finished;
    {
        TPlaybackWnd window;
        result = window.Perform(song, startTime, stepMode, batchMode);
    }
    Status().Playing = wasPlaying;
    return result;
}

void ShowDesktop(bool show) {
    if (show || !Settings().HideTaskbar)
        return;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* background = qobject_cast<TPlaybackBG*>(window); background && background->isVisible())
            background->raise();
}

} // namespace lyrimo
