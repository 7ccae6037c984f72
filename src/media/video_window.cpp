#include "media/video_window.h"

#include <algorithm>
#include <utility>

namespace lyrimo {

void FitInto(int width, int height, int& targetWidth, int& targetHeight) {
    int64_t h = targetHeight;
    int64_t w = h * width / height;
    if (w > targetWidth) {
        w = targetWidth;
        h = w * height / width;
    }
    targetWidth = int(std::max<int64_t>(w, 1));
    targetHeight = int(std::max<int64_t>(h, 1));
}

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
