#include "playback/playback_background.h"

#include "app/app_services.h"
#include "picture/picture_decode.h"
#include "playback/monitors.h"
#include "render/drawing_utils.h"
#include "render/fit_picture.h"
#include "ui/translate_window.h"

#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <numbers>

namespace lyrimo {

bool ComposeBackgroundPicture(const QString& fileName, int stretchMode, bool maintainAspect,
                              tPixelFormat format, int width, int height, Bitmap& out) {
    if (fileName.isEmpty() || width <= 0 || height <= 0 || !QFileInfo(fileName).isFile())
        return false;
    Bitmap picture;
    if (!LoadPictureFile(fileName, picture))
        return false;
    picture.SetFormat(format);

    if (stretchMode == 0) {
        Bitmap centred(width, height, format);
        centred.CopyRect(picture, 0, 0, picture.Width(), picture.Height(), (width - picture.Width()) / 2,
                         (height - picture.Height()) / 2);
        out = std::move(centred);
        return true;
    }
    Bitmap fitted;
    FitPicture(&picture, fitted, maintainAspect, stretchMode == 1, height, width, 0);
    fitted.SetFormat(format);
    out = std::move(fitted);
    return true;
}

QImage ImageOfBitmap(const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return {};
    const bool is16 = bitmap.Format() == tPixelFormat::Bits16;
    QImage image(bitmap.Width(), bitmap.Height(), is16 ? QImage::Format_RGB16 : QImage::Format_RGB32);
    const size_t rowBytes = size_t(bitmap.Width()) * (is16 ? 2 : 4);
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memcpy(image.scanLine(y), bitmap.Row(y), rowBytes);
    return image;
}

namespace {

constexpr int kAnimationSize = 120;
const QColor kAccentPink(255, 64, 160);
const QColor kAccentCyan(64, 200, 255);

// A stage microphone seen from the side, its head at the top of box.
void DrawMicrophone(QPainter& p, const QRectF& box) {
    const double cx = box.center().x();
    const double headR = box.width() * 0.16;
    const QPointF head(cx, box.top() + box.height() * 0.32);

    QRadialGradient mesh(head - QPointF(headR * 0.4, headR * 0.4), headR * 1.6);
    mesh.setColorAt(0, QColor(235, 235, 245));
    mesh.setColorAt(1, QColor(95, 95, 115));
    p.setPen(QPen(QColor(40, 40, 50), 1.5));
    p.setBrush(mesh);
    p.drawEllipse(head, headR, headR);
    p.setPen(QPen(QColor(60, 60, 75, 150), 1));
    for (int i = -2; i <= 2; ++i) {
        const double d = i * headR * 0.35;
        const double half = std::sqrt(std::max(0.0, headR * headR - d * d));
        p.drawLine(QPointF(head.x() + d, head.y() - half), QPointF(head.x() + d, head.y() + half));
        p.drawLine(QPointF(head.x() - half, head.y() + d), QPointF(head.x() + half, head.y() + d));
    }

    QLinearGradient body(cx - headR, 0, cx + headR, 0);
    body.setColorAt(0, QColor(30, 30, 36));
    body.setColorAt(0.45, QColor(110, 110, 125));
    body.setColorAt(1, QColor(20, 20, 26));
    QPainterPath handle;
    const double top = head.y() + headR * 0.95;
    handle.moveTo(cx - headR * 0.65, top);
    handle.lineTo(cx + headR * 0.65, top);
    handle.lineTo(cx + headR * 0.28, box.bottom() - box.height() * 0.06);
    handle.lineTo(cx - headR * 0.28, box.bottom() - box.height() * 0.06);
    handle.closeSubpath();
    p.setPen(QPen(QColor(15, 15, 20), 1));
    p.setBrush(body);
    p.drawPath(handle);
    p.setBrush(kAccentPink);
    p.drawRect(QRectF(cx - headR * 0.6, top, headR * 1.2, headR * 0.22));
}

// Sound waves leaving the microphone on both sides; phase runs from 0 to 1 over one cycle.
void DrawWaves(QPainter& p, const QRectF& box, double phase) {
    const QPointF origin(box.center().x(), box.top() + box.height() * 0.32);
    for (int ring = 0; ring < 3; ++ring) {
        const double t = std::fmod(phase + ring / 3.0, 1.0);
        const double radius = box.width() * (0.2 + 0.3 * t);
        const int alpha = int(255 * std::sin(t * std::numbers::pi));
        QColor colour = ring % 2 ? kAccentCyan : kAccentPink;
        colour.setAlpha(alpha);
        p.setPen(QPen(colour, 3.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QRectF arc(origin.x() - radius, origin.y() - radius, 2 * radius, 2 * radius);
        p.drawArc(arc, -40 * 16, 80 * 16);
        p.drawArc(arc, 140 * 16, 80 * 16);
    }
}

QFont LogoFont(int pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The word drawn half sung: the left part in the sung colours, the rest in the unsung ones,
// like a lyrics line in the middle of its wipe.
void DrawWipedWord(QPainter& p, const QString& word, const QPointF& baseline, const QFont& font,
                   double wipe) {
    QPainterPath path;
    path.addText(baseline, font, word);
    const QRectF bounds = path.boundingRect();
    const double split = bounds.left() + bounds.width() * wipe;

    p.setPen(QPen(QColor(0, 0, 0), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);

    p.save();
    p.setClipRect(
        QRectF(bounds.left() - 4, bounds.top() - 4, split - bounds.left() + 4, bounds.height() + 8));
    QLinearGradient sung(0, bounds.top(), 0, bounds.bottom());
    sung.setColorAt(0, QColor(255, 150, 210));
    sung.setColorAt(1, kAccentPink);
    p.setPen(Qt::NoPen);
    p.setBrush(sung);
    p.drawPath(path);
    p.restore();

    p.save();
    p.setClipRect(QRectF(split, bounds.top() - 4, bounds.right() - split + 4, bounds.height() + 8));
    QLinearGradient unsung(0, bounds.top(), 0, bounds.bottom());
    unsung.setColorAt(0, Qt::white);
    unsung.setColorAt(1, QColor(170, 220, 255));
    p.setPen(Qt::NoPen);
    p.setBrush(unsung);
    p.drawPath(path);
    p.restore();
}

// The program's logo: a dark rounded plate with room for the animated microphone at its
// left and the name beside it.
QImage MakeLogo() {
    QImage image(460, 170, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient plate(0, 0, 0, image.height());
    plate.setColorAt(0, QColor(38, 24, 70));
    plate.setColorAt(1, QColor(8, 6, 22));
    p.setPen(QPen(QColor(90, 60, 150), 2));
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(6, 6, image.width() - 12, image.height() - 12), 22, 22);
    DrawWipedWord(p, QStringLiteral("Lyrimo"), QPointF(170, 100), LogoFont(66, true), 0.55);
    p.setFont(LogoFont(20, false));
    p.setPen(QColor(200, 200, 230));
    p.drawText(QPointF(176, 134), QStringLiteral("karaoke for everyone"));
    return image;
}

// Where the animation sits on the logo.
QPoint AnimationPlace() { return {30, 25}; }

// The plate's colours under the animation, so each frame can be drawn opaque.
QImage AnimationBackground() {
    const QImage logo = MakeLogo();
    return logo.copy(QRect(AnimationPlace(), QSize(kAnimationSize, kAnimationSize)));
}

QImage MakeBanner() {
    QImage image(300, 54, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, image.width(), 0);
    band.setColorAt(0, QColor(0, 0, 0));
    band.setColorAt(0.35, QColor(60, 20, 80));
    band.setColorAt(1, QColor(120, 30, 110));
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRoundedRect(QRectF(0, 4, image.width() - 4, image.height() - 8), 12, 12);
    p.setFont(LogoFont(22, true));
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, image.width() - 18, image.height()), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Lyrimo Karaoke"));
    return image;
}

} // namespace

QImage LogoAnimationStrip() {
    const QImage background = AnimationBackground();
    QImage strip(kAnimationSize * kLogoAnimationFrames, kAnimationSize, QImage::Format_RGB32);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int frame = 0; frame < kLogoAnimationFrames; ++frame) {
        const QRectF box(frame * kAnimationSize, 0, kAnimationSize, kAnimationSize);
        p.drawImage(box.topLeft(), background);
        DrawWaves(p, box, double(frame) / kLogoAnimationFrames);
        DrawMicrophone(p, box.adjusted(20, 6, -20, -4));
    }
    return strip;
}

int LogoAnimationFrameAt(qint64 ms) {
    if (ms < 0)
        ms = 0;
    return int(ms * kLogoAnimationFps / 1000 % kLogoAnimationFrames);
}

TPlaybackBG::TPlaybackBG(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("Lyrimo Playback Background"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setCursor(Qt::BlankCursor);

    logo_ = MakeLogo();
    strip_ = LogoAnimationStrip();
    banner_ = MakeBanner();
    animation_ = new QTimer(this);
    animation_->setInterval(1000 / kLogoAnimationFps);
    connect(animation_, &QTimer::timeout, this, &TPlaybackBG::NextFrame);

    CoverPlayMonitor();
    TranslateWindow(this);
}

TPlaybackBG::~TPlaybackBG() = default;

void TPlaybackBG::CoverPlayMonitor() {
    RefreshMonitorRoles();
    CoverRole(this, monitor_role::Play);
    LoadUserPicture();
}

void TPlaybackBG::LoadUserPicture() {
    const tSettingsClass& settings = Settings();
    const int width = RoleWidth(monitor_role::Play);
    const int height = RoleHeight(monitor_role::Play);
    const QScreen* shownOn = screen();
    const tPixelFormat format =
        PixelFormatForGraphicsMode(settings.GraphicsMode, shownOn ? shownOn->depth() : 24);
    Bitmap picture;
    if (ComposeBackgroundPicture(settings.BgScreenFileName, settings.ScreenStretchMode,
                                 settings.BgMaintainAspect, format, width, height, picture)) {
        userPicture_ = ImageOfBitmap(picture);
    } else {
        userPicture_ = QImage();
    }
}

void TPlaybackBG::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    CoverPlayMonitor();
    if (ShowsUserPicture()) {
        animation_->stop();
    } else {
        clock_.start();
        animation_->start();
    }
}

void TPlaybackBG::NextFrame() {
    const int frame = LogoAnimationFrameAt(clock_.elapsed());
    if (frame == frame_)
        return;
    frame_ = frame;
    update(QRect(AnimationPlace(), QSize(kAnimationSize, kAnimationSize)));
}

void TPlaybackBG::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (ShowsUserPicture()) {
        p.drawImage(0, 0, userPicture_);
        return;
    }
    p.drawImage(0, 0, logo_);
    p.drawImage(AnimationPlace(), strip_, QRect(frame_ * kAnimationSize, 0, kAnimationSize, kAnimationSize));
    p.drawImage(width() - banner_.width(), height() - banner_.height(), banner_);
}

} // namespace lyrimo
