// The Song Media, Background and Advanced Settings pages: where the song's sound comes from, what
// lies behind the lyrics, and the settings that tune a performance.
#include "editor/media_pages.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/page_rules.h"
#include "editor/song_editor.h"
#include "editor/song_edits.h"
#include "media/media_player.h"
#include "media/player_catalog.h"
#include "ui/program_colours.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr int kPathLength = 255;

QString PathText(const QByteArray& field) { return QFile::decodeName(field); }
QByteArray PathField(const QString& text) { return QFile::encodeName(text).left(kPathLength); }

QString ExtensionOf(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix();
    return suffix.isEmpty() ? QString() : "." + suffix;
}

QCheckBox* TweakBox() {
    auto* box = new QCheckBox(Translate("Tweak the external player's timings (Recommended)"));
    box->setToolTip(Translate("Corrects the position the external player reports, which lags behind "
                              "the sound it plays"));
    return box;
}

QCheckBox* AdjustBox() {
    auto* box = new QCheckBox(Translate("Adjust external-player timings for other players"));
    box->setToolTip(Translate("Timings recorded with the external player are shifted to match the "
                              "clock of the other players"));
    return box;
}

QPushButton* Button(const QString& caption) { return new QPushButton(Translate(caption)); }

} // namespace

// ---- Song Media

TMediaPage::TMediaPage(TSongEdit& editor) : TEditorPage(editor, "Song Media", "songedit2.html") {
    auto* typeBox = new QGroupBox(" " + Translate("Media Type") + " ");
    auto* typeLayout = new QVBoxLayout(typeBox);
    auto* group = new QButtonGroup(this);
    const char* const captions[] = {"CD Audio", "Audio Only Media", "Audio and Video Media"};
    for (int t = 0; t < 3; ++t) {
        types_[t] = new QRadioButton(Translate(captions[t]));
        group->addButton(types_[t], t);
        typeLayout->addWidget(types_[t]);
    }
    fullScreen_ = new QCheckBox(Translate("Play video full screen behind lyrics"));
    fullScreen_->setContentsMargins(24, 0, 0, 0);
    typeLayout->addWidget(fullScreen_);

    filePanel_ = new QWidget;
    auto* fileLayout = new QFormLayout(filePanel_);
    fileLayout->setContentsMargins(0, 0, 0, 0);
    fileName_ = new QLineEdit;
    fileName_->setMaxLength(kPathLength);
    browse_ = Button("Browse...");
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileName_, 1);
    fileRow->addWidget(browse_);
    fileLayout->addRow(Translate("File Name:"), fileRow);
    embed_ = new QCheckBox(Translate("Embed Media in Lyrimo file"));
    saveAs_ = Button("Save As...");
    auto* filePreview = Button("Preview...");
    auto* embedRow = new QHBoxLayout;
    embedRow->addWidget(embed_, 1);
    embedRow->addWidget(saveAs_);
    embedRow->addWidget(filePreview);
    fileLayout->addRow(embedRow);

    trackPanel_ = new QWidget;
    auto* trackLayout = new QHBoxLayout(trackPanel_);
    trackLayout->setContentsMargins(0, 0, 0, 0);
    track_ = new QSpinBox;
    track_->setRange(1, 99);
    auto* trackPreview = Button("Preview...");
    trackLayout->addWidget(new QLabel(Translate("Track Number:")));
    trackLayout->addWidget(track_);
    trackLayout->addStretch(1);
    trackLayout->addWidget(trackPreview);

    tweak_ = TweakBox();
    adjust_ = AdjustBox();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(typeBox);
    layout->addWidget(filePanel_);
    layout->addWidget(trackPanel_);
    layout->addSpacing(12);
    layout->addWidget(tweak_);
    layout->addWidget(adjust_);
    layout->addStretch(1);

    connect(group, &QButtonGroup::idClicked, this, &TMediaPage::TypeChosen);
    connect(fileName_, &QLineEdit::textEdited, this, &TMediaPage::Store);
    connect(track_, &QSpinBox::valueChanged, this, &TMediaPage::Store);
    for (QCheckBox* box : {fullScreen_, tweak_, adjust_})
        connect(box, &QCheckBox::clicked, this, &TMediaPage::Store);
    connect(embed_, &QCheckBox::clicked, this, [this] {
        if (!embed_->isChecked())
            embeddedLoaded_ = false;
        Store();
    });
    connect(browse_, &QPushButton::clicked, this, &TMediaPage::Browse);
    connect(saveAs_, &QPushButton::clicked, this, &TMediaPage::SaveEmbeddedAs);
    connect(filePreview, &QPushButton::clicked, this, &TMediaPage::Preview);
    connect(trackPreview, &QPushButton::clicked, this, &TMediaPage::Preview);
}

void TMediaPage::Fill() {
    filling_ = true;
    const tSongSettings& s = Song().SongSettings;
    shownType_ = MediaTypeOf(s);
    types_[shownType_]->setChecked(true);
    fullScreen_->setChecked(s.FullScreenVideo());
    fileName_->setText(PathText(s.MediaFileName()));
    embed_->setChecked(s.EmbedMedia());
    embeddedLoaded_ = s.EmbedMedia() && Song().HasTempMedia();
    track_->setValue(std::max<int>(s.CdTrack(), 1));
    tweak_->setChecked(s.TweakWinampTimings());
    adjust_->setChecked(s.AdjustWinampTimingsForWmp());
    ShowEnabled();
    filling_ = false;
}

void TMediaPage::ShowEnabled() {
    const bool video = types_[kMediaVideo]->isChecked();
    fullScreen_->setEnabled(video);
    filePanel_->setVisible(!types_[kMediaCd]->isChecked());
    trackPanel_->setVisible(types_[kMediaCd]->isChecked());
    fileName_->setEnabled(!embeddedLoaded_);
    browse_->setEnabled(!embeddedLoaded_);
    saveAs_->setEnabled(embeddedLoaded_);
}

void TMediaPage::TypeChosen(int type) {
    if (filling_)
        return;
    tSongSettings& s = Song().SongSettings;
    const bool dropSlideShow = type == kMediaVideo && shownType_ != kMediaVideo && SlideShowInUse(s);
    if (dropSlideShow) {
        const int answer = App().MessageBox(
            Translate("Are you sure you want to select this?") + "\n" +
                Translate("Selecting this option will cause your slide show to be disabled? Continue?"),
            Translate("Warning"), mb::OkCancel | mb::IconQuestion);
        if (answer != mb::IdOk) {
            types_[shownType_]->setChecked(true);
            return;
        }
    }
    editor_.BeginEdit(Translate("Media Type"));
    if (dropSlideShow) {
        s.setSlideShowEnabled(false);
        s.setFullScreenSlideShow(false);
    }
    shownType_ = type;
    Write();
    editor_.Edited();
}

void TMediaPage::Store() {
    if (filling_)
        return;
    editor_.BeginEdit(Translate("Song Media"), "media");
    Write();
    editor_.Edited();
}

void TMediaPage::Write() {
    tSongSettings& s = Song().SongSettings;
    SetMediaType(s, shownType_);
    s.setFullScreenVideo(fullScreen_->isChecked() && shownType_ == kMediaVideo);
    s.setMediaFileName(PathField(fileName_->text()));
    s.setEmbedMedia(embed_->isChecked());
    s.setCdTrack(uint16_t(track_->value()));
    s.setTweakWinampTimings(tweak_->isChecked());
    s.setAdjustWinampTimingsForWmp(adjust_->isChecked());
    ShowEnabled();
}

void TMediaPage::Browse() {
    const auto chosen =
        editor_.Dialogs().openFile(Translate("Please select the media file to use:"), SupportedFilesFilter());
    if (!chosen)
        return;
    fileName_->setText(*chosen);
    Store();
}

void TMediaPage::SaveEmbeddedAs() {
    const QString current = PathText(Song().SongSettings.MediaFileName());
    const QString extension = ExtensionOf(current);
    auto target = editor_.Dialogs().saveFile(Translate("Save media file to:"), EmbeddedMediaFilter(extension),
                                             QFileInfo(current).completeBaseName() + extension);
    if (!target)
        return;
    if (QFileInfo(*target).suffix().isEmpty() && !extension.isEmpty())
        *target += extension;
    if (IsSameFile(*target, current)) {
        App().MessageBox(Translate("You cannot save the file over the current embedded temp file") + "...",
                         Translate("Error"), mb::IconStop);
        return;
    }
    QFile::remove(*target);
    if (QFile::copy(current, *target))
        App().MessageBox(Translate("Media file was sucessfully saved"), Translate("Save Embedded File"),
                         mb::IconInformation);
    else
        App().MessageBox(Translate("An error occured when saving media file..."),
                         Translate("Save Embedded File"), mb::IconWarning);
}

void TMediaPage::Preview() {
    if (!editor_.Dialogs().previewMedia)
        return;
    editor_.setEnabled(false);
    editor_.Dialogs().previewMedia(Song());
    editor_.setEnabled(true);
}

// ---- Background

TBackgroundPage::TBackgroundPage(TSongEdit& editor)
    : TEditorPage(editor, "Playback Effects: Background", "songedit4.html") {
    swatch_ = new QLabel;
    swatch_->setFixedSize(48, 24);
    auto* colourButton = Button("Change Background Colour...");
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(swatch_);
    colourRow->addWidget(colourButton);
    colourRow->addStretch(1);
    transparent_ = new QCheckBox(Translate("Make this colour transparent for lyrics"));
    shadows_ = new QCheckBox(Translate("Allow \"Bubble Writing\" and \"Text Shadows\" to be transparent"));
    shadows_->setContentsMargins(24, 0, 0, 0);

    enabled_ = new QCheckBox(Translate("Enable background picture"));
    auto* pictureBox = new QGroupBox;
    auto* picture = new QFormLayout(pictureBox);
    file_ = new QLineEdit;
    file_->setMaxLength(kPathLength);
    browse_ = Button("Browse...");
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse_);
    picture->addRow(Translate("File:"), fileRow);
    embed_ = new QCheckBox(Translate("Embed picture file in Lyrimo file"));
    preview_ = Button("Preview...");
    saveAs_ = Button("Save As...");
    auto* embedRow = new QHBoxLayout;
    embedRow->addWidget(embed_, 1);
    embedRow->addWidget(saveAs_);
    embedRow->addWidget(preview_);
    picture->addRow(embedRow);
    stretch_ = new QRadioButton(Translate("Stretch to fill screen"));
    tile_ = new QRadioButton(Translate("Tile to fill screen"));
    auto* fillGroup = new QButtonGroup(this);
    fillGroup->addButton(stretch_);
    fillGroup->addButton(tile_);
    aspect_ = new QCheckBox(Translate("Maintain aspect ratio"));
    duringTitle_ = new QCheckBox(Translate("Show during karaoke title"));
    picture->addRow(stretch_);
    picture->addRow(tile_);
    picture->addRow(aspect_);
    picture->addRow(duringTitle_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(colourRow);
    layout->addWidget(transparent_);
    layout->addWidget(shadows_);
    layout->addSpacing(12);
    layout->addWidget(enabled_);
    layout->addWidget(pictureBox);
    layout->addStretch(1);

    connect(colourButton, &QPushButton::clicked, this, &TBackgroundPage::ChangeColour);
    connect(file_, &QLineEdit::textEdited, this, [this] {
        LoadPicture();
        Store();
    });
    connect(enabled_, &QCheckBox::clicked, this, [this] {
        if (!embeddedLoaded_)
            LoadPicture();
        Store();
    });
    connect(embed_, &QCheckBox::clicked, this, [this] {
        if (!embed_->isChecked())
            embeddedLoaded_ = false;
        Store();
    });
    for (QAbstractButton* box : std::initializer_list<QAbstractButton*>{transparent_, shadows_, stretch_,
                                                                        tile_, aspect_, duringTitle_})
        connect(box, &QAbstractButton::clicked, this, &TBackgroundPage::Store);
    connect(browse_, &QPushButton::clicked, this, &TBackgroundPage::Browse);
    connect(preview_, &QPushButton::clicked, this, &TBackgroundPage::Preview);
    connect(saveAs_, &QPushButton::clicked, this, &TBackgroundPage::SavePictureAs);
}

void TBackgroundPage::Fill() {
    filling_ = true;
    const tSongSettings& s = Song().SongSettings;
    ShowColour();
    transparent_->setChecked(s.BackgroundTransparent());
    shadows_->setChecked(s.TransparentShadows());
    enabled_->setChecked(s.BackgroundEnabled());
    file_->setText(PathText(s.BackgroundFileName()));
    embed_->setChecked(s.EmbedBackground());
    embeddedLoaded_ = s.EmbedBackground() && !Song().BackgroundStream.isEmpty();
    (s.BackgroundTile() ? tile_ : stretch_)->setChecked(true);
    aspect_->setChecked(s.MaintainBackgroundAspect());
    duringTitle_->setChecked(s.BackgroundDuringTitle());
    ShowEnabled();
    filling_ = false;
}

void TBackgroundPage::ShowColour() {
    swatch_->setStyleSheet(ColourSwatchStyle(Song().SongSettings.BackgroundColour()));
}

void TBackgroundPage::ShowEnabled() {
    shadows_->setEnabled(transparent_->isChecked());
    const bool on = enabled_->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{stretch_, tile_, aspect_, duringTitle_, embed_, preview_})
        w->setEnabled(on);
    file_->setEnabled(on && !embeddedLoaded_);
    browse_->setEnabled(on && !embeddedLoaded_);
    saveAs_->setEnabled(on && embeddedLoaded_);
}

void TBackgroundPage::Store() {
    if (filling_)
        return;
    editor_.BeginEdit(Translate("Background"), "background");
    tSongSettings& s = Song().SongSettings;
    s.setBackgroundTransparent(transparent_->isChecked());
    s.setTransparentShadows(shadows_->isChecked());
    s.setBackgroundEnabled(enabled_->isChecked());
    s.setBackgroundFileName(PathField(file_->text()));
    s.setEmbedBackground(embed_->isChecked());
    s.setBackgroundTile(tile_->isChecked());
    s.setMaintainBackgroundAspect(aspect_->isChecked());
    s.setBackgroundDuringTitle(duringTitle_->isChecked());
    ShowEnabled();
    editor_.Edited();
}

void TBackgroundPage::LoadPicture() {
    if (filling_)
        return;
    tLyrimoData& song = Song();
    song.BackgroundStream.clear();
    const QString name = file_->text();
    if (name.isEmpty() || !QFileInfo(name).isFile())
        return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        App().MessageBox(Translate("Error loading picture") + ": " + file.errorString(), Translate("Error"),
                         mb::IconInformation);
        return;
    }
    song.BackgroundStream = file.readAll();
}

void TBackgroundPage::SetFile(const QString& fileName) {
    file_->setText(fileName);
    embeddedLoaded_ = false;
    LoadPicture();
    Store();
}

void TBackgroundPage::ChangeColour() {
    auto& choose = editor_.Dialogs().chooseColour;
    if (!choose)
        return;
    const auto colour = choose(Song().SongSettings.BackgroundColour());
    if (!colour)
        return;
    editor_.BeginEdit(Translate("Background Colour"));
    Song().SongSettings.setBackgroundColour(*colour);
    ShowColour();
    editor_.Edited();
}

void TBackgroundPage::Browse() {
    auto& choose = editor_.Dialogs().choosePicture;
    if (!choose)
        return;
    if (const auto chosen = choose(Translate("Select a new background picture"), file_->text()))
        SetFile(*chosen);
}

void TBackgroundPage::Preview() {
    auto& show = editor_.Dialogs().previewPicture;
    QString reason;
    if (show && !show(file_->text(), Song().BackgroundStream, reason))
        App().MessageBox(reason, Translate("Error previewing picture"), mb::IconInformation);
}

void TBackgroundPage::SavePictureAs() {
    const QByteArray& bytes = Song().BackgroundStream;
    if (bytes.isEmpty()) {
        App().MessageBox(Translate("Cannot save the background picture as it couldn't be found"),
                         Translate("Error"), mb::IconStop);
        return;
    }
    const QString extension = ExtensionOf(file_->text());
    auto target =
        editor_.Dialogs().saveFile(Translate("Save the picture as..."), BackgroundPictureFilter(extension),
                                   QFileInfo(file_->text()).fileName());
    if (!target)
        return;
    if (QFileInfo(*target).suffix().isEmpty() && !extension.isEmpty())
        *target += extension;
    QFile out(*target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        App().MessageBox(Translate("Error saving picture") + ": " + out.errorString(), Translate("Error"),
                         mb::IconStop);
}

// ---- Advanced Settings

TAdvancedPage::TAdvancedPage(TSongEdit& editor) : TEditorPage(editor, "Advanced Settings", "songedit6.html") {
    auto* offsetBox = new QGroupBox(Translate("Start Time Offset for this section:"));
    auto* offsetLayout = new QVBoxLayout(offsetBox);
    offsetTabs_ = new QTabBar;
    offsetTabs_->setExpanding(false);
    offsetTabs_->setDocumentMode(true);
    offset_ = new QSpinBox;
    offset_->setRange(-3600000, 3600000);
    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(offset_);
    offsetRow->addWidget(new QLabel(Translate("milliseconds")));
    offsetRow->addStretch(1);
    auto* offsetNote =
        new QLabel(Translate("The start time offset is useful for synchronising timings between different "
                             "media types. ") +
                   Translate("If the number is greater than zero then the timings will start early, else "
                             "they'll start late."));
    offsetNote->setWordWrap(true);
    offsetLayout->addWidget(offsetTabs_);
    offsetLayout->addLayout(offsetRow);
    offsetLayout->addWidget(offsetNote);

    auto* form = new QFormLayout;
    positionLabel_ = new QLabel(Translate("Non Fullscreen Lyrics Position:"));
    top_ = new QRadioButton(Translate("Display lyrics at the top"));
    bottom_ = new QRadioButton(Translate("Display lyrics at the bottom"));
    auto* positionGroup = new QButtonGroup(this);
    positionGroup->addButton(top_);
    positionGroup->addButton(bottom_);
    auto* positionRow = new QHBoxLayout;
    positionRow->addWidget(top_);
    positionRow->addWidget(bottom_);
    positionRow->addStretch(1);
    form->addRow(positionLabel_, positionRow);
    splitLabel_ = new QLabel(Translate("Slideshow/Video screen size:"));
    split_ = new QSlider(Qt::Horizontal);
    split_->setRange(10, 90);
    splitValue_ = new QLabel;
    splitValue_->setMinimumWidth(40);
    auto* splitRow = new QHBoxLayout;
    splitRow->addWidget(split_, 1);
    splitRow->addWidget(splitValue_);
    form->addRow(splitLabel_, splitRow);
    cutout_ = new QCheckBox(Translate("Cut out text and overlay over video"));
    form->addRow(cutout_);
    player_ = new QComboBox;
    for (uint8_t id : kPreferredPlayerOrder)
        player_->addItem(id == 0 ? Translate("Use Any Player") : Translate("Try") + " " + PlayerName(id));
    form->addRow(Translate("Preferred Player:"), player_);
    width_ = new QSpinBox;
    height_ = new QSpinBox;
    for (QSpinBox* box : {width_, height_})
        box->setRange(1, 16384);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(width_);
    sizeRow->addWidget(new QLabel(Translate("pixels wide by:")));
    sizeRow->addWidget(height_);
    sizeRow->addWidget(new QLabel(Translate("pixels high.")));
    sizeRow->addStretch(1);
    form->addRow(Translate("Play as if screen was:"), sizeRow);
    shift_ = new QSpinBox;
    shift_->setRange(-4096, 4096);
    auto* shiftRow = new QHBoxLayout;
    shiftRow->addWidget(shift_);
    shiftRow->addWidget(new QLabel(Translate("pixels")));
    shiftRow->addStretch(1);
    form->addRow(Translate("Vertically Shift the Lyrics by:"), shiftRow);
    tweak_ = TweakBox();
    adjust_ = AdjustBox();
    form->addRow(tweak_);
    form->addRow(adjust_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(offsetBox);
    layout->addLayout(form);
    layout->addStretch(1);

    connect(offsetTabs_, &QTabBar::currentChanged, this, &TAdvancedPage::ShowOffset);
    connect(offset_, &QSpinBox::valueChanged, this, &TAdvancedPage::OffsetChanged);
    connect(split_, &QSlider::valueChanged, this, [this](int value) {
        splitValue_->setText(QString::number(value) + "%");
        Store();
    });
    connect(player_, &QComboBox::activated, this, &TAdvancedPage::Store);
    for (QSpinBox* box : {width_, height_, shift_})
        connect(box, &QSpinBox::valueChanged, this, &TAdvancedPage::Store);
    for (QAbstractButton* box :
         std::initializer_list<QAbstractButton*>{top_, bottom_, cutout_, tweak_, adjust_})
        connect(box, &QAbstractButton::clicked, this, &TAdvancedPage::Store);
}

void TAdvancedPage::Fill() {
    filling_ = true;
    const tLyrimoData& song = Song();
    const tSongSettings& s = song.SongSettings;
    const int selected = std::max(offsetTabs_->currentIndex(), 0);
    {
        QSignalBlocker block(offsetTabs_);
        while (offsetTabs_->count() > 0)
            offsetTabs_->removeTab(offsetTabs_->count() - 1);
        offsetTabs_->addTab(Translate("Slide Show"));
        for (int p = 0; p < song.PartCount(); ++p)
            offsetTabs_->addTab(PartName(*song.GetPart(p)));
        offsetTabs_->setCurrentIndex(std::min(selected, offsetTabs_->count() - 1));
        // A hidden tab bar does not tell its layout that it needs room for its new tabs.
        offsetTabs_->updateGeometry();
    }
    ShowOffset();
    (s.LyricsAtBottom() ? bottom_ : top_)->setChecked(true);
    split_->setValue(std::clamp<int>(s.SplitSize(), 10, 90));
    splitValue_->setText(QString::number(split_->value()) + "%");
    cutout_->setChecked(s.CutoutText());
    player_->setCurrentIndex(PreferredPlayerChoice(s.PreferredPlayer()));
    width_->setValue(s.PlayWidth());
    height_->setValue(s.PlayHeight());
    shift_->setValue(s.VerticalShift());
    tweak_->setChecked(s.TweakWinampTimings());
    adjust_->setChecked(s.AdjustWinampTimingsForWmp());
    ShowEnabled();
    filling_ = false;
}

void TAdvancedPage::ShowOffset() {
    const tLyrimoData& song = Song();
    const int tab = offsetTabs_->currentIndex();
    const tLyricsData* part = tab > 0 ? song.GetPart(tab - 1) : nullptr;
    QSignalBlocker block(offset_);
    offset_->setValue(part ? part->PartRecord.StartOffset() : song.SongSettings.SlideShowStartOffset());
}

void TAdvancedPage::OffsetChanged(int value) {
    if (filling_)
        return;
    tLyrimoData& song = Song();
    const int tab = offsetTabs_->currentIndex();
    editor_.BeginEdit(Translate("Start Time Offset"), "offset" + QString::number(tab));
    if (tLyricsData* part = tab > 0 ? song.GetPart(tab - 1) : nullptr)
        part->PartRecord.setStartOffset(value);
    else
        song.SongSettings.setSlideShowStartOffset(value);
    editor_.Edited();
}

void TAdvancedPage::ShowEnabled() {
    const tSongSettings& s = Song().SongSettings;
    const bool shared = SharesScreen(s);
    for (QWidget* w :
         std::initializer_list<QWidget*>{positionLabel_, top_, bottom_, splitLabel_, split_, splitValue_})
        w->setEnabled(shared);
    cutout_->setEnabled(s.FullScreenVideo());
}

void TAdvancedPage::Store() {
    if (filling_)
        return;
    editor_.BeginEdit(Translate("Advanced Settings"), "advanced");
    tSongSettings& s = Song().SongSettings;
    s.setLyricsAtBottom(bottom_->isChecked());
    s.setSplitSize(split_->value());
    s.setCutoutText(cutout_->isChecked());
    s.setPreferredPlayer(PreferredPlayerOfChoice(player_->currentIndex()));
    s.setPlayWidth(width_->value());
    s.setPlayHeight(height_->value());
    s.setVerticalShift(int16_t(shift_->value()));
    s.setTweakWinampTimings(tweak_->isChecked());
    s.setAdjustWinampTimingsForWmp(adjust_->isChecked());
    editor_.Edited();
}

} // namespace lyrimo
