// A panel that shows the video of a media player's open medium: the player puts its pictures in
// the panel's video window, and the panel takes the one due now many times a second while it
// follows the player, drawing it fitted inside its frame.
#pragma once

#include "media/video_window.h"

#include <QFrame>
#include <QTimer>

namespace lyrimo {

class tMyMediaPlayer;
struct tDisplayRect;

class TVideoPanel : public QFrame {
public:
    explicit TVideoPanel(QWidget* parent = nullptr);

    // What to give the player with the media, so that its pictures come here.
    tVideoWindow* Window() { return &window_; }
    // The panel's inside, where the pictures are fitted.
    tDisplayRect DisplayRect() const;
    // Takes the player's pictures until Unfollow; the player must stay alive until then.
    void Follow(tMyMediaPlayer* player);
    void Unfollow();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Refresh();

    tVideoWindow window_;
    tMyMediaPlayer* player_ = nullptr;
    QTimer timer_;
};

} // namespace lyrimo
