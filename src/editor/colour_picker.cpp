#include "editor/colour_picker.h"

#include "app/app_services.h"
#include "editor/animation_rules.h"
#include "editor/recorder_window_parts.h"
#include "picture/picture_decode.h"
#include "ui/program_colours.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace lyrimo {
namespace {

constexpr QSize kSwatchSize(24, 24);

tSize SizeOf(QSize size) { return {size.width(), size.height()}; }

} // namespace

std::optional<tColour> PickColour(const QString& fileName, const QByteArray& bytes, tColour start,
                                  QString& failure, QWidget* parent) {
    TColorPicker picker(fileName, bytes, start, parent);
    if (!picker.Loaded()) {
        failure = picker.Failure();
        return std::nullopt;
    }
    if (picker.exec() != QDialog::Accepted)
        return std::nullopt;
    return picker.Picked();
}

TColorPicker::TColorPicker(const QString& fileName, const QByteArray& bytes, tColour start, QWidget* parent)
    : QDialog(parent) {
    const QString caption = Translate("Colour Picker") + " - " + Translate("Click on desired colour");
    const bool loaded = bytes.isEmpty() ? LoadPictureFile(fileName, picture_, tPixelFormat::Bits32)
                                        : DecodePicture(bytes, fileName, picture_, tPixelFormat::Bits32);
    if (!loaded) {
        picture_ = Bitmap();
        setWindowTitle(caption + " - " + Translate("Error loading"));
        failure_ = Translate("No suitable graphics plugin was found to load this file") + "...";
        return;
    }
    setWindowTitle(caption + " - " + QString::number(picture_.Width()) + "x" +
                   QString::number(picture_.Height()));
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);

    const QScreen* display = screen();
    const tSize screenSize = display ? SizeOf(display->availableGeometry().size()) : tSize{1024, 768};
    const tSize size = PickerWindowSize({picture_.Width(), picture_.Height()}, screenSize);
    const tSize least = PickerMinimumSize(size);
    setMinimumSize(least.width, least.height);
    resize(size.width, size.height);

    swatch_ = new QFrame(this);
    swatch_->setFrameStyle(QFrame::Box | QFrame::Plain);
    swatch_->setFixedSize(kSwatchSize);
    ShowSwatch(start);
    swatch_->hide();
}

tColour TColorPicker::ColourAt(QPoint point) const {
    const tPoint at =
        PicturePointUnder({point.x(), point.y()}, SizeOf(size()), {picture_.Width(), picture_.Height()});
    return picture_.Pixel(at.x, at.y);
}

void TColorPicker::ShowSwatch(tColour colour) { swatch_->setStyleSheet(ColourSwatchStyle(int32_t(colour))); }

void TColorPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(rect(), recorder_window::ImageOf(picture_));
}

void TColorPicker::mouseMoveEvent(QMouseEvent* event) {
    if (!swatch_)
        return;
    const QPoint pointer = event->position().toPoint();
    ShowSwatch(ColourAt(pointer));
    const tPoint at = PickerSwatchPosition({pointer.x(), pointer.y()}, SizeOf(size()), SizeOf(kSwatchSize));
    swatch_->move(at.x, at.y);
    swatch_->show();
}

void TColorPicker::mousePressEvent(QMouseEvent* event) {
    if (!Loaded() || event->button() != Qt::LeftButton)
        return;
    picked_ = ColourAt(event->position().toPoint());
    accept();
}

} // namespace lyrimo
