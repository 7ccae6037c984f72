#include "playlist/batch_play_window.h"

#include "app/app_services.h"
#include "playback/play_driver.h"
#include "playlist/batch_play.h"

namespace lyrimo {
namespace {

// The batch's place in the program status, cleared however the batch ends.
class tBatchPositionShown {
public:
    tBatchPositionShown() = default;
    ~tBatchPositionShown() {
        Status().BatchPosition = 0;
        Status().BatchCount = 0;
    }
    tBatchPositionShown(const tBatchPositionShown&) = delete;
    tBatchPositionShown& operator=(const tBatchPositionShown&) = delete;
};

} // namespace

bool PlayPlaylistOnScreen(const tBatchKaraokeFile& playlist) {
    const tBatchPositionShown shown;
    tBatchPlaySteps steps;
    steps.perform = [](tLyrimoData& song, bool showRequester) {
        return PlaySong(song, 0, showRequester, /*batchMode*/ true, /*editable*/ true);
    };
    steps.progress = [](int position, int count) {
        Status().BatchPosition = position;
        Status().BatchCount = count;
    };
    return PlayPlaylist(playlist, steps);
}

} // namespace lyrimo
