// What the timing recorders' windows share: the look of their panels, the font and line engines
// they draw with, the drawing of a line swept up to a glyph count, the control strip with its
// readouts and video panel, and the start of the media.
#pragma once

#include "editor/timing_recorder.h"
#include "playback/video_panel.h"
#include "render/font_backend.h"
#include "render/unicode_font_engine.h"

#include <QLabel>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialog;
class QFrame;
class QHBoxLayout;
class QImage;
class QPushButton;
class QVBoxLayout;

namespace lyrimo {

class tLyrimoData;
class tMyMediaPlayer;
class tTimingsLineType;

namespace recorder_window {

inline constexpr int kStripWidth = 240;
inline constexpr int kInstructionsWidth = 760;
inline constexpr Qt::CursorShape kNormalPointer = Qt::IBeamCursor;
inline constexpr Qt::CursorShape kPressedPointer = Qt::PointingHandCursor;

// The glyph measures of the line engines, for the recorders' rules. Breaks come from a second
// set of engines that know the song's extra break character (the drawing engines break at
// spaces only).
class tEngineLines : public tRecorderLines {
public:
    tEngineLines(const std::vector<tUnicodeFontEngine>& engines,
                 const std::vector<tUnicodeFontEngine>& breaks)
        : engines_(engines), breaks_(breaks) {}
    int GlyphCount(int line) const override;
    int LeadingWidth(int line, int count) const override;
    bool IsBreak(int line, int index) const override;

private:
    const std::vector<tUnicodeFontEngine>& engines_;
    const std::vector<tUnicodeFontEngine>& breaks_;
};

// The tap keys, beside the sweep: W times the next word or block, L the rest of the line.
std::optional<tTapStep> TapStepOfKey(int key);
// Their help on the instructions panels.
QStringList TapKeyHelp();

// The speed the recorders and previews play at: the same in all of them while the program runs.
int ChosenSpeed();
void ChooseSpeed(int percent);
// Sets the player to the chosen speed where it can change speed.
void ApplySpeed(tMyMediaPlayer& player);
// The speed the player plays at, for a readout.
QString SpeedText(tMyMediaPlayer& player);
// S plays slower and F faster, applied at once: true when the key was one of them.
bool HandleSpeedKey(int key, tMyMediaPlayer& player);
QStringList SpeedKeyHelp();
// Chooses among the speeds; a choice is applied to the player given while it is playing.
QComboBox* SpeedBox(tMyMediaPlayer* player);

// The instructions panel's last row: the speed to play at, then the Record and Cancel buttons.
QHBoxLayout* RecordButtonsRow(QComboBox* speed, QPushButton* record, QPushButton* cancel);

// The player manager as the recorders' clock.
class tPlayerTransport : public tRecorderTransport {
public:
    explicit tPlayerTransport(tMyMediaPlayer& player) : player_(player) {}
    int Position() override;
    bool IsPaused() override;
    void Play() override;
    void Pause() override;

private:
    tMyMediaPlayer& player_;
};

QString PanelStyleSheet();
QLabel* WrappedLabel(const QString& text, const char* name = nullptr);
// Keys belong to the recorder window: no control takes the focus (Space would press it).
template <typename tWidget>
tWidget* Unfocused(tWidget* widget) {
    widget->setFocusPolicy(Qt::NoFocus);
    return widget;
}
QPushButton* Button(const QString& text);
// The bitmap's pixels as an image, without copying them.
QImage ImageOf(const Bitmap& bitmap);
// Paints the bitmap at the widget's top left corner, or black while there is none.
void PaintBitmap(QWidget& widget, const Bitmap& bitmap);

// The second line of a check box's caption; clicking it toggles the box.
class tCaptionContinuation : public QLabel {
public:
    tCaptionContinuation(const QString& text, QCheckBox* box);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QCheckBox* box_;
};

// A check box with its caption's continuation below it.
QVBoxLayout* CheckBoxLines(QCheckBox* box, QLabel* continuation);

// The timing editors' font in the face and character set of the part (when it exists).
tFont RecorderFont(const tLyrimoData& song, int partIndex);
// An engine for one line of the song, measuring and drawing on canvas.
void SetupLineEngine(tUnicodeFontEngine& engine, tCanvas* canvas, const tLyrimoData& song,
                     const tTimingsLineType& line);
// An engine for a line's breaks: white space and the song's extra break character.
void SetupBreakEngine(tUnicodeFontEngine& engine, tCanvas* canvas, const tLyrimoData& song,
                      const tTimingsLineType& line);

// Draws a line whose first swept glyphs (none when 0 or less) are in the swept colour and the
// rest in the other. A left-to-right line stands at x = 0, a right-to-left one at the right
// edge of a window windowWidth wide, swept from there.
void DrawSweptLine(tCanvas& canvas, const tUnicodeFontEngine& engine, int top, int windowWidth,
                   bool rightToLeft, int swept, int32_t sweptColour, int32_t unsweptColour);

// The strip at the reading end of the screen: a title, the position, length and speed readouts
// and the video panel in a column (column), itself in a row (row) that may take more at its side.
struct tControlStrip {
    QFrame* frame = nullptr;
    QHBoxLayout* row = nullptr;
    QVBoxLayout* column = nullptr;
    QLabel* position = nullptr;
    QLabel* length = nullptr;
    QLabel* speed = nullptr;
    TVideoPanel* video = nullptr;
};
tControlStrip BuildControlStrip(QWidget* parent, const QString& title, bool rightToLeft);
// The strip's place: the full height at the window's right edge, or its left for right-to-left.
void PlaceControlStrip(QFrame* strip, const QWidget& window, bool rightToLeft);

// Opens the song's media for the video panel. A failure is told in a message box and false
// returned.
bool OpenRecorderMedia(tMyMediaPlayer& player, const tLyrimoData& song, TVideoPanel& video);

// Covers the screen of the window's parent (or under the pointer) with the window.
void CoverScreen(QDialog& window);

} // namespace recorder_window

} // namespace lyrimo
