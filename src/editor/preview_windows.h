// The song editor's preview windows: "Play Karaoke From", which asks for the time to play the
// karaoke from, and the media preview, which plays the song's media with its video.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

class QLabel;
class QSlider;

namespace lyrimo {

class TTimeSpinEdit;
class TVideoPanel;
class tLyrimoData;
class tMyMediaPlayer;

class TPlayFrom : public QDialog {
    Q_OBJECT

public:
    TPlayFrom(const tLyrimoData& song, int64_t start, QWidget* parent = nullptr);

    TTimeSpinEdit* TimeField() const { return time_; }
    // Picks the time by the lyrics line that starts there.
    void SelectFromLyrics();

protected:
    // The window has no title bar of its own to drag: any point of its surface drags it.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const tLyrimoData& song_;
    TTimeSpinEdit* time_ = nullptr;
    QPoint grab_;
};

// The time to play from, or nothing when cancelled.
std::optional<int> AskStartTime(const tLyrimoData& song, int start, QWidget* parent = nullptr);

class TMediaPreview : public QDialog {
    Q_OBJECT

public:
    explicit TMediaPreview(const tLyrimoData& song, QWidget* parent = nullptr);
    ~TMediaPreview() override;

    QLabel* FileLabel() const { return file_; }
    QSlider* Position() const { return slider_; }
    // Opens the media on the first tick, then follows the player.
    void Tick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool Open();
    void Seek(int tenths);

    const tLyrimoData& song_;
    std::unique_ptr<tMyMediaPlayer> player_;
    TVideoPanel* video_ = nullptr;
    QLabel* file_ = nullptr;
    QSlider* slider_ = nullptr;
    QTimer timer_;
    bool opened_ = false;
};

// The media's "File:" text: the CD track, the embedded media's type, or the file's name.
QString MediaPreviewFileText(const tLyrimoData& song);

void PreviewSongMedia(const tLyrimoData& song, QWidget* parent = nullptr);

} // namespace lyrimo
