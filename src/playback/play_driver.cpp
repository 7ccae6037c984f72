#include "playback/play_driver.h"

#include "app/app_services.h"
#include "playback/media_requester.h"
#include "playback/playback_background.h"
#include "playback/playback_window.h"

#include <QApplication>

namespace lyrimo {

int PlaySong(tLyrimoData& song, int32_t startTime, bool showRequester, bool batchMode, bool editable) {
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
