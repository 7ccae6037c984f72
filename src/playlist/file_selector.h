// The file selector: a big, remote-control-friendly chooser that fills the control monitor and
// lists folders, volumes and songs with each song's title and artist, for a singer to pick the
// next song from.
#pragma once

#include "playlist/song_listing.h"

#include <QAbstractScrollArea>
#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QGridLayout;
class QLabel;
class QPushButton;

namespace lyrimo {

class TElidedLabel;

// The owner-drawn list: rows of 27 pixels, in one column or, when wide enough, two. Entries fill
// a page of the rows the list shows down the first column and then down the next; a page that is
// not full shares its entries evenly between the columns.
class TSongListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 27;
    // Windows at least this wide show two columns.
    static constexpr int kTwoColumnWidth = 1280;

    explicit TSongListView(QWidget* parent = nullptr);

    void SetEntries(const tFileList* entries, int selected);
    void SetColumnCount(int columns);
    int ColumnCount() const { return columns_; }
    int Selected() const { return selected_; }
    void Select(int index);
    // The entry under a point of the viewport, or -1.
    int EntryAt(const QPoint& point) const;
    QRect EntryRect(int index) const; // in viewport coordinates

signals:
    void Hovered(int index); // -1 over empty space
    void Activated(int index);
    void SelectionMoved(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct tCell {
        int row; // counted from the top of the first page
        int column;
    };
    int Count() const;
    int RowsPerPage() const;
    int PageSize() const;
    int RowsOnPage(int page) const;
    tCell CellOf(int index) const;
    int IndexAt(int row, int column) const; // -1 for an empty cell
    int FirstRow() const;
    void UpdateScrollBar();
    void ScrollTo(int index);
    void DrawEntry(QPainter& painter, const TFile& entry, const QRect& rect, bool selected,
                   bool hovered) const;

    const tFileList* entries_ = nullptr;
    int columns_ = 1;
    int selected_ = -1;
    int hovered_ = -1;
    int wheelTurn_ = 0;
};

class TFileSelector : public QDialog {
    Q_OBJECT
public:
    // findSong is the song finder: it starts at the given folder and, when the user finds a song,
    // puts its path there and returns true.
    explicit TFileSelector(std::function<bool(QString& path)> findSong, QWidget* parent = nullptr);
    ~TFileSelector() override;

    QString ChosenFile() const { return chosenFile_; }
    QString CurrentPath() const { return currentPath_; }
    const tFileList& Entries() const { return entries_; }
    TSongListView* List() const { return list_; }
    QString StatusText() const;
    bool Reading() const { return reading_; }
    // How long a folder reading may go without letting the window answer (repaint, keys).
    void SetAnswerEvery(int ms) { answerEveryMs_ = ms; }

    // Shows the folder (or the volumes for "."); a reading under way stops and this one follows.
    void ShowPath(const QString& path);
    // What showing the window does 10 ms later when the list is still empty.
    void ShowCurrentPath() { ShowPath(currentPath_); }
    // The commands of the buttons and digit keys.
    void PlaySelection();
    void FindSong();
    void ShowDrives() { ShowPath(kDrivesView); }
    void ShowDesktop();
    void ShowDocuments();
    void SortBy(bool byArtist);
    void SortByName() { SortBy(false); }
    void SortByArtist() { SortBy(true); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void BuildWindow();
    void ArrangeButtons(int columns);
    QPushButton* AddButton(const QString& digit, const QString& caption, const QString& hint);
    void ReadPath(const QString& path);
    void ShowEntries(int selected);
    void ShowStandardFolder(const QString& folder, const QString& missingNote);
    void UpdateSortButtons();
    void UpdateHeading();
    void SetStatus(const QString& text);
    void ShowHint(const QString& hint);
    void EntryHovered(int index);
    void Activate(int index);
    bool DigitCommand(int key);

    std::function<bool(QString&)> findSong_;
    tFileList entries_;
    QString currentPath_;
    QString chosenFile_;
    QString lastStatus_;
    std::optional<QString> pendingPath_;
    int answerEveryMs_ = 25;
    bool reading_ = false;
    bool closing_ = false;
    bool shownOnce_ = false;

    TElidedLabel* heading_ = nullptr;
    QLabel* count_ = nullptr;
    TElidedLabel* status_ = nullptr;
    TSongListView* list_ = nullptr;
    QGridLayout* buttons_ = nullptr;
    std::vector<QPushButton*> buttonList_;
    int buttonColumns_ = 0;
    QPushButton* sortByName_ = nullptr;
    QPushButton* sortByArtist_ = nullptr;
};

// Runs the file selector modally; the chosen song file, or "" when cancelled.
QString ChooseSongWithSelector(std::function<bool(QString&)> findSong);

} // namespace lyrimo
