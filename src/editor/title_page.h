// The Title Effects page: the title screen's effect, speed, fades and font, with the title
// playing over and over in a panel while the page is shown.
#pragma once

#include "editor/editor_pages.h"
#include "picture/bitmap.h"

#include <QTimer>

#include <functional>
#include <memory>

class QSlider;

namespace lyrimo {

class tTitleEffect;

// A panel that shows a bitmap drawn by an example rendering; Draw is called every 40 ms while
// the panel is visible, with the bitmap of the panel's size (made anew, and flagged, on resize).
class TExamplePanel : public QWidget {
    Q_OBJECT

public:
    using tDraw = std::function<void(Bitmap& frame, bool resized)>;
    explicit TExamplePanel(tDraw draw, QWidget* parent = nullptr);

    bool Running() const { return timer_.isActive(); }
    // Holds the rendering (while the song is performed) or lets it go on.
    void Pause(bool paused);
    // One tick, as the timer gives it.
    void Tick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    tDraw draw_;
    Bitmap frame_;
    bool resized_ = true;
    bool paused_ = false;
    QTimer timer_;
};

class TTitlePage : public TEditorPage {
    Q_OBJECT

public:
    explicit TTitlePage(TSongEdit& editor);
    ~TTitlePage() override;
    void Fill() override;

    QComboBox* Effect() const { return effect_; }
    QSlider* Speed() const { return speed_; }
    TExamplePanel* Example() const { return example_; }
    const tTitleEffect& Title() const { return *title_; }
    // Starts the example title again from the song.
    void RestartExample();

private:
    void Store();
    void ChooseFont();
    void Draw(Bitmap& frame, bool resized);

    QComboBox* effect_ = nullptr;
    QSlider* speed_ = nullptr;
    QCheckBox* fadeIn_ = nullptr;
    QCheckBox* fadeOut_ = nullptr;
    QLabel* fontSample_ = nullptr;
    TExamplePanel* example_ = nullptr;
    std::unique_ptr<tTitleEffect> title_;
    bool prepared_ = false;
    bool filling_ = false;
};

} // namespace lyrimo
