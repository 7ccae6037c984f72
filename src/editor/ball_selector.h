// The built-in ball selector: every built-in ball in a grid, running, with a preview of the chosen
// one bouncing. Each choice is written into the song part at once; there is nothing to cancel.
#pragma once

#include "picture/bitmap.h"
#include "render/animations.h"

#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace lyrimo {

class tLyrimoData;

// Opens the selector on a part of song; true when something was changed.
bool SelectBuiltInBall(tLyrimoData& song, int part, QWidget* parent = nullptr);

// A bitmap shown at the widget's top left; optionally reporting the left button's presses and
// drags.
class TBitmapView : public QWidget {
    Q_OBJECT

public:
    TBitmapView(const Bitmap& bitmap, QSize size, QWidget* parent = nullptr);
    std::function<void(QPoint)> onLeftButton;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const Bitmap& bitmap_;
};

class TSelectBB : public QDialog {
    Q_OBJECT

public:
    TSelectBB(tLyrimoData& song, int part, QWidget* parent = nullptr);

    bool Changed() const { return changed_; }
    int SelectedBall() const { return selected_; }
    TBitmapView* Grid() const { return gridView_; }
    QCheckBox* Bouncing() const { return bouncing_; }
    QCheckBox* Animating() const { return animating_; }
    QComboBox* Direction() const { return direction_; }
    QPushButton* OkButton() const { return ok_; }
    const Bitmap& GridBitmap() const { return grid_; }
    const Bitmap& PreviewBitmap() const { return preview_; }
    // Draws the grid and the preview for the current time.
    void Tick();

private:
    void SelectAt(QPoint point);
    void StoreFlags();
    void DrawGrid(int64_t now);
    void DrawPreview(int64_t now);
    bool Forward() const;

    tLyrimoData& song_;
    int part_;
    int selected_ = 0;
    bool changed_ = false;
    bool filling_ = false;
    std::vector<tBouncingBall> balls_;
    Bitmap marker_;
    Bitmap grid_;
    Bitmap preview_;
    TBitmapView* gridView_ = nullptr;
    TBitmapView* previewView_ = nullptr;
    QCheckBox* bouncing_ = nullptr;
    QCheckBox* animating_ = nullptr;
    QComboBox* direction_ = nullptr;
    QPushButton* ok_ = nullptr;
    QTimer timer_;
};

} // namespace lyrimo
