#include "editor/song_editor.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "document/import_template.h"
#include "document/song.h"
#include "document/song_loading.h"
#include "editor/animation_page.h"
#include "editor/animation_wizard.h"
#include "editor/ball_selector.h"
#include "editor/editor_pages.h"
#include "editor/line_preview_window.h"
#include "editor/line_timings_window.h"
#include "editor/media_pages.h"
#include "editor/preview_windows.h"
#include "editor/rec_all_window.h"
#include "editor/slide_dialogs.h"
#include "editor/slide_show_page.h"
#include "editor/song_edits.h"
#include "editor/title_page.h"
#include "importexport/import_dispatch.h"
#include "importexport/kok_import.h"
#include "importexport/lrc_export.h"
#include "importexport/lrc_import.h"
#include "importexport/midi_import.h"
#include "media/media_player.h"
#include "playback/play_driver.h"
#include "ui/help_pages.h"
#include "ui/picture_dialogs.h"
#include "ui/picture_preview_window.h"
#include "ui/program_colours.h"
#include "ui/template_windows.h"
#include "ui/translate_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

struct tTreeEntry {
    const char* caption;
    int page;
    int depth; // 1 for the entries under the one before
};

constexpr tTreeEntry kTree[] = {
    {"Song Information", TSongEdit::kInfoPage, 0},       {"Song Media", TSongEdit::kMediaPage, 0},
    {"Song Lyrics", TSongEdit::kLyricsPage, 0},          {"Lyrics Colours", TSongEdit::kColoursPage, 1},
    {"Preview Mode", TSongEdit::kPreviewModePage, 1},    {"Lyrics Timings", TSongEdit::kTimingsPage, 1},
    {"Playback Effects", TSongEdit::kBackgroundPage, 0}, {"Title Effects", TSongEdit::kTitlePage, 1},
    {"Lyrics Effects", TSongEdit::kEffectsPage, 1},      {"Instrumental Anim", TSongEdit::kAnimationPage, 1},
    {"Slide Show", TSongEdit::kSlideShowPage, 0},        {"Advanced Settings", TSongEdit::kAdvancedPage, 0},
};

// The importers the editor's menu offers, by extension.
struct tImportCommand {
    const char* extension;
    const char* title;
    QString (*filter)();
    const char* failure;
};

QString LrcFilter() {
    return "LRC " + Translate("files") + " (*.lrc)|*.lrc|" + Translate("All Files") + " (*.*)|*.*";
}
QString KarFilter() {
    return ".KAR " + Translate("files") + " (*.kar, *.mid)|*.kar;*.mid|" + Translate("All Files") +
           " (*.*)|*.*";
}
QString KokFilter() {
    return "KOK " + Translate("files") + " (*.kok)|*.kok|" + Translate("All Files") + " (*.*)|*.*";
}
QString SongFilter() {
    return "Lyrimo " + Translate("files") + " (*.lym)|*.lym|" + Translate("All Files") + " (*.*)|*.*";
}

const tImportCommand kImports[] = {
    {"LRC", "Select a LRC file to import from", LrcFilter, "Error importing song from .LRC file"},
    {"KAR", "Select a karaoke midi file to import from", KarFilter,
     "Error importing song from midi karaoke file."},
    {"KOK", "Select a KOK karaoke file to import from", KokFilter,
     "Error importing song from .KOK karaoke file"},
};

bool IsSongFile(const QString& fileName) { return QFileInfo(fileName).suffix().toUpper() == "LYM"; }

// Files marked read-only (no write permission for their owner), hidden files and folders send
// Save on to Save As rather than being written over.
bool NeedsSaveAs(const QString& fileName) {
    if (fileName.isEmpty())
        return true;
    const QFileInfo info(fileName);
    return info.exists() && (info.isDir() || !(info.permissions() & QFile::WriteOwner) || info.isHidden());
}

std::optional<QString> OpenFileDialog(QWidget* parent, const QString& title, const QString& filter) {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QtNameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> SaveFileDialog(QWidget* parent, const QString& title, const QString& filter,
                                      const QString& initial) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(QtNameFilters(filter));
    if (!initial.isEmpty())
        dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> PromptDialog(QWidget* parent, const QString& title, const QString& prompt,
                                    const QString& label, const QString& initial) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt + "\n" + label);
    dialog.setTextValue(initial);
    dialog.setOkButtonText(Translate("&Ok"));
    dialog.setCancelButtonText(Translate("&Cancel"));
    if (auto* field = dialog.findChild<QLineEdit*>())
        field->setMaxLength(kEditorLineLength);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().left(kEditorLineLength);
}

std::optional<int32_t> ColourDialog(QWidget* parent, int32_t current) {
    QColorDialog dialog(DialogColour(current), parent);
    CustomColoursToDialog(Settings().CustomColours);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    Settings().CustomColours = CustomColoursFromDialog();
    if (!chosen)
        return std::nullopt;
    return ProgramColour(dialog.selectedColor());
}

} // namespace

tEditorDialogs StandardEditorDialogs(QWidget* parent) {
    tEditorDialogs d;
    d.openFile = [parent](const QString& title, const QString& filter) {
        return OpenFileDialog(parent, title, filter);
    };
    d.saveFile = [parent](const QString& title, const QString& filter, const QString& initial) {
        return SaveFileDialog(parent, title, filter, initial);
    };
    d.prompt = [parent](const QString& title, const QString& prompt, const QString& label,
                        const QString& initial) {
        return PromptDialog(parent, title, prompt, label, initial);
    };
    d.chooseTemplate = [parent](const QString& prompt, bool allowCancel) -> std::optional<QString> {
        const tTemplateChoice choice = ChooseTemplate(prompt, allowCancel, parent);
        if (choice.cancelled)
            return std::nullopt;
        return choice.name;
    };
    d.saveTemplate = [parent](tLyrimoData& song) { SaveSongAsTemplate(song, parent); };
    d.recordTimings = [parent](tLyrimoData& song, int part) { return RecordAllTimings(song, part, parent); };
    d.preview = [](tLyrimoData& song, int startMs) { PlaySong(song, startMs, false, false, false); };
    d.editLineTimings = [parent](tLyrimoData& song, int part, int line) {
        return EditLineTimings(song, part, line, parent);
    };
    d.previewLine = [parent](tLyrimoData& song, int part, int& line) {
        return PreviewLine(song, part, line, true, parent);
    };
    d.selectBuiltInBall = [parent](tLyrimoData& song, int part) {
        return SelectBuiltInBall(song, part, parent);
    };
    d.animationWizard = [parent](tPictureSlot& slot, tPartRecord* ballFlags) {
        return RunAnimationWizard(slot, ballFlags, parent);
    };
    d.editPicture = [parent](const tLyrimoData& song, tPictureType& picture, bool fullScreen) {
        return EditSlideShowPicture(song, picture, fullScreen, parent);
    };
    d.editSlide = [parent](const tLyrimoData& song, tSlideRecord& slide) {
        return EditSlideShowSlide(song, slide, parent);
    };
    d.choosePicture = [parent](const QString& title, const QString& current) {
        return ChoosePictureFile(title, current, parent);
    };
    d.chooseColour = [parent](int32_t current) { return ColourDialog(parent, current); };
    d.previewPicture = [parent](const QString& fileName, const QByteArray& bytes, QString& reason) {
        return PreviewPicture(fileName, bytes, reason, parent);
    };
    d.previewMedia = [parent](tLyrimoData& song) { PreviewSongMedia(song, parent); };
    d.chooseStartTime = [parent](tLyrimoData& song, int startMs) {
        return AskStartTime(song, startMs, parent);
    };
    return d;
}

TSongEdit::TSongEdit(tLyrimoData* song, const QString& fileToLoad, QWidget* parent)
    : QDialog(parent), ownSong_(song ? nullptr : std::make_unique<tLyrimoData>()),
      song_(song ? song : ownSong_.get()), pendingFile_(fileToLoad), dialogs_(StandardEditorDialogs(this)) {
    setObjectName("SongEditor");
    setAcceptDrops(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);

    auto* menus = new QMenuBar;
    QMenu* file = menus->addMenu(Translate("&File"));
    QMenu* edit = menus->addMenu(Translate("&Edit"));
    QMenu* preview = menus->addMenu(Translate("&Preview"));
    QMenu* help = menus->addMenu(Translate("&Help"));
    BuildMenus(file, edit, preview, help);
    BuildPages();

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menus);
    auto* splitter = new QSplitter;
    splitter->addWidget(tree_);
    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    pageTitle_ = new QLabel;
    pageTitle_->setObjectName("PageTitle");
    pageTitle_->setStyleSheet("QLabel#PageTitle { font-size: 16px; font-weight: bold; padding: 4px 0; }");
    rightLayout->addWidget(pageTitle_);
    rightLayout->addWidget(stack_, 1);
    rightLayout->addWidget(progress_);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter);

    FillPages();
    ClearModified();
    RebuildRecentMenu();
    ShowPage(kInfoPage);
    resize(900, 640);
}

TSongEdit::~TSongEdit() = default;

void TSongEdit::BuildMenus(QMenu* file, QMenu* edit, QMenu* preview, QMenu* help) {
    file->addAction(Translate("&New Lyrimo File..."), this, &TSongEdit::NewFile);
    loadMenu_ = file->addMenu(Translate("&Load Lyrimo File..."));
    file->addAction(Translate("&Save Lyrimo File"), QKeySequence::Save, this, &TSongEdit::Save);
    file->addAction(Translate("Save Lyrimo File &As..."), this, &TSongEdit::SaveAs);
    QMenu* templates = file->addMenu(Translate("Templates"));
    templates->addAction(Translate("Apply Settings from T&emplate..."), this, &TSongEdit::ApplyTemplate);
    templates->addAction(Translate("Save as Import &Template..."), this, &TSongEdit::SaveAsTemplate);
    QMenu* imports = file->addMenu(Translate("&Import Karaoke From"));
    imports->addAction(Translate(".LRC file..."), this, [this] { ImportFrom("LRC"); });
    imports->addAction(Translate(".KAR (or MIDI) file..."), this, [this] { ImportFrom("KAR"); });
    imports->addAction(Translate(".KOK karaoke file..."), this, [this] { ImportFrom("KOK"); });
    exportMenu_ = file->addMenu(Translate("&Export Karaoke Information As"));
    connect(exportMenu_, &QMenu::aboutToShow, this, [this] {
        exportMenu_->clear();
        for (int p = 0; p < Song().PartCount(); ++p)
            exportMenu_->addAction(Translate(".LRC file...") + " (" + PartName(*Song().GetPart(p)) + ")",
                                   this, [this, p] { ExportLrc(p); });
    });
    file->addSeparator();
    file->addAction(Translate("&Back to Main Menu..."), this, &QDialog::close);

    undo_ = edit->addAction(Translate("&Undo"), QKeySequence::Undo, this, &TSongEdit::Undo);
    redo_ = edit->addAction(Translate("&Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this,
                            &TSongEdit::Redo);

    preview->addAction(Translate("&Full Karaoke Preview..."), this, [this] { PlayFrom(0); });
    preview->addAction(Translate("Preview from Time..."), this, &TSongEdit::PreviewFromTime);

    help->addAction(Translate("&Contents..."), this, [this] { OpenHelp("index.html"); });
    help->addAction(Translate("&Help on This Dialog..."), this,
                    [this] { OpenHelp(PageWidget(CurrentPage())->HelpPage()); });
    UpdateUndoActions();
}

void TSongEdit::BuildPages() {
    tree_ = new QTreeWidget;
    tree_->setHeaderHidden(true);
    tree_->setMinimumWidth(180);
    stack_ = new QStackedWidget;

    pages_[kInfoPage] = new TInfoPage(*this);
    pages_[kMediaPage] = new TMediaPage(*this);
    pages_[kLyricsPage] = new TLyricsPage(*this);
    pages_[kColoursPage] = new TColoursPage(*this);
    pages_[kTimingsPage] = new TTimingsPage(*this);
    pages_[kBackgroundPage] = new TBackgroundPage(*this);
    pages_[kSlideShowPage] = new TSlideShowPage(*this);
    pages_[kAdvancedPage] = new TAdvancedPage(*this);
    pages_[kTitlePage] = new TTitlePage(*this);
    pages_[kEffectsPage] = new TEffectsPage(*this);
    pages_[kAnimationPage] = new TAnimationPage(*this);
    pages_[kPreviewModePage] = new TPreviewModePage(*this);
    for (TEditorPage* page : pages_)
        stack_->addWidget(page);

    QTreeWidgetItem* parent = nullptr;
    for (const tTreeEntry& entry : kTree) {
        auto* item = entry.depth == 0 || !parent ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(parent);
        item->setText(0, Translate(entry.caption));
        item->setData(0, Qt::UserRole, entry.page);
        if (entry.depth == 0)
            parent = item;
    }
    tree_->expandAll();
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            ShowPage(item->data(0, Qt::UserRole).toInt());
    });

    progress_ = new QWidget;
    auto* progressLayout = new QVBoxLayout(progress_);
    progressText_ = new QLabel;
    stageBar_ = new QProgressBar;
    stepBar_ = new QProgressBar;
    progressLayout->addWidget(progressText_);
    progressLayout->addWidget(stageBar_);
    progressLayout->addWidget(stepBar_);
    progress_->hide();
}

void TSongEdit::PlayFrom(int startMs) {
    if (!dialogs_.preview)
        return;
    // The example renderings would compete with the performance for the processor.
    const QList<TExamplePanel*> examples = findChildren<TExamplePanel*>();
    auto* animation = static_cast<TAnimationPage*>(pages_[kAnimationPage]);
    for (TExamplePanel* panel : examples)
        panel->Pause(true);
    animation->PauseExample(true);
    history_.Seal();
    dialogs_.preview(Song(), startMs);
    for (TExamplePanel* panel : examples)
        panel->Pause(false);
    animation->PauseExample(false);
}

void TSongEdit::PreviewFromTime() {
    if (!dialogs_.chooseStartTime)
        return;
    const auto start = dialogs_.chooseStartTime(Song(), Settings().LastStartTime);
    if (!start)
        return;
    Settings().LastStartTime = *start;
    PlayFrom(*start);
}

TEditorPage* TSongEdit::PageWidget(int page) const {
    return page >= 0 && page < kPageCount ? pages_[page] : nullptr;
}

int TSongEdit::CurrentPage() const {
    for (int p = 0; p < kPageCount; ++p)
        if (stack_->currentWidget() == pages_[p])
            return p;
    return kInfoPage;
}

void TSongEdit::ShowPage(int page) {
    TEditorPage* widget = PageWidget(page);
    if (!widget)
        return;
    history_.Seal();
    // Pages that work per part rebuild their tabs from the song each time they are entered.
    widget->Fill();
    stack_->setCurrentWidget(widget);
    pageTitle_->setText(Translate(widget->Title()));
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toInt() == page && tree_->currentItem() != *it) {
            QSignalBlocker block(tree_);
            tree_->setCurrentItem(*it);
        }
    }
}

void TSongEdit::FillPages() {
    const bool wasLoading = loading_;
    loading_ = true;
    for (TEditorPage* page : pages_)
        page->Fill();
    loading_ = wasLoading;
}

void TSongEdit::BeginEdit(const QString& what, const QString& mergeKey) {
    if (loading_)
        return;
    history_.Record(Song(), what, mergeKey);
    UpdateUndoActions();
}

void TSongEdit::Edited() {
    if (loading_)
        return;
    if (!modified_) {
        modified_ = true;
        UpdateCaption();
    }
    UpdateUndoActions();
}

void TSongEdit::ClearModified() {
    modified_ = false;
    UpdateCaption();
}

void TSongEdit::UpdateCaption() { setWindowTitle(EditorCaption(fileName_, modified_)); }

void TSongEdit::UpdateUndoActions() {
    if (!undo_)
        return;
    undo_->setEnabled(history_.CanUndo());
    undo_->setText(Translate("&Undo") + (history_.CanUndo() ? " " + history_.UndoText() : QString()));
    redo_->setEnabled(history_.CanRedo());
    redo_->setText(Translate("&Redo") + (history_.CanRedo() ? " " + history_.RedoText() : QString()));
}

void TSongEdit::Undo() {
    if (!history_.Undo(Song()))
        return;
    const int page = CurrentPage();
    FillPages();
    ShowPage(page);
    Edited();
}

void TSongEdit::Redo() {
    if (!history_.Redo(Song()))
        return;
    const int page = CurrentPage();
    FillPages();
    ShowPage(page);
    Edited();
}

bool TSongEdit::AskToSave() {
    if (!modified_)
        return true;
    const int answer =
        App().MessageBox(Translate("The information in this karaoke has been changed since") + "\n\r" +
                             Translate("it was last saved, do you want to save changes?"),
                         Translate("File has changed, save changes?"), mb::YesNoCancel | mb::IconWarning);
    if (answer == mb::IdCancel)
        return false;
    if (answer == mb::IdYes)
        return Save() && !modified_;
    return true;
}

bool TSongEdit::WriteSong(const QString& fileName) {
    const int result = Song().SaveToFile(fileName);
    if (result < 0)
        App().MessageBox(Translate("An unknown error occured saving the file"), Translate("Error"),
                         mb::Ok | mb::IconStop);
    else if (result > 0)
        App().MessageBox(Translate("Error saving the file") + ":\r\n" + ErrorText(result), Translate("Error"),
                         mb::Ok | mb::IconStop);
    return result == 0;
}

bool TSongEdit::Save() {
    if (NeedsSaveAs(fileName_))
        return SaveAs();
    if (WriteSong(fileName_))
        ClearModified();
    RebuildRecentMenu();
    return !modified_;
}

bool TSongEdit::SaveAs() {
    QString initial;
    if (!fileName_.isEmpty() && QFileInfo::exists(fileName_))
        initial = fileName_;
    else if (fileName_.isEmpty())
        initial = Song().WideSongName() + ".lym";
    const std::optional<QString> chosen =
        dialogs_.saveFile ? dialogs_.saveFile(Translate("Save the file as:"), SongFilter(), initial)
                          : std::nullopt;
    if (!chosen)
        return false;
    QString name = *chosen;
    if (QFileInfo(name).suffix().isEmpty())
        name += ".lym";
    const bool written = WriteSong(name);
    if (written) {
        fileName_ = name;
        ClearModified();
        Settings().AddRecentFile(name);
    }
    RebuildRecentMenu();
    return written;
}

void TSongEdit::NewFile() {
    if (!AskToSave())
        return;
    ShowPage(kInfoPage);
    Song().Clear();
    fileName_.clear();
    history_.Clear();
    if (dialogs_.chooseTemplate) {
        const std::optional<QString> name =
            dialogs_.chooseTemplate(Translate("Start new file with template") + ":", false);
        if (name) {
            if (auto store = OpenSettingsStore())
                lyrimo::ApplyTemplate(*store, *name, Song());
        }
    }
    FillPages();
    ShowPage(kInfoPage);
    RebuildRecentMenu();
    ClearModified();
    UpdateUndoActions();
}

void TSongEdit::LoadOther() {
    if (!AskToSave() || !dialogs_.openFile)
        return;
    const QString filter =
        Translate("All Supported Files") + "|*.lym;*.kar;*.mid;*.midi;*.rmi;*.lrc;*.kok|" + SongFilter();
    if (const std::optional<QString> chosen =
            dialogs_.openFile(Translate("Please select a file to load or import..."), filter))
        LoadFile(*chosen);
}

bool TSongEdit::ImportWithProgress(const std::function<bool(const tImportProgress&)>& import) {
    ShowProgress(true, Translate("Loading File, Please Wait") + "...");
    auto progress = [this](QObject*, tLyrimoData&, int stage, int maximum, int position, int) {
        stageBar_->setRange(0, 4);
        stageBar_->setValue(std::clamp(stage, 0, 4));
        stepBar_->setRange(0, std::max(maximum, 1));
        stepBar_->setValue(std::clamp(position, 0, std::max(maximum, 1)));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const bool imported = import(progress);
    ShowProgress(false);
    return imported;
}

void TSongEdit::ShowProgress(bool visible, const QString& text) {
    progressText_->setText(text);
    stageBar_->setValue(0);
    stepBar_->setValue(0);
    progress_->setVisible(visible);
    if (visible)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TSongEdit::LoadFile(const QString& fileName, bool pending) {
    loading_ = true;
    ShowPage(kInfoPage);
    fileName_ = fileName;
    history_.Clear();
    const bool songFile = IsSongFile(fileName);
    const auto importer = [&](const tImportProgress& progress) {
        return ImportByExtension(fileName, Song(), progress, this);
    };
    const int result = songFile ? Song().LoadFromFile(fileName, true) : ImportWithProgress(importer) ? 0 : -1;
    if (result != 0) {
        fileName_.clear();
        if (result < 0)
            App().MessageBox(Translate("This is not a valid Lyrimo file") + (pending ? "" : "..."),
                             Translate("Error"), mb::Ok | mb::IconStop);
        else
            App().MessageBox(Translate("Error loading the specified file") + ":\r\n" + ErrorText(result),
                             Translate("Error"), mb::Ok | mb::IconStop);
        Song().Clear();
    } else if (songFile && !Song().LoadDamage.isEmpty()) {
        // Editing what is left of a damaged file and saving it would lose the rest for good.
        fileName_.clear();
        App().MessageBox(DamageReport(Song()) + "\r\n" + Translate("The file was not opened for editing") +
                             ".",
                         Translate("Error"), mb::Ok | mb::IconStop);
        Song().Clear();
    } else if (songFile) {
        ShowNewerVersionWarning(Song());
        Settings().AddRecentFile(fileName);
    } else {
        fileName_.clear(); // an imported song was never saved: Save asks where
    }
    FillPages();
    ShowPage(kInfoPage);
    RebuildRecentMenu();
    ClearModified();
    loading_ = false;
    UpdateUndoActions();
}

void TSongEdit::ImportFrom(const QString& extension) {
    const tImportCommand* command = nullptr;
    for (const tImportCommand& c : kImports)
        if (extension == c.extension)
            command = &c;
    if (!command || !AskToSave() || !dialogs_.openFile)
        return;
    const std::optional<QString> chosen =
        dialogs_.openFile(Translate(command->title) + ":", command->filter());
    if (!chosen)
        return;
    loading_ = true;
    ShowPage(kInfoPage);
    fileName_.clear();
    history_.Clear();
    const QString file = *chosen;
    const bool imported = ImportWithProgress([&](const tImportProgress& progress) {
        if (extension == "LRC")
            return ImportLrc(file, Song(), progress, this);
        if (extension == "KAR")
            return ImportMidi(file, Song(), progress, this);
        return ImportKok(file, Song(), progress, this);
    });
    if (!imported) {
        App().MessageBox(Translate(command->failure), Translate("Error"), mb::Ok | mb::IconWarning);
        Song().Clear();
    }
    FillPages();
    RebuildRecentMenu();
    ClearModified();
    loading_ = false;
    ShowPage(kInfoPage);
    UpdateUndoActions();
}

void TSongEdit::ExportLrc(int part) {
    const tLyricsData* exported = Song().GetPart(part);
    if (!exported || !dialogs_.saveFile)
        return;
    const QString title =
        Translate("Export part") + " \"" + PartName(*exported) + "\" -> .LRC " + Translate("file") + ":";
    const std::optional<QString> chosen = dialogs_.saveFile(title, LrcFilter(), QString());
    if (!chosen)
        return;
    ShowProgress(true, Translate("Exporting File, Please Wait") + "...");
    const bool written = lyrimo::ExportLrc(*chosen, Song(), part);
    ShowProgress(false);
    if (!written)
        App().MessageBox(Translate("Error exporting song as .LRC file"), Translate("Error"),
                         mb::Ok | mb::IconWarning);
}

void TSongEdit::ApplyTemplate() {
    if (!dialogs_.chooseTemplate)
        return;
    const std::optional<QString> name =
        dialogs_.chooseTemplate(Translate("Select template to apply") + ":", true);
    if (!name)
        return;
    BeginEdit(Translate("Apply Template"));
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    if (!lyrimo::ApplyTemplate(*store, *name, Song()))
        return;
    const int page = CurrentPage();
    FillPages();
    ShowPage(page);
    Edited();
}

void TSongEdit::SaveAsTemplate() {
    if (dialogs_.saveTemplate)
        dialogs_.saveTemplate(Song());
}

void TSongEdit::HandleDrop(const QString& fileName) {
    if (!IsSongFile(fileName)) {
        App().MessageBox(Translate("Error loading specified file"), Translate("Error"),
                         mb::Ok | mb::IconStop);
        return;
    }
    if (!AskToSave())
        return;
    pendingFile_.clear();
    LoadFile(fileName, true);
}

void TSongEdit::RebuildRecentMenu() {
    loadMenu_->clear();
    loadMenu_->addAction(Translate("Other..."), this, &TSongEdit::LoadOther);
    loadMenu_->addSeparator();
    const QStringList& recent = Settings().RecentFiles;
    if (recent.isEmpty()) {
        loadMenu_->addAction(Translate("No File History"))->setEnabled(false);
        return;
    }
    for (int i = 0; i < recent.size(); ++i) {
        const QString file = recent[i];
        QAction* action = loadMenu_->addAction(QFileInfo(file).fileName(), this, [this, file] {
            if (AskToSave())
                LoadFile(file);
        });
        if (i < 9)
            action->setShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + i)));
        action->setToolTip(file);
    }
}

void TSongEdit::OpenHelp(const QString& page) { OpenHelpPage(page); }

void TSongEdit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (pendingFile_.isEmpty())
        return;
    const QString file = pendingFile_;
    pendingFile_.clear();
    if (QFileInfo::exists(file))
        QTimer::singleShot(0, this, [this, file] { LoadFile(file, true); });
}

void TSongEdit::closeEvent(QCloseEvent* event) {
    if (!AskToSave()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TSongEdit::keyPressEvent(QKeyEvent* event) {
    // Esc would close the editor past its save question; it closes through it instead.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TSongEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TSongEdit::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        HandleDrop(urls.first().toLocalFile());
}

} // namespace lyrimo
