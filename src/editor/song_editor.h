// The song editor: one song, a tree of pages that edit it, the file commands, and undo.
//
// Pages write their edits into the song at once. Before changing it they call BeginEdit, which
// keeps the song for undo; after it they call Edited, which marks it modified. While the editor
// loads a file or fills its pages, edits neither mark the song nor record undo steps.
#pragma once

#include "editor/edit_history.h"
#include "importexport/import_common.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace lyrimo {

class tLyrimoData;
class tPartRecord;
struct tPictureSlot;
class tSlideRecord;
class TEditorPage;
struct tPictureType;

// The questions the editor asks through standard dialogs; replaceable so that tests need no
// modal loop. Each returns nothing when the user cancels.
struct tEditorDialogs {
    // An existing file to open; filter in the "Name|patterns|..." form.
    std::function<std::optional<QString>(const QString& title, const QString& filter)> openFile;
    // A file to save to, starting at initial.
    std::function<std::optional<QString>(const QString& title, const QString& filter, const QString& initial)>
        saveFile;
    // One line of text (at most 160 characters).
    std::function<std::optional<QString>(const QString& title, const QString& prompt, const QString& label,
                                         const QString& initial)>
        prompt;
    // A template name; cancelled only when allowCancel.
    std::function<std::optional<QString>(const QString& prompt, bool allowCancel)> chooseTemplate;
    // Saves the song as an import template under a name the user gives.
    std::function<void(tLyrimoData& song)> saveTemplate;
    // Records all timings of one part; true when something was recorded.
    std::function<bool(tLyrimoData& song, int part)> recordTimings;
    // Plays the song from a time, the way a performance would.
    std::function<void(tLyrimoData& song, int startMs)> preview;
    // The timings of one line, edited one by one; true when they changed.
    std::function<bool(tLyrimoData& song, int part, int line)> editLineTimings;
    // One line previewed with its media, editing offered; line is where the user ended.
    std::function<bool(tLyrimoData& song, int part, int& line)> previewLine;

    // Ball and instrumental animation setup. The built-in ball selector writes each choice into
    // the part at once; true when something changed.
    std::function<bool(tLyrimoData& song, int part)> selectBuiltInBall;
    // The animation wizard on a custom picture slot, with the part's ball flags for a ball or
    // nullptr for an instrumental animation; true when it finished and wrote them.
    std::function<bool(tPictureSlot& slot, tPartRecord* ballFlags)> animationWizard;

    // The slide show page's editors: a picture (its stretch or tile choice offered for full-screen
    // slide shows) and a slide; true when OK was pressed.
    std::function<bool(const tLyrimoData& song, tPictureType& picture, bool fullScreen)> editPicture;
    std::function<bool(const tLyrimoData& song, tSlideRecord& slide)> editSlide;

    // The media, background and title pages, and the timed preview:
    // a picture file, starting at current;
    std::function<std::optional<QString>(const QString& title, const QString& current)> choosePicture;
    // a colour (with the user's custom colours);
    std::function<std::optional<int32_t>(int32_t current)> chooseColour;
    // a picture file or its bytes shown; false with the reason when there is nothing to show;
    std::function<bool(const QString& fileName, const QByteArray& bytes, QString& reason)> previewPicture;
    // the song's media played in a window of its own;
    std::function<void(tLyrimoData& song)> previewMedia;
    // the time to play the karaoke from, starting at startMs.
    std::function<std::optional<int>(tLyrimoData& song, int startMs)> chooseStartTime;
};

tEditorDialogs StandardEditorDialogs(QWidget* parent);

class TSongEdit : public QDialog {
    Q_OBJECT

public:
    // Page numbers, as the tree lists them.
    enum Page {
        kInfoPage = 0,
        kMediaPage = 1,
        kLyricsPage = 2,
        kColoursPage = 3,
        kTimingsPage = 4,
        kBackgroundPage = 5,
        kSlideShowPage = 6,
        kAdvancedPage = 7,
        kTitlePage = 8,
        kEffectsPage = 9,
        kAnimationPage = 10,
        kPreviewModePage = 11,
        kPageCount = 12
    };

    // Edits song when given (not owned), else a song of its own. A file name is loaded once the
    // window shows.
    explicit TSongEdit(tLyrimoData* song = nullptr, const QString& fileToLoad = {},
                       QWidget* parent = nullptr);
    ~TSongEdit() override;

    tLyrimoData& Song() { return *song_; }
    const QString& FileName() const { return fileName_; }
    bool IsModified() const { return modified_; }
    bool IsLoading() const { return loading_; }
    tEditorDialogs& Dialogs() { return dialogs_; }
    tEditHistory& History() { return history_; }

    // What pages call around their edits.
    void BeginEdit(const QString& what, const QString& mergeKey = {});
    void Edited();

    // The file commands.
    void NewFile();
    void LoadOther();
    void LoadFile(const QString& fileName, bool pending = false);
    bool Save();
    bool SaveAs();
    void ImportFrom(const QString& extension);
    void ExportLrc(int part);
    void ApplyTemplate();
    void SaveAsTemplate();
    void Undo();
    void Redo();
    // Asks to save a modified song; false when the user cancelled (or saving failed).
    bool AskToSave();
    // A dropped file: only song files are taken.
    void HandleDrop(const QString& fileName);

    // Plays the song the way a performance would, from a time or from one the user gives.
    void PlayFrom(int startMs);
    void PreviewFromTime();

    void ShowPage(int page);
    int CurrentPage() const;
    TEditorPage* PageWidget(int page) const;
    // Refills every page from the song.
    void FillPages();
    QMenu* RecentMenu() const { return loadMenu_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus(QMenu* file, QMenu* edit, QMenu* preview, QMenu* help);
    void BuildPages();
    void RebuildRecentMenu();
    void UpdateCaption();
    void UpdateUndoActions();
    void ClearModified();
    bool WriteSong(const QString& fileName);
    bool ImportWithProgress(const std::function<bool(const tImportProgress&)>& import);
    void ShowProgress(bool visible, const QString& text = {});
    void OpenHelp(const QString& page);

    std::unique_ptr<tLyrimoData> ownSong_;
    tLyrimoData* song_;
    QString fileName_;
    QString pendingFile_;
    bool modified_ = false;
    bool loading_ = false;
    tEditorDialogs dialogs_;
    tEditHistory history_;

    QTreeWidget* tree_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    std::array<TEditorPage*, kPageCount> pages_{};
    QLabel* pageTitle_ = nullptr;
    QMenu* loadMenu_ = nullptr;
    QMenu* exportMenu_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QWidget* progress_ = nullptr;
    QLabel* progressText_ = nullptr;
    QProgressBar* stageBar_ = nullptr;
    QProgressBar* stepBar_ = nullptr;
};

} // namespace lyrimo
