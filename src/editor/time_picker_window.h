// "Get Timings from Lyrics": picks a time by the lyrics line that starts there. One tab per part
// over the part's lines; clicking a line takes its start (less the part's start offset), and the
// time can also be typed or stepped.
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

class QListWidget;

namespace lyrimo {

class TPartTabs;
class TTimeSpinEdit;
class tLyrimoData;

class TGetTimings : public QDialog {
    Q_OBJECT

public:
    TGetTimings(const QString& title, const tLyrimoData& song, int64_t start, QWidget* parent = nullptr);

    int64_t Time() const;
    TPartTabs* Tabs() const { return tabs_; }
    QListWidget* Lines() const { return lines_; }
    TTimeSpinEdit* TimeField() const { return time_; }

private:
    void FillLines();
    void LineClicked(int row);

    const tLyrimoData& song_;
    TPartTabs* tabs_ = nullptr;
    QListWidget* lines_ = nullptr;
    TTimeSpinEdit* time_ = nullptr;
};

// The time chosen, or nothing when cancelled.
std::optional<int64_t> PickTimeFromLyrics(const QString& title, const tLyrimoData& song, int64_t start,
                                          QWidget* parent = nullptr);

} // namespace lyrimo
