#include "playlist/song_finder_window.h"

#include "app/app_services.h"
#include "app/start_program.h"
#include "playback/monitors.h"
#include "playlist/folder_chooser.h"
#include "ui/help_pages.h"
#include "ui/program_style.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace lyrimo {

namespace {

constexpr int kPathRole = Qt::UserRole;
// How often the counters are redrawn while a search runs; more often only slows it down.
constexpr int kProgressIntervalMs = 40;
constexpr const char* kChoicesSection = "FindSongReq";

// The folder a search starts in: the path itself when it is a folder, else its folder part.
QString StartFolder(const QString& path) {
    if (path.isEmpty())
        return QDir::currentPath() + "/";
    if (QFileInfo(path).isDir())
        return path.endsWith('/') ? path : path + "/";
    return path.left(path.lastIndexOf('/') + 1);
}

QCheckBox* Choice(const char* caption) {
    auto* box = new QCheckBox(Translate(caption));
    box->setFocusPolicy(Qt::StrongFocus);
    return box;
}

} // namespace

TFindform::TFindform(bool topMost, bool launcherMode, const QString& path, QWidget* parent)
    : QDialog(parent), launcher_(launcherMode) {
    setWindowTitle(Translate("Find Lyrimo File"));
    setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    startProgram = [](const QString& program, const QStringList& arguments) {
        return StartProgram(program, arguments, false, false);
    };
    chooseFolder = [](const QString& title, QString& folder) { return SelectDirectory(title, folder); };
    BuildWindow();
    ReadChoices();
    folder_->setText(StartFolder(path));
    UpdateButtons();
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(760, 520);
    Place();
}

TFindform::~TFindform() { aborted_ = true; }

QString TFindform::ProgramPath() { return QCoreApplication::applicationDirPath() + "/lyrimo"; }

void TFindform::BuildWindow() {
    auto* heading = new QLabel(Translate("Lyrimo Find File"));
    QFont headingFont = heading->font();
    headingFont.setPointSize(headingFont.pointSize() + 6);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    heading->setStyleSheet(QString("color: %1;").arg(program_colour::Accent));

    mode_ = new QComboBox;
    mode_->addItems(
        {Translate("Contain"), Translate("Start with"), Translate("End with"), Translate("Don't Contain")});
    text_ = new QLineEdit;
    folder_ = new QLineEdit;
    browse_ = new QPushButton(Translate("Browse"));
    begin_ = new QPushButton(Translate("Begin Search"));
    stop_ = new QPushButton(Translate("Stop Search"));
    connect(browse_, &QPushButton::clicked, this, &TFindform::BrowseClicked);
    connect(begin_, &QPushButton::clicked, this, &TFindform::BeginSearch);
    connect(stop_, &QPushButton::clicked, this, &TFindform::StopSearch);

    auto* request = new QGridLayout;
    request->addWidget(new QLabel(Translate("Find songs that")), 0, 0);
    request->addWidget(mode_, 0, 1);
    request->addWidget(new QLabel(Translate("the text")), 0, 2);
    request->addWidget(text_, 0, 3);
    request->addWidget(begin_, 0, 4);
    request->addWidget(new QLabel(Translate("in")), 1, 0);
    request->addWidget(folder_, 1, 1, 1, 3);
    request->addWidget(browse_, 1, 4);
    request->setColumnStretch(3, 1);

    album_ = Choice("Alb&um Names");
    songName_ = Choice("So&ng Names");
    artist_ = Choice("Song &Artists");
    lyrics_ = Choice("Song &Lyrics");
    fileName_ = Choice("File Na&me");
    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel(Translate("Search:")));
    for (QCheckBox* box : {album_, songName_, artist_, lyrics_, fileName_})
        choices->addWidget(box);
    choices->addStretch(1);
    choices->addWidget(stop_);

    results_ = new QTreeWidget;
    results_->setColumnCount(5);
    results_->setHeaderLabels({Translate("Filename"), Translate("Path"), Translate("Album Name"),
                               Translate("Song Name"), Translate("Song Artist")});
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setAllColumnsShowFocus(true);
    results_->header()->setSectionsClickable(true);
    results_->header()->setSortIndicatorShown(true);
    results_->header()->setSortIndicator(FileColumn, Qt::AscendingOrder);
    results_->setColumnWidth(FileColumn, 160);
    results_->setColumnWidth(PathColumn, 200);
    connect(results_->header(), &QHeaderView::sectionClicked, this, &TFindform::SortBy);
    connect(results_, &QTreeWidget::itemDoubleClicked, this, &TFindform::OkClicked);
    connect(results_, &QTreeWidget::itemSelectionChanged, this, &TFindform::UpdateButtons);

    status_ = new QLabel;
    status_->setTextFormat(Qt::PlainText);
    status_->setMinimumWidth(1); // long folder names must not widen the window
    progress_ = new QLabel;
    progress_->setTextFormat(Qt::PlainText);
    progress_->setStyleSheet(QString("color: %1;").arg(program_colour::MutedText));

    ok_ = new QPushButton(Translate(launcher_ ? "Play File" : "OK"));
    cancel_ = new QPushButton(Translate("Cancel"));
    connect(ok_, &QPushButton::clicked, this, &TFindform::OkClicked);
    connect(cancel_, &QPushButton::clicked, this, &TFindform::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress_, 1);
    buttons->addWidget(ok_);
    if (launcher_) {
        edit_ = new QPushButton(Translate("Edit File"));
        connect(edit_, &QPushButton::clicked, this, &TFindform::EditClicked);
        buttons->addWidget(edit_);
    }
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(request);
    layout->addLayout(choices);
    layout->addWidget(results_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    // Enter starts a search wherever the focus is, so no other button may take it.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    begin_->setDefault(true);
    text_->setFocus();
}

void TFindform::ReadChoices() {
    const tSettingsClass& s = Settings();
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    store->beginGroup(kChoicesSection);
    const auto flag = [&](const char* name, bool fallback) {
        return store->value(name, fallback ? 1 : 0).toInt() != 0;
    };
    album_->setChecked(flag("Album", s.Album));
    songName_->setChecked(flag("SongName", s.SongName));
    artist_->setChecked(flag("Artists", s.Artists));
    lyrics_->setChecked(flag("Lyrics", s.Lyrics));
    fileName_->setChecked(flag("FileNameS", s.FileNameS));
    bool ok = false;
    const int mode = store->value("FindMode", s.FindMode).toInt(&ok);
    mode_->setCurrentIndex(ok && mode >= 0 && mode < mode_->count() ? mode : 0);
}

void TFindform::StoreChoices() const {
    tSettingsClass& s = Settings();
    s.Album = album_->isChecked();
    s.SongName = songName_->isChecked();
    s.Artists = artist_->isChecked();
    s.Lyrics = lyrics_->isChecked();
    s.FileNameS = fileName_->isChecked();
    s.FindMode = mode_->currentIndex();
    // Written at once too, so a launcher that ends without saving the settings keeps them.
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    store->beginGroup(kChoicesSection);
    store->setValue("Album", s.Album ? 1 : 0);
    store->setValue("SongName", s.SongName ? 1 : 0);
    store->setValue("Artists", s.Artists ? 1 : 0);
    store->setValue("Lyrics", s.Lyrics ? 1 : 0);
    store->setValue("FileNameS", s.FileNameS ? 1 : 0);
    store->setValue("FindMode", s.FindMode);
}

tFindRequest TFindform::Request() const {
    tFindRequest request;
    request.mode = mode_->currentIndex();
    request.text = text_->text();
    request.folder = folder_->text();
    request.albumNames = album_->isChecked();
    request.songNames = songName_->isChecked();
    request.artists = artist_->isChecked();
    request.lyrics = lyrics_->isChecked();
    request.fileName = fileName_->isChecked();
    return request;
}

void TFindform::BeginSearch() {
    if (busy_)
        return;
    const QString folder = folder_->text();
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        App().MessageBox(Translate("There is no folder") + " " + folder, Translate("Find Lyrimo File"),
                         mb::Ok | mb::IconWarning);
        return;
    }
    busy_ = true;
    aborted_ = false;
    results_->clear();
    UpdateButtons();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const QPointer<TFindform> self(this);
    Search(Request());
    if (!self)
        return; // the window went away while its events ran
    QApplication::restoreOverrideCursor();
    status_->setText(aborted_ ? Translate("Aborted") + "..." : Translate("Search Completed") + "...");
    if (results_->topLevelItemCount() > 0)
        for (int column : {FileColumn, AlbumColumn, SongColumn})
            results_->resizeColumnToContents(column);
    aborted_ = false;
    busy_ = false;
    UpdateButtons();
}

void TFindform::Search(tFindRequest request) {
    if (!request.folder.isEmpty() && !request.folder.endsWith('/'))
        request.folder += '/';
    tSongFinder finder(request);
    const QPointer<TFindform> self(this);
    QElapsedTimer sinceShown;
    sinceShown.start();
    size_t listed = 0;
    QString shownFolder;
    ShowProgress(finder);
    for (;;) {
        QCoreApplication::processEvents();
        if (!self) {
            QApplication::restoreOverrideCursor();
            return;
        }
        if (aborted_)
            finder.Abort();
        const bool more = finder.Step();
        for (; listed < finder.Hits().size(); ++listed)
            AddRow(finder.Hits()[listed]);
        if (!more)
            break;
        if (finder.CurrentFolder() != shownFolder || sinceShown.elapsed() >= kProgressIntervalMs) {
            shownFolder = finder.CurrentFolder();
            ShowProgress(finder);
            sinceShown.restart();
        }
        if (afterStep)
            afterStep();
    }
    ShowProgress(finder);
}

void TFindform::ShowProgress(const tSongFinder& finder) {
    status_->setText(Translate("Scanning") + " " + finder.CurrentFolder());
    progress_->setText(Translate("Folders looked at:") + " " + QString::number(finder.FoldersLookedAt()) +
                       "    " + Translate("Songs looked at:") + " " +
                       QString::number(finder.SongsLookedAt()) + "    " + Translate("Found:") + " " +
                       QString::number(finder.Hits().size()));
}

QString TFindform::StatusText() const { return status_->text(); }
QString TFindform::ProgressText() const { return progress_->text(); }

void TFindform::AddRow(const tFoundSong& hit) {
    auto* item = new QTreeWidgetItem({hit.file, hit.folder, hit.album, hit.songName, hit.artist});
    item->setData(FileColumn, kPathRole, hit.Path());
    item->setToolTip(PathColumn, hit.folder);
    results_->insertTopLevelItem(RowFor(item->text(sortColumn_)), item);
    if (!results_->currentItem())
        results_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
}

// Where a row with this text in the sort column goes: after every row that is not greater, so
// rows of equal text stay in the order they were found.
int TFindform::RowFor(const QString& key) const {
    int low = 0, high = results_->topLevelItemCount();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (QString::compare(key, results_->topLevelItem(middle)->text(sortColumn_), Qt::CaseSensitive) < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

void TFindform::SortBy(int column) {
    sortColumn_ = column;
    results_->header()->setSortIndicator(column, Qt::AscendingOrder);
    QTreeWidgetItem* selected = results_->currentItem();
    std::vector<QTreeWidgetItem*> rows;
    while (results_->topLevelItemCount() > 0)
        rows.push_back(results_->takeTopLevelItem(0));
    std::stable_sort(rows.begin(), rows.end(), [column](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return QString::compare(a->text(column), b->text(column), Qt::CaseSensitive) < 0;
    });
    for (QTreeWidgetItem* row : rows)
        results_->addTopLevelItem(row);
    if (selected) {
        results_->setCurrentItem(selected);
        results_->scrollToItem(selected);
    }
}

QString TFindform::SelectedPath() const {
    const QList<QTreeWidgetItem*> selected = results_->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->data(FileColumn, kPathRole).toString();
}

void TFindform::OkClicked() {
    const QString path = SelectedPath();
    if (path.isEmpty())
        return;
    if (launcher_) {
        Launch(path, "/PLAY");
        return;
    }
    resultPath_ = path;
    aborted_ = true;
    accept();
}

void TFindform::EditClicked() {
    const QString path = SelectedPath();
    if (!path.isEmpty())
        Launch(path, "/EDIT");
}

void TFindform::Launch(const QString& file, const QString& command) {
    if (!startProgram(ProgramPath(), {file, command}))
        App().MessageBox(Translate("Lyrimo could not be started") + ":\n" + ProgramPath(), Translate("Error"),
                         mb::Ok | mb::IconWarning);
}

void TFindform::StopSearch() {
    if (busy_)
        aborted_ = true;
    else
        reject();
}

void TFindform::BrowseClicked() {
    QString folder = folder_->text();
    if (chooseFolder(Translate("Select search directory"), folder))
        folder_->setText(folder.endsWith('/') ? folder : folder + "/");
}

void TFindform::UpdateButtons() {
    const bool selected = !results_->selectedItems().isEmpty();
    begin_->setEnabled(!busy_);
    stop_->setEnabled(busy_);
    ok_->setEnabled(selected);
    if (edit_)
        edit_->setEnabled(selected);
}

void TFindform::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: BeginSearch(); return;
    case Qt::Key_Escape: StopSearch(); return;
    case Qt::Key_F1: OpenHelpPage("findsong.html"); return;
    default: QDialog::keyPressEvent(event);
    }
}

void TFindform::closeEvent(QCloseEvent* event) {
    aborted_ = true;
    QDialog::closeEvent(event);
}

void TFindform::done(int result) {
    aborted_ = true;
    StoreChoices();
    QDialog::done(result);
}

void TFindform::Place() {
    if (Status().Playing) {
        RefreshMonitorRoles();
        const tMyRect area = RoleRect(monitor_role::Control);
        setMaximumSize(area.Width(), area.Height());
        CentreOnRole(this, monitor_role::Control);
    } else if (launcher_) {
        move(20, 20);
    }
}

bool FindSong(bool topMost, bool launcherMode, QString& path) {
    TFindform window(topMost, launcherMode, path);
    if (window.exec() != QDialog::Accepted || launcherMode)
        return false;
    path = window.ResultPath();
    return true;
}

} // namespace lyrimo
