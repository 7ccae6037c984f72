#include "media/video_window.h"

#include <utility>

namespace lyrimo {

bool tVideoWindow::TakeChanged() { return std::exchange(changed_, false); }

Bitmap tVideoWindow::Show(Bitmap&& picture, int64_t time) {
    Bitmap old = std::exchange(frame_, std::move(picture));
    frameTime_ = time;
    changed_ = true;
    counts_.shown += 1;
    return old;
}

void tVideoWindow::Clear() {
    if (frame_.IsEmpty())
        return;
    frame_ = Bitmap();
    frameTime_ = 0;
    changed_ = true;
}

} // namespace lyrimo
