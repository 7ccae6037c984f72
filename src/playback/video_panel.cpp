#include "playback/video_panel.h"

#include "media/media_player.h"

#include <QImage>
#include <QPainter>

namespace lyrimo {
namespace {

// Often enough for every picture of a 60 per second video.
constexpr int kRefreshMs = 15;

} // namespace

TVideoPanel::TVideoPanel(QWidget* parent) : QFrame(parent) {
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &TVideoPanel::Refresh);
}

tDisplayRect TVideoPanel::DisplayRect() const {
    const QRect inside = contentsRect();
    return {inside.left(), inside.top(), inside.right() + 1, inside.bottom() + 1};
}

void TVideoPanel::Follow(tMyMediaPlayer* player) {
    player_ = player;
    timer_.start();
    Refresh();
}

void TVideoPanel::Unfollow() {
    timer_.stop();
    player_ = nullptr;
    window_.Clear();
    update();
}

void TVideoPanel::Refresh() {
    if (player_)
        player_->RefreshDisplay();
    if (window_.TakeChanged())
        update();
}

void TVideoPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const Bitmap& frame = window_.Frame();
    if (frame.IsEmpty())
        return;
    const QImage picture(frame.Row(0), frame.Width(), frame.Height(), frame.Stride(), QImage::Format_RGB32);
    const QRect inside = contentsRect();
    QSize size = picture.size();
    if (size.width() > inside.width() || size.height() > inside.height())
        size.scale(inside.size(), Qt::KeepAspectRatio);
    const QRect target(inside.left() + (inside.width() - size.width()) / 2,
                       inside.top() + (inside.height() - size.height()) / 2, size.width(), size.height());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture);
}

} // namespace lyrimo
