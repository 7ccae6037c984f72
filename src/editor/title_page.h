// The Title Effects page: the title screen's effect, speed, fades and font, with the title
// playing over and over in a panel while the page is shown; and the panels of the editor's
// example renderings.
#pragma once

#include "editor/editor_pages.h"
#include "picture/bitmap.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>

class QSlider;

namespace lyrimo {

class tLyricsPlayback;
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

// The lyrics effects example: the selected part's first line (or an example line in its look)
// sung over and over.
class TLyricsExample : public TExamplePanel {
    Q_OBJECT

public:
    TLyricsExample(TSongEdit& editor, std::function<int()> partIndex, QWidget* parent = nullptr);
    ~TLyricsExample() override;

    // Takes the part's settings again and starts the line from its beginning.
    void Restart();
    // Whether the real first line is shown rather than the example line.
    bool ShowsRealLine() const { return realLine_; }
    const tLyrimoData& ExampleSong() const { return *example_; }

private:
    void Draw(Bitmap& frame, bool resized);
    void Prepare(const Bitmap& frame);

    TSongEdit& editor_;
    std::function<int()> partIndex_;
    std::unique_ptr<tLyrimoData> example_;
    std::unique_ptr<tLyricsPlayback> renderer_;
    QElapsedTimer clock_;
    int lineStart_ = 0;
    bool realLine_ = false;
    bool prepared_ = false;
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
