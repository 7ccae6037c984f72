// The colour picker: a picture stretched over a window; a click takes the colour under the pointer
// (a picture's transparent colour, say). A swatch beside the pointer shows the colour it is over.
#pragma once

#include "picture/bitmap.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <optional>

class QFrame;

namespace lyrimo {

// The colour clicked in the picture held in bytes, or in the file when bytes is empty; nothing
// when the window was closed otherwise. A picture that cannot be loaded gives nothing and the
// reason in failure.
std::optional<tColour> PickColour(const QString& fileName, const QByteArray& bytes, tColour start,
                                  QString& failure, QWidget* parent = nullptr);

class TColorPicker : public QDialog {
    Q_OBJECT

public:
    TColorPicker(const QString& fileName, const QByteArray& bytes, tColour start, QWidget* parent = nullptr);

    bool Loaded() const { return !picture_.IsEmpty(); }
    QString Failure() const { return failure_; }
    std::optional<tColour> Picked() const { return picked_; }
    // The colour of the picture pixel under a window point.
    tColour ColourAt(QPoint point) const;
    QFrame* Swatch() const { return swatch_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void ShowSwatch(tColour colour);

    Bitmap picture_;
    QString failure_;
    std::optional<tColour> picked_;
    QFrame* swatch_ = nullptr;
};

} // namespace lyrimo
