// The Instrumental Animation page: per part, the animation played while no lyrics are shown, its
// place on the screen, and an example of it.
#pragma once

#include "editor/editor_pages.h"
#include "picture/bitmap.h"
#include "render/animations.h"

#include <QFrame>
#include <QTimer>

namespace lyrimo {

// The example panel: the song's background colour with the animation's current frame placed on
// it. The page keeps the animation.
class TAnimationExample : public QFrame {
    Q_OBJECT

public:
    explicit TAnimationExample(QWidget* parent = nullptr);

    void Show(const tInstrumentalAnimation* animation, uint8_t placement, tColour background);
    const Bitmap& Canvas() const { return canvas_; }
    // Draws the current frame into the canvas.
    void Render();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const tInstrumentalAnimation* animation_ = nullptr;
    uint8_t placement_ = 0;
    tColour background_ = 0;
    Bitmap canvas_;
};

class TAnimationPage : public TPartPage {
    Q_OBJECT

public:
    explicit TAnimationPage(TSongEdit& editor);

    QComboBox* Animation() const { return animation_; }
    QComboBox* Horizontal() const { return horizontal_; }
    QComboBox* Vertical() const { return vertical_; }
    QCheckBox* Scroll() const { return scroll_; }
    QPushButton* Customize() const { return customize_; }
    TAnimationExample* Example() const { return example_; }
    const QTimer& ExampleTimer() const { return timer_; }
    // The animation the example shows.
    const tInstrumentalAnimation& ExampleAnimation() const { return exampleAnimation_; }
    void CustomizeAnimation();
    // Holds the example (while the song is performed) or lets it go on when the page is shown.
    void PauseExample(bool paused);

protected:
    void FillPart() override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void AnimationChosen();
    void PlacementChanged(const QString& what);
    void ShowEnabled();
    // Loads the example animation anew from the part.
    void RenderExample();

    QComboBox* animation_ = nullptr;
    QPushButton* customize_ = nullptr;
    QLabel* horizontalLabel_ = nullptr;
    QComboBox* horizontal_ = nullptr;
    QLabel* verticalLabel_ = nullptr;
    QComboBox* vertical_ = nullptr;
    QCheckBox* scroll_ = nullptr;
    TAnimationExample* example_ = nullptr;
    QTimer timer_;
    tInstrumentalAnimation exampleAnimation_;
    bool filling_ = false;
};

} // namespace lyrimo
