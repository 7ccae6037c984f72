// The waveform view: the sound of the song around a line, its timings as handles labelled with
// their syllables, and the playback cursor. A handle is dragged along the sound within the range
// the timings editor allows it, snapping to the nearest onset when snapping is on; a click on a
// handle asks to play from just before it, a click elsewhere from that place. The wheel scrolls,
// Ctrl and the wheel zoom around the pointer.
#pragma once

#include "editor/waveform_handles.h"
#include "media/waveform_peaks.h"

#include <QWidget>

#include <optional>
#include <vector>

namespace lyrimo {

class TWaveformView : public QWidget {
    Q_OBJECT

public:
    // Playing from a handle starts this long before it.
    static constexpr int kLeadInMs = 500;
    // A pointer this near a handle takes it.
    static constexpr int kGrabPixels = 5;

    explicit TWaveformView(QWidget* parent = nullptr);

    // The outline of the song's sound; media time 0 stands at partOffsetMs of part time.
    void SetPeaks(tWaveformPeaks peaks, int partOffsetMs);
    const tWaveformPeaks& Peaks() const { return peaks_; }
    // While the outline is being worked out: how far it is (0 to 1), or nothing once it is there.
    void SetProgress(std::optional<double> fraction);
    void SetHandles(std::vector<tTimingHandle> handles);
    const std::vector<tTimingHandle>& Handles() const { return handles_; }
    void SetSelected(int index);
    int Selected() const { return selected_; }
    // The playback cursor in part time; nothing hides it.
    void SetCursorTime(std::optional<int> partMs);
    // Shows part times from..to across the width, also when the width changes, until the user
    // scrolls or zooms.
    void ShowRange(int fromMs, int toMs);
    void SetSnapping(bool on) { snapping_ = on; }
    bool Snapping() const { return snapping_; }
    const tWaveformScale& Scale() const { return scale_; }
    // The onsets of the sound, in part time.
    const std::vector<int>& Onsets() const { return onsets_; }

    // Paints the view onto painter at its current size (the paint event's work).
    void Draw(QPainter& painter) const;

signals:
    void handleSelected(int index);
    void handleDragged(int index, int partMs);
    void handleDropped(int index, int partMs);
    void playFromRequested(int partMs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The handle under x, the selected one first; -1 when none.
    int HandleAt(int x) const;
    int SnapReach() const;
    void DrawWave(QPainter& painter) const;
    void DrawHandles(QPainter& painter) const;

    tWaveformPeaks peaks_;
    int partOffset_ = 0;
    std::vector<int> onsets_;
    std::optional<double> progress_;
    std::vector<tTimingHandle> handles_;
    int selected_ = -1;
    std::optional<int> cursor_;
    tWaveformScale scale_;
    std::optional<std::pair<int, int>> wantedRange_;
    bool snapping_ = true;

    int dragging_ = -1; // the handle held, by its place in handles_
    int pressX_ = 0;
    bool moved_ = false;
};

} // namespace lyrimo
