// The playlist editor ("Lyrimo Batch Play Setup"): the host builds a playlist from song files,
// ticks the songs whose media requester is to be shown first, saves and loads playlists, and
// starts batch play, the editor hidden while the songs are performed.
#pragma once

#include "playlist/batch_play_window.h"
#include "playlist/playlist_file.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace lyrimo {

// What the editor asks of the user and of the player. Each file question returns nothing when
// the user cancels. StandardBatchConsoleSteps() gives the program's file dialogs and on-screen
// batch play; tests put their own in.
struct tBatchConsoleSteps {
    std::function<QString(QWidget* parent)> choosePlaylistToLoad;
    std::function<QString(QWidget* parent)> choosePlaylistToSave; // the dialog confirms overwriting
    std::function<QStringList(QWidget* parent)> chooseSongs;
    std::function<bool(const tBatchKaraokeFile& playlist)> play;
};
tBatchConsoleSteps StandardBatchConsoleSteps();

class TBatchPlayConsole : public QDialog {
    Q_OBJECT

public:
    enum Column { FileColumn, AlbumColumn, SongNameColumn, ArtistColumn, SourceColumn };

    // The playlist stays the caller's; playlistFileName is the file it was loaded from, or empty.
    TBatchPlayConsole(tBatchKaraokeFile& playlist, const QString& playlistFileName,
                      QWidget* parent = nullptr);
    ~TBatchPlayConsole() override;

    tBatchConsoleSteps Steps = StandardBatchConsoleSteps();

    const tBatchKaraokeFile& Playlist() const { return playlist_; }
    const QString& PlaylistFileName() const { return playlistFileName_; }
    // The list shown is what was last loaded, saved or started afresh.
    bool Saved() const { return saved_; }

    // The commands of the buttons and keys.
    void StartClick();
    void NewClick();
    void LoadClick();
    void SaveClick();
    void SaveAsClick();
    void AddClick();
    void DeleteClick();
    void MoveUpClick();
    void MoveDownClick();
    void RandomOrderClick(bool on);
    // Files dropped on the window, in the order given: the first playlist is loaded and ends the
    // drop; songs are appended; other files are ignored.
    void DropFiles(const QStringList& files);

    // Runs the editor modally. Unlike QDialog's own loop, this one goes on while the editor is
    // hidden for batch play.
    int exec() override;

    QTreeWidget* List() const { return list_; }
    QString StatusText() const;
    QPushButton* StartButton() const { return start_; }
    QPushButton* NewButton() const { return new_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* SaveAsButton() const { return saveAs_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* DeleteButton() const { return delete_; }
    QPushButton* MoveUpButton() const { return moveUp_; }
    QPushButton* MoveDownButton() const { return moveDown_; }
    QCheckBox* RandomOrderBox() const { return random_; }

protected:
    // Escape and the close box: when the list is not saved, only after the user agrees.
    void reject() override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildWindow();
    QPushButton* AddCommandButton(const char* caption, const char* hint, const char* keys,
                                  void (TBatchPlayConsole::*command)());
    // The command of a key; false for keys the editor does not use.
    bool HandleKey(const QKeyEvent& event);
    void RebuildRows();
    void AddRow(int entry);
    void AppendSong(const QString& file);
    void TickChanged(QTreeWidgetItem* item, int column);
    // Moves every selected row one place towards the top (step -1) or the bottom (step 1);
    // a selected row at the end, or behind another that cannot move, stays.
    void MoveSelection(int step);
    void SwapRows(int a, int b);
    void LoadFrom(const QString& file);
    bool SaveTo(const QString& file);
    // True when the list is saved or the user agrees to lose it; question ends the warning.
    bool MayDiscardChanges(const QString& question);
    bool Confirm(const QString& text, const QString& title);
    void SetSaved(bool saved);
    QString IdleStatus() const;
    void ShowStatus(const QString& text);

    tBatchKaraokeFile& playlist_;
    QString playlistFileName_;
    bool saved_ = true;
    bool placed_ = false; // centred on the control monitor at the first showing

    QTreeWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QCheckBox* random_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* moveUp_ = nullptr;
    QPushButton* moveDown_ = nullptr;
};

} // namespace lyrimo
