#include "editor/waveform_view.h"

#include "app/app_services.h"
#include "ui/program_style.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace lyrimo {
namespace {

constexpr int kLabelHeight = 18;
constexpr int kMinSnapMs = 40;
constexpr double kZoomStep = 1.25;

// The program's colours, taken directly: the style sheet leaves no palette to a custom widget.
QColor Colour(const char* name) { return QColor(name); }
const QColor kBackground = Colour(program_colour::Deep);
const QColor kWave = QColor(110, 170, 255);
const QColor kHandle = Colour(program_colour::Accent);
const QColor kLabel = Colour(program_colour::Panel);
const QColor kText = Colour(program_colour::Text);
const QColor kCursor = QColor(255, 80, 120);

} // namespace

TWaveformView::TWaveformView(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(120);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

void TWaveformView::SetPeaks(tWaveformPeaks peaks, int partOffsetMs) {
    peaks_ = std::move(peaks);
    partOffset_ = partOffsetMs;
    onsets_ = FindOnsets(peaks_);
    for (int& onset : onsets_)
        onset += partOffset_;
    progress_.reset();
    update();
}

void TWaveformView::SetProgress(std::optional<double> fraction) {
    progress_ = fraction;
    update();
}

void TWaveformView::SetHandles(std::vector<tTimingHandle> handles) {
    handles_ = std::move(handles);
    if (selected_ >= int(handles_.size()))
        selected_ = -1;
    update();
}

void TWaveformView::SetSelected(int index) {
    selected_ = index;
    update();
}

void TWaveformView::SetCursorTime(std::optional<int> partMs) {
    if (cursor_ == partMs)
        return;
    cursor_ = partMs;
    update();
}

void TWaveformView::ShowRange(int fromMs, int toMs) {
    wantedRange_ = {fromMs, toMs};
    scale_.startMs = fromMs;
    scale_.msPerPixel = std::clamp(double(std::max(toMs - fromMs, 1)) / std::max(width(), 1),
                                   tWaveformScale::kFinest, tWaveformScale::kCoarsest);
    update();
}

int TWaveformView::SnapReach() const {
    return std::max(kMinSnapMs, int(kGrabPixels * 2 * scale_.msPerPixel));
}

int TWaveformView::HandleAt(int x) const {
    int best = -1;
    int bestDistance = kGrabPixels + 1;
    for (int i = 0; i < int(handles_.size()); ++i) {
        const int distance = std::abs(scale_.XOf(handles_[size_t(i)].ms) - x);
        if (distance < bestDistance || (distance == bestDistance && handles_[size_t(i)].index == selected_)) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void TWaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter);
}

void TWaveformView::Draw(QPainter& painter) const {
    painter.fillRect(rect(), kBackground);
    DrawWave(painter);
    DrawHandles(painter);
    if (cursor_) {
        painter.setPen(QPen(kCursor, 2));
        const int x = scale_.XOf(*cursor_);
        painter.drawLine(x, 0, x, height());
    }
    if (progress_) {
        painter.setPen(kText);
        painter.drawText(rect(), Qt::AlignCenter,
                         Translate("Reading the sound...") + QString(" %1%").arg(int(*progress_ * 100)));
    }
}

// One vertical stroke per pixel column, from the lowest to the highest sample the column spans.
void TWaveformView::DrawWave(QPainter& painter) const {
    if (peaks_.IsEmpty())
        return;
    const int top = kLabelHeight;
    const int middle = top + (height() - top) / 2;
    const double scale = (height() - top) / 2.0 / 127.0;
    std::vector<QLine> strokes;
    strokes.reserve(size_t(width()));
    for (int x = 0; x < width(); ++x) {
        const int first = (scale_.MsAt(x) - partOffset_) / tWaveformPeaks::kSliceMs;
        const int last = std::max(first + 1, (scale_.MsAt(x + 1) - partOffset_) / tWaveformPeaks::kSliceMs);
        if (last <= 0 || first >= peaks_.Slices())
            continue;
        int low = 0, high = 0;
        for (int s = std::max(first, 0); s < std::min(last, peaks_.Slices()); ++s) {
            low = std::min<int>(low, peaks_.low[size_t(s)]);
            high = std::max<int>(high, peaks_.high[size_t(s)]);
        }
        strokes.emplace_back(x, middle - int(high * scale), x, middle - int(low * scale));
    }
    painter.setPen(kWave);
    painter.drawLines(strokes.data(), int(strokes.size()));
}

void TWaveformView::DrawHandles(QPainter& painter) const {
    const QColor handleColour = kHandle;
    const QColor selectedColour = Qt::white;
    const QFontMetrics metrics(font());
    if (dragging_ >= 0) {
        const tTimingHandle& held = handles_[size_t(dragging_)];
        const int from = scale_.XOf(held.earliest), to = scale_.XOf(held.latest);
        painter.fillRect(QRect(from, kLabelHeight, std::max(to - from, 1), height() - kLabelHeight),
                         QColor(255, 255, 255, 28));
    }
    for (const tTimingHandle& handle : handles_) {
        const int x = scale_.XOf(handle.ms);
        if (x < -200 || x > width() + 200)
            continue;
        const bool selected = handle.index == selected_;
        painter.setPen(QPen(selected ? selectedColour : handleColour, selected ? 2 : 1));
        painter.drawLine(x, kLabelHeight, x, height());
        const QString label = handle.label.isEmpty() ? QString::number(handle.index + 1) : handle.label;
        const QRect box(x - metrics.horizontalAdvance(label) - 6, 1, metrics.horizontalAdvance(label) + 6,
                        kLabelHeight - 2);
        painter.fillRect(box, selected ? handleColour : kLabel);
        painter.setPen(selected ? kBackground : kText);
        painter.drawText(box, Qt::AlignCenter, label);
    }
}

void TWaveformView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressX_ = int(event->position().x());
    moved_ = false;
    dragging_ = HandleAt(pressX_);
    if (dragging_ >= 0) {
        selected_ = handles_[size_t(dragging_)].index;
        emit handleSelected(selected_);
    }
    update();
}

void TWaveformView::mouseMoveEvent(QMouseEvent* event) {
    const int x = int(event->position().x());
    setCursor(dragging_ >= 0 || HandleAt(x) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
    if (dragging_ < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    if (std::abs(x - pressX_) < 3 && !moved_)
        return;
    moved_ = true;
    tTimingHandle& handle = handles_[size_t(dragging_)];
    handle.ms = DragTarget(handle, scale_.MsAt(x), snapping_ ? &onsets_ : nullptr, SnapReach());
    emit handleDragged(handle.index, handle.ms);
    update();
}

void TWaveformView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int held = dragging_;
    dragging_ = -1;
    update();
    if (held >= 0 && moved_) {
        emit handleDropped(handles_[size_t(held)].index, handles_[size_t(held)].ms);
        return;
    }
    const int at = held >= 0 ? handles_[size_t(held)].ms - kLeadInMs : scale_.MsAt(pressX_);
    emit playFromRequested(at);
}

void TWaveformView::resizeEvent(QResizeEvent*) {
    if (wantedRange_)
        ShowRange(wantedRange_->first, wantedRange_->second);
}

void TWaveformView::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0)
        return;
    wantedRange_.reset();
    if (event->modifiers() & Qt::ControlModifier)
        scale_.ZoomAround(int(event->position().x()), std::pow(kZoomStep, -notches));
    else
        scale_.startMs -= int(notches * width() / 8 * scale_.msPerPixel);
    update();
}

} // namespace lyrimo
