#include "playlist/batch_play_console.h"

#include "app/app_services.h"
#include "playback/monitors.h"
#include "playlist/playlist_rows.h"
#include "ui/program_style.h"
#include "ui/translate_window.h"

#include <QCheckBox>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace lyrimo {
namespace {

constexpr int kEntryRole = Qt::UserRole; // the index of the row's entry

constexpr const char* kNotSaved = "Your current playlist has not been saved";

// Linux names are case-sensitive, so both spellings of the extension are offered.
QStringList PlaylistFilters() {
    return {Translate("Lyrimo Playlist Files") + " (*.lpl *.LPL)", Translate("All Files") + " (*)"};
}

QStringList SongFilters() {
    return {Translate("Lyrimo Files") + " (*.lym *.LYM)", Translate("All Files") + " (*)"};
}

QString AskPlaylistToLoad(QWidget* parent) {
    QFileDialog dialog(parent, Translate("Please select a Lyrimo playlist file"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(PlaylistFilters());
    dialog.setDefaultSuffix("lpl");
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString AskPlaylistToSave(QWidget* parent) {
    QFileDialog dialog(parent, Translate("Enter a name to save your playlist as"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(PlaylistFilters());
    dialog.setDefaultSuffix("lpl");
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QStringList AskSongs(QWidget* parent) {
    QFileDialog dialog(parent, Translate("Select a Lyrimo file to use"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(SongFilters());
    dialog.setDefaultSuffix("lym");
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

bool HasSuffix(const QString& file, const char* suffix) {
    return QFileInfo(file).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

const char* kStyleSheet = R"(
QPushButton#Start { font-size: 15pt; font-weight: bold; min-height: 46px; }
QLabel#StatusLine { border: 1px solid #7a55c0; border-radius: 4px; padding: 4px 8px; }
QTreeWidget::item { padding: 3px 2px; }
QCheckBox::indicator:unchecked { border: 1px solid #7a55c0; border-radius: 3px; background: #2b1d4d; }
)";

} // namespace

tBatchConsoleSteps StandardBatchConsoleSteps() {
    tBatchConsoleSteps steps;
    steps.choosePlaylistToLoad = AskPlaylistToLoad;
    steps.choosePlaylistToSave = AskPlaylistToSave;
    steps.chooseSongs = AskSongs;
    steps.play = PlayPlaylistOnScreen;
    return steps;
}

TBatchPlayConsole::TBatchPlayConsole(tBatchKaraokeFile& playlist, const QString& playlistFileName,
                                     QWidget* parent)
    : QDialog(parent), playlist_(playlist), playlistFileName_(playlistFileName) {
    setWindowTitle("Lyrimo Batch Play Setup");
    setAcceptDrops(true);
    BuildWindow();
    TranslateWindow(this);
    RebuildRows();
    ShowStatus(IdleStatus());
    resize(960, 560);
}

TBatchPlayConsole::~TBatchPlayConsole() = default;

void TBatchPlayConsole::BuildWindow() {
    setStyleSheet(QString::fromLatin1(kStyleSheet));
    status_ = new QLabel;
    status_->setObjectName("StatusLine");
    status_->setTextFormat(Qt::PlainText);
    status_->setStyleSheet(QString("color: %1;").arg(program_colour::Accent));

    list_ = new QTreeWidget;
    list_->setColumnCount(5);
    list_->setHeaderLabels({"File", "Album", "Song Name", "Artist", "Source"});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setAcceptDrops(false); // drops go to the window
    list_->header()->setStretchLastSection(true);
    list_->header()->setSectionResizeMode(QHeaderView::Interactive);
    for (int column : {FileColumn, AlbumColumn, SongNameColumn, ArtistColumn})
        list_->setColumnWidth(column, 150);
    list_->installEventFilter(this);
    connect(list_, &QTreeWidget::itemChanged, this, &TBatchPlayConsole::TickChanged);

    start_ = AddCommandButton("Start!", "Start the playback", "Enter, 9", &TBatchPlayConsole::StartClick);
    start_->setObjectName("Start");
    new_ = AddCommandButton("New", "Start a new playlist", "1, Ctrl+N", &TBatchPlayConsole::NewClick);
    load_ =
        AddCommandButton("Load...", "Load a playlist from disk", "2, Ctrl+O", &TBatchPlayConsole::LoadClick);
    save_ = AddCommandButton("Save", "Save current playlist", "3, Ctrl+S", &TBatchPlayConsole::SaveClick);
    saveAs_ = AddCommandButton("Save as...", "Save playlist as", "4", &TBatchPlayConsole::SaveAsClick);
    add_ = AddCommandButton("Add", "Add songs to your playlist", "7", &TBatchPlayConsole::AddClick);
    delete_ =
        AddCommandButton("Delete", "Delete songs from your playlist", "8", &TBatchPlayConsole::DeleteClick);
    moveUp_ = AddCommandButton("Move Up", "Move Selection Up", nullptr, &TBatchPlayConsole::MoveUpClick);
    moveDown_ =
        AddCommandButton("Move Down", "Move Selection Down", nullptr, &TBatchPlayConsole::MoveDownClick);

    random_ = new QCheckBox("Play in &Random Order");
    random_->setStatusTip("Play songs in a random order");
    random_->setFocusPolicy(Qt::TabFocus);
    connect(random_, &QCheckBox::toggled, this, &TBatchPlayConsole::RandomOrderClick);

    auto* commands = new QVBoxLayout;
    commands->addWidget(start_);
    commands->addSpacing(10);
    for (QPushButton* button : {new_, load_, save_, saveAs_})
        commands->addWidget(button);
    commands->addSpacing(10);
    for (QPushButton* button : {add_, delete_, moveUp_, moveDown_})
        commands->addWidget(button);
    commands->addStretch(1);

    auto* body = new QHBoxLayout;
    body->addWidget(list_, 1);
    body->addLayout(commands);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(random_);
    layout->addWidget(status_);
}

QPushButton* TBatchPlayConsole::AddCommandButton(const char* caption, const char* hint, const char* keys,
                                                 void (TBatchPlayConsole::*command)()) {
    auto* button = new QPushButton(caption);
    button->setStatusTip(hint);
    if (keys)
        button->setToolTip("Keys: " + QString::fromLatin1(keys));
    button->setAutoDefault(false);
    // Keys are the editor's: a focused button would take Enter and Space for itself.
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumWidth(130);
    connect(button, &QPushButton::clicked, this, command);
    return button;
}

int TBatchPlayConsole::exec() {
    // QDialog's own loop ends as soon as the dialog is hidden, which Start does while the songs
    // are performed; this loop ends only when the editor is closed.
    const Qt::WindowModality previous = windowModality();
    setWindowModality(Qt::ApplicationModal);
    setResult(QDialog::Rejected);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec(QEventLoop::DialogExec);
    setWindowModality(previous);
    return result();
}

void TBatchPlayConsole::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (placed_)
        return;
    placed_ = true;
    RefreshMonitorRoles();
    // A maximised window already covers its monitor; moving it would undo the maximising.
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        CentreOnRole(this, monitor_role::Control);
    QCursor::setPos(frameGeometry().center());
}

// Rows ----------------------------------------------------------------------------------------

void TBatchPlayConsole::RebuildRows() {
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (int entry = 0; entry < playlist_.Count(); ++entry)
        AddRow(entry);
    const QSignalBlocker quietBox(random_);
    random_->setChecked(playlist_.RandomOrder);
}

void TBatchPlayConsole::AddRow(int entry) {
    const QString& text = playlist_.Entries[entry];
    const QString song = EntrySongFile(text);
    const tPlaylistRow row = ReadPlaylistRow(song);
    const QSignalBlocker quiet(list_);
    auto* item = new QTreeWidgetItem(list_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setData(FileColumn, kEntryRole, entry);
    item->setCheckState(FileColumn, EntryShowsRequester(text) ? Qt::Checked : Qt::Unchecked);
    item->setText(FileColumn, row.file);
    item->setToolTip(FileColumn, song);
    item->setText(AlbumColumn, row.album);
    item->setText(SongNameColumn, row.songName);
    item->setText(ArtistColumn, row.artist);
    item->setText(SourceColumn, row.source);
    if (!row.readable)
        for (int column : {AlbumColumn, SongNameColumn, ArtistColumn})
            item->setForeground(column, QColor(program_colour::MutedText));
}

void TBatchPlayConsole::AppendSong(const QString& file) {
    playlist_.Entries.append(PlaylistEntry(QFileInfo(file).absoluteFilePath()));
    AddRow(playlist_.Count() - 1);
    SetSaved(false);
}

void TBatchPlayConsole::TickChanged(QTreeWidgetItem* item, int column) {
    if (column != FileColumn)
        return;
    const int entry = item->data(FileColumn, kEntryRole).toInt();
    if (entry < 0 || entry >= playlist_.Count())
        return;
    const bool ticked = item->checkState(FileColumn) == Qt::Checked;
    if (EntryShowsRequester(playlist_.Entries[entry]) == ticked && !playlist_.Entries[entry].isEmpty())
        return;
    SetEntryRequester(playlist_.Entries[entry], ticked);
    // A tick is written to the playlist file, so it counts as a change to save.
    SetSaved(false);
}

void TBatchPlayConsole::SwapRows(int a, int b) {
    playlist_.Entries.swapItemsAt(a, b);
    const QSignalBlocker quiet(list_);
    QTreeWidgetItem* first = list_->topLevelItem(std::min(a, b));
    QTreeWidgetItem* second = list_->takeTopLevelItem(std::max(a, b));
    list_->insertTopLevelItem(std::min(a, b), second);
    first->setData(FileColumn, kEntryRole, std::max(a, b));
    second->setData(FileColumn, kEntryRole, std::min(a, b));
}

void TBatchPlayConsole::MoveSelection(int step) {
    const int count = list_->topLevelItemCount();
    std::vector<char> selected(count);
    for (int row = 0; row < count; ++row)
        selected[row] = list_->topLevelItem(row)->isSelected();
    QTreeWidgetItem* current = list_->currentItem();
    bool moved = false;
    // Walking from the end the rows move towards, each selected row swaps with an unselected
    // neighbour; a block of selected rows at that end stays put.
    for (int i = 0; i < count; ++i) {
        const int row = step < 0 ? i : count - 1 - i;
        const int target = row + step;
        if (!selected[row] || target < 0 || target >= count || selected[target])
            continue;
        SwapRows(row, target);
        std::swap(selected[row], selected[target]);
        moved = true;
    }
    if (!moved)
        return;
    const QSignalBlocker quiet(list_);
    list_->clearSelection();
    if (current)
        list_->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (int row = 0; row < count; ++row)
        list_->topLevelItem(row)->setSelected(selected[row]);
    SetSaved(false);
}

// Commands ------------------------------------------------------------------------------------

void TBatchPlayConsole::StartClick() {
    const bool maximised = isMaximized();
    hide();
    if (Steps.play)
        Steps.play(playlist_);
    if (maximised)
        showMaximized();
    else
        showNormal();
    raise();
    activateWindow();
}

void TBatchPlayConsole::NewClick() {
    const QString question = saved_ ? Translate("Start a new playlist?") + " " + Translate("are you sure?")
                                    : Translate(kNotSaved) + ", " + Translate("are you sure?");
    if (!Confirm(question, Translate("New Playlist")))
        return;
    ClearPlaylist(playlist_);
    playlistFileName_.clear();
    RebuildRows();
    SetSaved(true);
}

void TBatchPlayConsole::LoadClick() {
    if (!MayDiscardChanges("load a new list?"))
        return;
    const QString file = Steps.choosePlaylistToLoad ? Steps.choosePlaylistToLoad(this) : QString();
    if (!file.isEmpty())
        LoadFrom(file);
}

void TBatchPlayConsole::LoadFrom(const QString& file) {
    if (LoadPlaylist(playlist_, file)) {
        playlistFileName_ = QFileInfo(file).absoluteFilePath();
    } else {
        App().MessageBox(Translate("Error loading specified playlist file"), Translate("Playlist Error"),
                         mb::Ok | mb::IconWarning);
        ClearPlaylist(playlist_);
        playlistFileName_.clear();
    }
    RebuildRows();
    SetSaved(true);
}

bool TBatchPlayConsole::SaveTo(const QString& file) {
    if (SavePlaylist(playlist_, file))
        return true;
    App().MessageBox(Translate("Error saving playlist to specified file"), Translate("Save Playlist"),
                     mb::Ok | mb::IconWarning);
    return false;
}

void TBatchPlayConsole::SaveClick() {
    if (playlistFileName_.isEmpty()) {
        SaveAsClick();
        return;
    }
    if (!SaveTo(playlistFileName_))
        return;
    App().MessageBox(Translate("Playlist was saved sucessfully!"), Translate("Save Playlist"),
                     mb::Ok | mb::IconInformation);
    SetSaved(true);
}

void TBatchPlayConsole::SaveAsClick() {
    QString file = Steps.choosePlaylistToSave ? Steps.choosePlaylistToSave(this) : QString();
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += ".lpl";
    if (!SaveTo(file))
        return;
    playlistFileName_ = QFileInfo(file).absoluteFilePath();
    SetSaved(true);
}

void TBatchPlayConsole::AddClick() {
    const QStringList files = Steps.chooseSongs ? Steps.chooseSongs(this) : QStringList();
    for (const QString& file : files)
        AppendSong(file);
}

void TBatchPlayConsole::DeleteClick() {
    if (list_->selectedItems().isEmpty())
        return;
    if (!Confirm(Translate("Remove selected song(s) from the playlist?") + " " + Translate("Are you sure?"),
                 Translate("Remove Song(s)")))
        return;
    QStringList kept;
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list_->topLevelItem(row);
        const int entry = item->data(FileColumn, kEntryRole).toInt();
        if (!item->isSelected() && entry >= 0 && entry < playlist_.Count())
            kept << playlist_.Entries[entry];
    }
    playlist_.Entries = kept;
    RebuildRows();
    SetSaved(false);
}

void TBatchPlayConsole::MoveUpClick() { MoveSelection(-1); }
void TBatchPlayConsole::MoveDownClick() { MoveSelection(1); }

void TBatchPlayConsole::RandomOrderClick(bool on) {
    {
        const QSignalBlocker quiet(random_);
        random_->setChecked(on);
    }
    if (playlist_.RandomOrder == on)
        return;
    playlist_.RandomOrder = on;
    SetSaved(false);
}

void TBatchPlayConsole::DropFiles(const QStringList& files) {
    for (const QString& file : files) {
        if (HasSuffix(file, "lpl")) {
            if (MayDiscardChanges("load a new list?"))
                LoadFrom(file);
            return;
        }
        if (HasSuffix(file, "lym"))
            AppendSong(file);
    }
}

void TBatchPlayConsole::reject() {
    if (!MayDiscardChanges("exit the batch playlist editor?"))
        return;
    QDialog::reject();
}

// Confirmations and the status line -----------------------------------------------------------

bool TBatchPlayConsole::Confirm(const QString& text, const QString& title) {
    return App().MessageBox(text, title, mb::OkCancel | mb::IconQuestion) == mb::IdOk;
}

bool TBatchPlayConsole::MayDiscardChanges(const QString& question) {
    return saved_ || Confirm(Translate(kNotSaved) + ", " + Translate(question), Translate("Save Warning"));
}

void TBatchPlayConsole::SetSaved(bool saved) {
    saved_ = saved;
    ShowStatus(IdleStatus());
}

QString TBatchPlayConsole::IdleStatus() const {
    if (!playlistFileName_.isEmpty())
        return Translate("Playlist") + ": " + QFileInfo(playlistFileName_).fileName();
    return Translate("Batch Playlist Editor") + " - " + Translate("New File");
}

void TBatchPlayConsole::ShowStatus(const QString& text) {
    if (status_->text() != text)
        status_->setText(text);
}

QString TBatchPlayConsole::StatusText() const { return status_->text(); }

bool TBatchPlayConsole::event(QEvent* event) {
    // Buttons and the random-order box send their hint on entering and an empty one on leaving.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        ShowStatus(tip.isEmpty() ? IdleStatus() : tip); // translated with the window
        return true;
    }
    return QDialog::event(event);
}

// Keys ----------------------------------------------------------------------------------------

bool TBatchPlayConsole::HandleKey(const QKeyEvent& event) {
    Qt::KeyboardModifiers modifiers = event.modifiers();
    modifiers.setFlag(Qt::KeypadModifier, false);
    if (modifiers == Qt::ControlModifier) {
        switch (event.key()) {
        case Qt::Key_N: NewClick(); return true;
        case Qt::Key_O: LoadClick(); return true;
        case Qt::Key_S: SaveClick(); return true;
        default: return false;
        }
    }
    if (modifiers != Qt::NoModifier)
        return false;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_9: StartClick(); return true;
    case Qt::Key_1: NewClick(); return true;
    case Qt::Key_2: LoadClick(); return true;
    case Qt::Key_3: SaveClick(); return true;
    case Qt::Key_4: SaveAsClick(); return true;
    case Qt::Key_7: AddClick(); return true;
    case Qt::Key_8:
    case Qt::Key_Delete: DeleteClick(); return true;
    case Qt::Key_Escape: reject(); return true;
    default: return false;
    }
}

void TBatchPlayConsole::keyPressEvent(QKeyEvent* event) {
    if (HandleKey(*event))
        event->accept();
    else
        QDialog::keyPressEvent(event);
}

bool TBatchPlayConsole::eventFilter(QObject* watched, QEvent* event) {
    // The list would take digits for its type-ahead search and Enter for itself.
    if (watched == list_ && event->type() == QEvent::KeyPress && HandleKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

// Drops ---------------------------------------------------------------------------------------

void TBatchPlayConsole::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TBatchPlayConsole::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    event->acceptProposedAction();
    DropFiles(files);
}

} // namespace lyrimo
