#include "playback/media_requester.h"

#include "app/app_services.h"
#include "app/cd_drives.h"
#include "app/settings.h"
#include "document/binary_file.h"
#include "document/import_template.h"
#include "document/song.h"
#include "media/media_player.h"
#include "media/player_catalog.h"
#include "media/player_presence.h"
#include "playback/monitors.h"
#include "playback/playback_rules.h"
#include "ui/picture_dialogs.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace lyrimo {

namespace {

enum { kCdPage = 0, kFilePage = 1, kEmbeddedPage = 2 };

constexpr int kMaxMediaNameLength = 255;

} // namespace

TGetMedia::TGetMedia(tLyrimoData& song, bool editable, QWidget* parent)
    : QDialog(parent), song_(song), editable_(editable) {
    setWindowTitle(Translate("Lyrimo - Insert Media Requester"));
    revalidate_.setSingleShot(true);
    revalidate_.setInterval(kRevalidateMs);
    connect(&revalidate_, &QTimer::timeout, this, &TGetMedia::Validate);
    TemplateChooser = [this](const QString& prompt) { return lyrimo::ChooseTemplate(prompt, true, this); };
    BuildWindow();
    FillFields();
}

void TGetMedia::BuildWindow() {
    auto* details = new QFormLayout;
    album_ = new QLabel;
    artist_ = new QLabel;
    songName_ = new QLabel;
    year_ = new QLabel;
    details->addRow(Translate("Album:"), album_);
    details->addRow(Translate("Artist:"), artist_);
    details->addRow(Translate("Song Name:"), songName_);
    details->addRow(Translate("Year:"), year_);

    pages_ = new QStackedWidget;
    auto* cdPage = new QWidget;
    auto* cdLayout = new QFormLayout(cdPage);
    drives_ = new QComboBox;
    track_ = new QLineEdit;
    track_->setMaxLength(2);
    // Digits only; backspace and tab still work as usual.
    track_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,2}"), track_));
    cdLayout->addRow(Translate("CD Drive:"), drives_);
    cdLayout->addRow(Translate("Track:"), track_);
    // A song without media of its own (an imported lyrics file) comes as a CD song; a media file
    // can always be chosen instead.
    cdBrowse_ = new QPushButton(Translate("Browse..."));
    cdLayout->addRow(Translate("Or a media file:"), cdBrowse_);
    pages_->addWidget(cdPage);

    auto* filePage = new QWidget;
    auto* fileLayout = new QHBoxLayout(filePage);
    file_ = new QLineEdit;
    file_->setMaxLength(kMaxMediaNameLength);
    browse_ = new QPushButton(Translate("Browse..."));
    fileLayout->addWidget(new QLabel(Translate("Media File:")));
    fileLayout->addWidget(file_, 1);
    fileLayout->addWidget(browse_);
    pages_->addWidget(filePage);

    embedded_ = new QLabel;
    pages_->addWidget(embedded_);

    warnings_ = new QLabel;
    player_ = new QLabel;
    notes_ = new QLabel;
    notes_->setWordWrap(true);
    auto* status = new QFormLayout;
    status->addRow(Translate("Warnings:"), warnings_);
    status->addRow(Translate("Player:"), player_);
    engines_ = new QLabel;
    engines_->setWordWrap(true);
    status->addRow(Translate("Players here:"), engines_);
    status->addRow(Translate("Notes:"), notes_);

    play_ = new QPushButton(Translate("Play"));
    play_->setToolTip(Translate("Click to Begin Playback"));
    cross_ = new QLabel(QString::fromUtf8("\u2716"), play_);
    cross_->setStyleSheet(
        "QLabel { color: red; font-size: 20px; font-weight: bold; background: transparent; }");
    cross_->setAlignment(Qt::AlignCenter);
    cross_->setAttribute(Qt::WA_TransparentForMouseEvents);
    cancel_ = new QPushButton(Translate("Cancel"));
    cancel_->setToolTip(Translate("Click to Cancel Playback"));
    step_ = new QPushButton(Translate("Step Mode"));
    step_->setCheckable(true);
    template_ = new QPushButton(Translate("Appy Template"));
    for (QPushButton* button : {play_, cancel_, step_, template_, browse_, cdBrowse_})
        button->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(step_);
    buttons->addWidget(template_);
    buttons->addStretch(1);
    buttons->addWidget(play_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(details);
    layout->addWidget(pages_);
    layout->addLayout(status);
    layout->addLayout(buttons);

    connect(play_, &QPushButton::clicked, this, &TGetMedia::PlayClicked);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(step_, &QPushButton::clicked, this, [this] {
        StepMode = step_->isChecked();
        ShowStepLook();
    });
    connect(template_, &QPushButton::clicked, this, &TGetMedia::ApplyTemplateClicked);
    connect(browse_, &QPushButton::clicked, this, &TGetMedia::Browse);
    connect(cdBrowse_, &QPushButton::clicked, this, &TGetMedia::Browse);
    connect(track_, &QLineEdit::textEdited, this, &TGetMedia::TrackEdited);
    connect(file_, &QLineEdit::textEdited, this, &TGetMedia::FileEdited);
    connect(drives_, &QComboBox::currentIndexChanged, this, &TGetMedia::FieldChanged);
}

void TGetMedia::FillFields() {
    const tSongSettings& s = song_.SongSettings;
    step_->setVisible(song_.PartCount() == 1);
    ShowStepLook();

    QSignalBlocker blockDrives(drives_);
    const QStringList devices = CdDevices();
    for (int i = 0; i < devices.size(); ++i)
        if (const QString letter = CdDriveLetter(i); !letter.isEmpty())
            drives_->addItem(letter + ":\\ (" + devices[i] + ")"); // the letter is what is stored
    const QString defaultDrive = Settings().DefaultCDROM.left(1).toUpper();
    for (int i = 0; i < drives_->count(); ++i)
        if (!defaultDrive.isEmpty() && drives_->itemText(i).startsWith(defaultDrive))
            drives_->setCurrentIndex(i);

    album_->setText(SongDetailText(song_, song_.AlbumName(), song_.WideAlbumName()));
    artist_->setText(SongDetailText(song_, song_.ArtistName(), song_.WideArtistName()));
    songName_->setText(SongDetailText(song_, song_.SongName(), song_.WideSongName()));
    year_->setText(SongDetailText(song_, song_.SongYear(), song_.WideSongYear()));
    const Qt::LayoutDirection direction = s.RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    for (QLabel* label : {album_, artist_, songName_, year_})
        label->setLayoutDirection(direction);

    track_->setText(s.CdTrack() >= 1 && s.CdTrack() <= 99 ? QString::number(s.CdTrack()) : QString());
    const QString mediaName = PathFromField(s.MediaFileName());
    file_->setText(mediaName.left(kMaxMediaNameLength));
    embedded_->setText(Translate("Embedded in file of type") + " " + MediaExtension(mediaName));
    track_->setReadOnly(!editable_);
    file_->setReadOnly(!editable_);
    browse_->setEnabled(editable_);
    cdBrowse_->setEnabled(editable_);
    template_->setEnabled(editable_);
    drives_->setEnabled(editable_);

    // Embedded media without a name was never embedded: the song has no media, so the file page
    // with its Browse button is offered.
    const bool embedded = s.EmbedMedia() && (!mediaName.isEmpty() || song_.HasTempMedia());
    pages_->setCurrentIndex(s.UseMediaFile() == 0 ? kCdPage : embedded ? kEmbeddedPage : kFilePage);
    Validate();
    ShowNotes();
}

void TGetMedia::ShowNotes() {
    const tSongSettings& s = song_.SongSettings;
    const int parts = song_.PartCount();
    Notes = QString::number(parts) + " " + (parts == 1 ? Translate("song part") : Translate("song parts"));
    if (s.HasVideo())
        Notes += ", " + Translate("contains video");
    else if (s.SlideShowEnabled())
        Notes += ", " + Translate("contains a slide show");
    if (!appliedTemplate_.isEmpty())
        Notes += ", " + Translate("Template") + ": " + appliedTemplate_;
    notes_->setText(Notes);
}

bool TGetMedia::Run() {
    RefreshMonitorRoles();
    adjustSize();
    CentreOnRole(this, monitor_role::Control);
    return exec() == QDialog::Accepted;
}

QString TGetMedia::Warnings() const { return warnings_->text(); }
bool TGetMedia::PlayAllowed() const { return play_->isEnabled(); }
QString TGetMedia::PlayerLine() const { return player_->text(); }
QString TGetMedia::EnginesLine() const { return engines_->text(); }
int TGetMedia::PageIndex() const { return pages_->currentIndex(); }

void TGetMedia::Validate() {
    ++validations_;
    const tSongSettings& s = song_.SongSettings;
    QString warnings = Translate("None");
    const QString mediaName = PathFromField(s.MediaFileName());
    if (pages_->currentIndex() == kFilePage) {
        if (mediaName.isEmpty() || !QFileInfo(mediaName).isFile())
            warnings = Translate("Media file could not be found") + "...";
    } else if (pages_->currentIndex() == kEmbeddedPage) {
        if (!song_.HasTempMedia() && (mediaName.isEmpty() || !QFileInfo(mediaName).isFile()))
            warnings = Translate("Embedded media could not be found") + "...";
    }
    warnings_->setText(warnings);
    const bool allowed = warnings == Translate("None");
    play_->setEnabled(allowed);
    cross_->setGeometry(play_->rect());
    cross_->setVisible(!allowed);

    const uint8_t preferred = s.PreferredPlayer();
    const QString name = PlayerName(preferred);
    QString line = name.isEmpty() ? Translate("Any suitable player") : name;
    if (!name.isEmpty() && !PlayerPresent(preferred))
        line += " (" + Translate("not on this machine: another player is used") + ")";
    player_->setText(line);
    engines_->setText(PlayerPresenceSummary());
}

void TGetMedia::FieldChanged() { revalidate_.start(); }

void TGetMedia::TrackEdited(const QString& text) {
    bool ok = false;
    const int track = text.toInt(&ok);
    if (ok && track >= 1 && track <= 99)
        song_.SongSettings.setCdTrack(uint16_t(track));
    FieldChanged();
}

void TGetMedia::FileEdited(const QString& text) {
    song_.SongSettings.setMediaFileName(QFile::encodeName(text));
    FieldChanged();
}

void TGetMedia::Browse() {
    QFileDialog dialog(this, Translate("Select a media file to load"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QtNameFilters(SupportedFilesFilter()));
    if (const QFileInfo current(file_->text()); current.isFile())
        dialog.selectFile(current.absoluteFilePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ChooseMediaFile(dialog.selectedFiles().first());
}

void TGetMedia::ChooseMediaFile(const QString& fileName) {
    const QString chosen = fileName.left(kMaxMediaNameLength);
    UseChosenMediaFile(song_, chosen);
    file_->setText(chosen);
    pages_->setCurrentIndex(kFilePage);
    revalidate_.stop();
    Validate();
    ShowNotes();
}

void TGetMedia::ApplyTemplateClicked() {
    if (!template_->isEnabled() || !TemplateChooser)
        return;
    const tTemplateChoice choice = TemplateChooser(Translate("Select a template to apply"));
    if (choice.cancelled)
        return;
    if (ApplyTemplate(*OpenSettingsStore(), choice.name, song_)) {
        appliedTemplate_ = choice.name;
        ShowNotes();
    }
}

void TGetMedia::PlayClicked() {
    if (!play_->isEnabled())
        return;
    if (drives_->currentIndex() >= 0)
        Settings().DefaultCDROM = drives_->currentText().left(1);
    accept();
}

void TGetMedia::ToggleStepMode() {
    if (!step_->isVisible())
        return;
    step_->setChecked(!step_->isChecked());
    StepMode = step_->isChecked();
    ShowStepLook();
}

void TGetMedia::ShowStepLook() {
    step_->setChecked(StepMode);
    step_->setStyleSheet(StepMode ? "QPushButton { background: #ffd23c; color: #1d1436; font-weight: bold; }"
                                  : QString());
}

bool TGetMedia::TypingInField() const {
    const QWidget* focus = focusWidget();
    return focus == track_ || focus == file_;
}

void TGetMedia::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: PlayClicked(); return;
    case Qt::Key_Escape: reject(); return;
    default: break;
    }
    // The digit shortcuts would make track numbers with 1, 2, 8 or 9 impossible to type, so they
    // act only while no edit field has the focus.
    if (!TypingInField() && event->modifiers() == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_8: PlayClicked(); return;
        case Qt::Key_9: reject(); return;
        case Qt::Key_2: ToggleStepMode(); return;
        case Qt::Key_1: ApplyTemplateClicked(); return;
        default: break;
        }
    }
    QDialog::keyPressEvent(event);
}

} // namespace lyrimo
