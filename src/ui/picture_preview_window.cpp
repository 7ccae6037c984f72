#include "ui/picture_preview_window.h"

#include "app/app_services.h"
#include "document/binary_file.h"
#include "picture/picture_decode.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

// Song pictures are at most this big; a larger file is not a picture of a song.
constexpr int64_t kLargestPictureFile = 64 * 1024 * 1024;

QImage ImageOf(const Bitmap& picture) {
    return QImage(picture.Row(0), picture.Width(), picture.Height(), picture.Stride(), QImage::Format_RGB32)
        .copy();
}

} // namespace

bool PreviewPicture(const QString& fileName, const QByteArray& bytes, QString& reason, QWidget* parent) {
    QByteArray data = bytes;
    if (data.isEmpty() && !ReadWholeFile(fileName, data, kLargestPictureFile)) {
        reason = Translate("The picture file could not be read") + ": " + fileName;
        return false;
    }
    Bitmap picture;
    if (!DecodePicture(data, fileName, picture, tPixelFormat::Bits32)) {
        reason = Translate("The picture could not be decoded") + ": " + QFileInfo(fileName).fileName();
        return false;
    }
    QDialog window(parent);
    window.setWindowTitle(Translate("Picture Preview") + " - " + QFileInfo(fileName).fileName());
    auto* layout = new QVBoxLayout(&window);
    QPixmap pixmap = QPixmap::fromImage(ImageOf(picture));
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableSize() * 0.8 : QSize(1024, 768);
    if (pixmap.width() > room.width() || pixmap.height() > room.height())
        pixmap = pixmap.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    auto* shown = new QLabel;
    shown->setPixmap(pixmap);
    shown->setAlignment(Qt::AlignCenter);
    layout->addWidget(shown, 1);
    layout->addWidget(new QLabel(QString("%1   %2 x %3 %4")
                                     .arg(QFileInfo(fileName).fileName())
                                     .arg(picture.Width())
                                     .arg(picture.Height())
                                     .arg(Translate("pixels"))));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
    layout->addWidget(buttons);
    window.exec();
    return true;
}

} // namespace lyrimo
