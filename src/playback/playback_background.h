// The background window that covers the playback monitor around performances started from the
// shell: our logo with its animation and a banner, or the user's own picture.
#pragma once

#include "picture/bitmap.h"

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QWidget>

class QTimer;

namespace lyrimo {

// The user's background picture ("BgScreenFileName") laid over a width × height screen in the
// given format: centred on black (mode 0), tiled (mode 1) or stretched (any other mode),
// keeping its proportions when maintainAspect is set. False, leaving out untouched, when
// the file is missing or cannot be decoded.
bool ComposeBackgroundPicture(const QString& fileName, int stretchMode, bool maintainAspect,
                              tPixelFormat format, int width, int height, Bitmap& out);

// The bitmap as an image the window layer can draw (the pixels are copied).
QImage ImageOfBitmap(const Bitmap& bitmap);

// The animated logo's picture strip "LYRIMO_ANIM": 19 frames side by side, drawn by code.
inline constexpr int kLogoAnimationFrames = 19;
inline constexpr int kLogoAnimationFps = 24;
QImage LogoAnimationStrip();
// The frame of the strip shown ms milliseconds after the animation started.
int LogoAnimationFrameAt(qint64 ms);

class TPlaybackBG : public QWidget {
    Q_OBJECT

public:
    explicit TPlaybackBG(QWidget* parent = nullptr);
    ~TPlaybackBG() override;

    // True when the user's picture replaced the logo screen.
    bool ShowsUserPicture() const { return !userPicture_.isNull(); }
    const QImage& UserPicture() const { return userPicture_; }
    int AnimationFrame() const { return frame_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CoverPlayMonitor();
    void LoadUserPicture();
    void NextFrame();

    QImage logo_;
    QImage strip_;
    QImage banner_;
    QImage userPicture_;
    QTimer* animation_ = nullptr;
    QElapsedTimer clock_;
    int frame_ = 0;
};

} // namespace lyrimo
