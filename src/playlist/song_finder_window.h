// The song finder window: a folder and its subfolders are searched for songs by song name,
// artist, album, lyrics or file name, and one of the songs found is chosen. The search runs
// in the window itself, one directory entry at a time with the window's events let through in
// between, so it shows its progress and can be stopped. As a launcher the window stays open
// and plays or edits the chosen song in a new instance of the program.
#pragma once

#include "tools/song_finder.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace lyrimo {

// Opens the finder in its folder: path in names a file or folder whose folder starts the
// search; path out is the chosen song. True when a song was chosen with OK. The top-most
// window stays above all others; as a launcher the window plays and edits songs itself and
// returns false when closed.
bool FindSong(bool topMost, bool launcherMode, QString& path);

class TFindform : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 600;
    static constexpr int kMinimumHeight = 431;
    enum Column { FileColumn, PathColumn, AlbumColumn, SongColumn, ArtistColumn };

    TFindform(bool topMost, bool launcherMode, const QString& path, QWidget* parent = nullptr);
    ~TFindform() override;

    // Starts another copy of the program with these arguments without waiting for it; false
    // when it could not be started. Tests replace it.
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
    // The folder chooser; false when none was chosen.
    std::function<bool(const QString& title, QString& folder)> chooseFolder;
    // Called after every step of a search, for tests.
    std::function<void()> afterStep;

    // The program a launcher starts: lyrimo beside the running program.
    static QString ProgramPath();

    // Searches with the window's choices, returning when the search has ended; ignored while
    // a search runs.
    void BeginSearch();
    bool Busy() const { return busy_; }
    // Stops a running search; without one closes the window as Cancel.
    void StopSearch();
    // The chosen file after OK.
    QString ResultPath() const { return resultPath_; }
    bool LauncherMode() const { return launcher_; }

    QComboBox* ModeBox() const { return mode_; }
    QLineEdit* TextField() const { return text_; }
    QLineEdit* FolderField() const { return folder_; }
    QCheckBox* AlbumBox() const { return album_; }
    QCheckBox* SongNameBox() const { return songName_; }
    QCheckBox* ArtistBox() const { return artist_; }
    QCheckBox* LyricsBox() const { return lyrics_; }
    QCheckBox* FileNameBox() const { return fileName_; }
    QTreeWidget* ResultList() const { return results_; }
    QPushButton* BeginButton() const { return begin_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* EditButton() const { return edit_; } // launcher mode only
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* BrowseButton() const { return browse_; }
    QString StatusText() const;
    QString ProgressText() const;

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void ReadChoices();
    void StoreChoices() const;
    tFindRequest Request() const;
    void Search(tFindRequest request);
    void ShowProgress(const tSongFinder& finder);
    void AddRow(const tFoundSong& hit);
    int RowFor(const QString& key) const;
    void SortBy(int column);
    QString SelectedPath() const;
    void OkClicked();
    void EditClicked();
    void Launch(const QString& file, const QString& command);
    void BrowseClicked();
    void UpdateButtons();
    void Place();

    bool launcher_;
    bool busy_ = false;
    bool aborted_ = false;
    int sortColumn_ = FileColumn;
    QString resultPath_;

    QComboBox* mode_ = nullptr;
    QLineEdit* text_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QCheckBox* album_ = nullptr;
    QCheckBox* songName_ = nullptr;
    QCheckBox* artist_ = nullptr;
    QCheckBox* lyrics_ = nullptr;
    QCheckBox* fileName_ = nullptr;
    QTreeWidget* results_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* progress_ = nullptr;
    QPushButton* begin_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace lyrimo
