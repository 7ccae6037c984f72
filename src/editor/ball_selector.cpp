#include "editor/ball_selector.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/animation_rules.h"
#include "editor/recorder_window_parts.h"
#include "render/drawing_utils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <numbers>

namespace lyrimo {
namespace {

constexpr tColour kMarkerKey = 0x0000FF; // pure red: not drawn
constexpr int kGridWidth = kBallGridColumns * kBallGridCell + 2;
constexpr int kGridHeight = kBallGridRows * kBallGridCell + 2;
constexpr QSize kPreviewSize(110, 140);
constexpr int kTickInterval = 40; // ms
constexpr int kBounceHeight = 60;

// A rounded yellow frame with a thin white inner line, over the key colour.
Bitmap SelectionMarker(tPixelFormat format) {
    Bitmap marker(kBallGridCell, kBallGridCell, format);
    marker.Fill(kMarkerKey);
    const int last = kBallGridCell - 1;
    for (int y = 0; y <= last; ++y) {
        for (int x = 0; x <= last; ++x) {
            const int edge = std::min({x, y, last - x, last - y});
            const bool corner = std::min(x, last - x) + std::min(y, last - y) < 3;
            if (corner)
                continue;
            if (edge < 2)
                marker.SetPixel(x, y, 0x00FFFF);
            else if (edge == 2)
                marker.SetPixel(x, y, 0xFFFFFF);
        }
    }
    return marker;
}

} // namespace

bool SelectBuiltInBall(tLyrimoData& song, int part, QWidget* parent) {
    TSelectBB window(song, part, parent);
    window.exec();
    return window.Changed();
}

TBitmapView::TBitmapView(const Bitmap& bitmap, QSize size, QWidget* parent)
    : QWidget(parent), bitmap_(bitmap) {
    setFixedSize(size);
}

void TBitmapView::paintEvent(QPaintEvent*) { recorder_window::PaintBitmap(*this, bitmap_); }

void TBitmapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onLeftButton)
        onLeftButton(event->position().toPoint());
}

void TBitmapView::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && onLeftButton)
        onLeftButton(event->position().toPoint());
}

TSelectBB::TSelectBB(tLyrimoData& song, int part, QWidget* parent)
    : QDialog(parent), song_(song), part_(part), marker_(SelectionMarker(WorkingPixelFormat())),
      grid_(kGridWidth, kGridHeight, WorkingPixelFormat()),
      preview_(kPreviewSize.width(), kPreviewSize.height(), WorkingPixelFormat()) {
    setWindowTitle(Translate("Built-in Bouncing Ball Selector"));
    balls_.reserve(kBuiltInBallCount);
    for (int n = 0; n < kBuiltInBallCount; ++n) {
        balls_.emplace_back(WorkingPixelFormat());
        balls_.back().LoadBuiltIn(n, false);
    }

    gridView_ = new TBitmapView(grid_, QSize(kGridWidth, kGridHeight));
    gridView_->setCursor(Qt::PointingHandCursor);
    gridView_->onLeftButton = [this](QPoint p) { SelectAt(p); };
    auto* gridFrame = new QFrame;
    gridFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* gridLayout = new QVBoxLayout(gridFrame);
    gridLayout->setContentsMargins(2, 2, 2, 2);
    gridLayout->addWidget(gridView_);

    previewView_ = new TBitmapView(preview_, kPreviewSize);
    auto* previewFrame = new QFrame;
    previewFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* previewLayout = new QVBoxLayout(previewFrame);
    previewLayout->setContentsMargins(2, 2, 2, 2);
    previewLayout->addWidget(previewView_);

    bouncing_ = new QCheckBox(Translate("Enable Bouncing"));
    animating_ = new QCheckBox(Translate("Enable Animation"));
    direction_ = new QComboBox;
    direction_->addItems({Translate("Forward"), Translate("Backward")});
    ok_ = new QPushButton(Translate("&Ok"));
    ok_->setDefault(true);

    auto* intro =
        new QLabel(Translate("This window allows you to choose a ball from one of the built in ones."));
    intro->setWordWrap(true);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Translate("Selections available:")), 0, 0);
    grid->addWidget(gridFrame, 1, 0, 4, 1, Qt::AlignTop);
    grid->addWidget(new QLabel(Translate("Preview:")), 0, 1);
    grid->addWidget(previewFrame, 1, 1, Qt::AlignTop);
    grid->addWidget(new QLabel(Translate("Animate:")), 2, 1);
    grid->addWidget(direction_, 3, 1, Qt::AlignTop);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bouncing_);
    buttons->addWidget(animating_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const tLyricsData& source = *song_.GetPart(part_);
    selected_ = SelectedBuiltInBall(source);
    const tBallFlags flags = BallFlagsOf(source.PartRecord);
    filling_ = true;
    bouncing_->setChecked(flags.bouncing);
    animating_->setChecked(flags.animating);
    direction_->setCurrentIndex(flags.forward ? 0 : 1);
    filling_ = false;

    connect(bouncing_, &QCheckBox::toggled, this, &TSelectBB::StoreFlags);
    connect(animating_, &QCheckBox::toggled, this, &TSelectBB::StoreFlags);
    connect(direction_, &QComboBox::currentIndexChanged, this, &TSelectBB::StoreFlags);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    timer_.setInterval(kTickInterval);
    connect(&timer_, &QTimer::timeout, this, &TSelectBB::Tick);
    timer_.start();
    Tick();
}

void TSelectBB::SelectAt(QPoint point) {
    const int ball = BallAtGridPoint(point.x(), point.y());
    SelectBuiltInBall(*song_.GetPart(part_), ball);
    selected_ = ball;
    changed_ = true;
    Tick();
}

void TSelectBB::StoreFlags() {
    if (filling_)
        return;
    StoreBallFlags(song_.GetPart(part_)->PartRecord,
                   {bouncing_->isChecked(), animating_->isChecked(), Forward()});
    changed_ = true;
}

bool TSelectBB::Forward() const { return direction_->currentIndex() == 0; }

void TSelectBB::Tick() {
    timer_.stop();
    const int64_t now = AnimationNow();
    DrawGrid(now);
    DrawPreview(now);
    gridView_->update();
    previewView_->update();
    timer_.start();
}

void TSelectBB::DrawGrid(int64_t now) {
    grid_.Fill(0);
    const tMyRect markerRect{0, 0, kBallGridCell, kBallGridCell};
    const int markerX = BallCellX(selected_) + 1;
    const int markerY = BallCellY(selected_) + 1;
    BlendCopy(marker_, grid_, markerRect, kMarkerKey, 255, markerY, markerX);
    for (int n = 0; n < kBuiltInBallCount; ++n) {
        const tBouncingBall& ball = balls_[n];
        if (ball.FrameCount <= 0)
            continue;
        int frame = int((now / 40) % ball.FrameCount);
        if (!Forward())
            frame = ball.FrameCount - frame - 1;
        ball.DrawFrameAt(frame, grid_, false, BallCellY(n) + 2, BallCellX(n) + 2);
    }
    // Over the selected ball the marker pulses.
    const int opacity = 100 + int(std::trunc(64 * std::sin(double(now) / 200)));
    BlendCopy(marker_, grid_, markerRect, kMarkerKey, opacity, markerY, markerX);
}

void TSelectBB::DrawPreview(int64_t now) {
    preview_.Fill(0);
    const tBouncingBall& ball = balls_[selected_];
    const int ground = preview_.Height() - ball.Height() - 20;
    const double angle = double((now / 8) % 180) * std::numbers::pi / 180;
    int y = ground - int(std::trunc(kBounceHeight * std::sin(angle)));
    ball.Draw(preview_, preview_.Width() / 2 - ball.FrameWidth / 2, Forward(), bouncing_->isChecked(),
              animating_->isChecked(), false, ground, y);
}

} // namespace lyrimo
