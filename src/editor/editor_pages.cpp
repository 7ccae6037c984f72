#include "editor/editor_pages.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "document/song.h"
#include "editor/song_editor.h"
#include "editor/song_edits.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace lyrimo {

// ---- the common ground

TEditorPage::TEditorPage(TSongEdit& editor, QString title, QString helpPage)
    : editor_(editor), title_(std::move(title)), helpPage_(std::move(helpPage)) {}

tLyrimoData& TEditorPage::Song() { return editor_.Song(); }

TPartTabs::TPartTabs(QWidget* parent) : QTabBar(parent) {
    setExpanding(false);
    setDocumentMode(true);
}

void TPartTabs::Rebuild(const tLyrimoData& song, int select) {
    QSignalBlocker block(this);
    while (count() > 0)
        removeTab(count() - 1);
    for (int p = 0; p < song.PartCount(); ++p)
        addTab(PartName(*song.GetPart(p)));
    setCurrentIndex(std::clamp(select, 0, std::max(count() - 1, 0)));
    // A hidden tab bar does not tell its layout that it needs room for its new tabs.
    updateGeometry();
}

TPartPage::TPartPage(TSongEdit& editor, QString title, QString helpPage)
    : TEditorPage(editor, std::move(title), std::move(helpPage)), tabs_(new TPartTabs(this)) {
    connect(tabs_, &QTabBar::currentChanged, this, [this] { FillPart(); });
}

void TPartPage::Fill() {
    tabs_->Rebuild(Song());
    FillPart();
}

int TPartPage::PartIndex() const { return std::max(tabs_->currentIndex(), 0); }

tLyricsData* TPartPage::Part() { return Song().GetPart(PartIndex()); }

QFont QtFontOf(const tFontRecord& record) {
    QFont font(QString::fromLatin1(record.name()));
    font.setPointSize(std::max<int>(record.size(), 1));
    font.setBold(record.style() & kFontBold);
    font.setItalic(record.style() & kFontItalic);
    font.setUnderline(record.style() & kFontUnderline);
    font.setStrikeOut(record.style() & kFontStrikeOut);
    return font;
}

void StoreQtFont(const QFont& font, tFontRecord& record) {
    record.setname(font.family().toLatin1().left(31));
    record.setsize(uint8_t(std::clamp(font.pointSize(), 1, 255)));
    record.setstyle(uint8_t((font.bold() ? kFontBold : 0) | (font.italic() ? kFontItalic : 0) |
                            (font.underline() ? kFontUnderline : 0) |
                            (font.strikeOut() ? kFontStrikeOut : 0)));
}

TLaterPage::TLaterPage(TSongEdit& editor, QString title, QString helpPage)
    : TEditorPage(editor, std::move(title), std::move(helpPage)) {
    auto* note = new QLabel(Translate("This page comes with a later version of Lyrimo") + ".");
    note->setAlignment(Qt::AlignCenter);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
}

// ---- Song Information

TInfoPage::TInfoPage(TSongEdit& editor) : TEditorPage(editor, "Song Information", "songedit.html") {
    auto* form = new QFormLayout;
    const char* const labels[] = {"Album Name:", "Song Artist:", "Song Name:", "Song Year:"};
    for (int i = 0; i < 4; ++i) {
        fields_[i] = new QLineEdit;
        fields_[i]->setMaxLength(kEditorInfoLength);
        form->addRow(Translate(labels[i]), fields_[i]);
        connect(fields_[i], &QLineEdit::textEdited, this, &TInfoPage::StoreFields);
    }
    auto* features = new QGroupBox(Translate("Song Features"));
    auto* featureLayout = new QVBoxLayout(features);
    rightToLeft_ = new QCheckBox(Translate("Use Right-to-Left Reading Order"));
    unicode_ = new QCheckBox(Translate("Support Multi-Byte Character Sets (Unicode)"));
    altDrawing_ = new QCheckBox(
        Translate("Use Alternative Drawing Mode (Enable if characters disappear during playback)"));
    for (QCheckBox* box : {rightToLeft_, unicode_, altDrawing_}) {
        featureLayout->addWidget(box);
        connect(box, &QCheckBox::clicked, this, &TInfoPage::FeaturesClicked);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(features);
    layout->addStretch(1);
}

void TInfoPage::Fill() {
    const tLyrimoData& song = Song();
    const bool wide = song.SongSettings.UnicodeText();
    const QString texts[] = {
        wide ? song.WideAlbumName() : FromSystemCodePage(song.AlbumName()),
        wide ? song.WideArtistName() : FromSystemCodePage(song.ArtistName()),
        wide ? song.WideSongName() : FromSystemCodePage(song.SongName()),
        wide ? song.WideSongYear() : FromSystemCodePage(song.SongYear()),
    };
    const Qt::LayoutDirection direction = song.SongSettings.RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    for (int i = 0; i < 4; ++i) {
        fields_[i]->setText(texts[i]);
        fields_[i]->setLayoutDirection(direction);
    }
    rightToLeft_->setChecked(song.SongSettings.RightToLeft());
    unicode_->setChecked(song.SongSettings.UnicodeText());
    altDrawing_->setChecked(song.SongSettings.AltDrawMode());
}

void TInfoPage::StoreFields() {
    editor_.BeginEdit(Translate("Song Information"), "info");
    tLyrimoData& song = Song();
    if (song.SongSettings.UnicodeText()) {
        song.SetWideAlbumName(fields_[0]->text());
        song.SetWideArtistName(fields_[1]->text());
        song.SetWideSongName(fields_[2]->text());
        song.SetWideSongYear(fields_[3]->text());
    } else {
        song.SetAlbumName(ToSystemCodePage(fields_[0]->text()));
        song.SetArtistName(ToSystemCodePage(fields_[1]->text()));
        song.SetSongName(ToSystemCodePage(fields_[2]->text()));
        song.SetSongYear(ToSystemCodePage(fields_[3]->text()));
    }
    editor_.Edited();
}

void TInfoPage::FeaturesClicked() {
    tLyrimoData& song = Song();
    tSongSettings& s = song.SongSettings;
    const bool unicodeWas = s.UnicodeText();
    if (unicodeWas && !unicode_->isChecked()) {
        const int answer = App().MessageBox(
            Translate(
                "You are currently using unicode characters, if you disable unicode then some characters may "
                "not appear correctly.  Are you sure?"),
            unicode_->text(), mb::OkCancel | mb::IconQuestion);
        if (answer != mb::IdOk) {
            unicode_->setChecked(true);
            return;
        }
    }
    editor_.BeginEdit(Translate("Song Features"));
    s.setRightToLeft(rightToLeft_->isChecked());
    s.setAltDrawMode(altDrawing_->isChecked());
    if (unicode_->isChecked() != unicodeWas)
        s.setUnicodeText(unicode_->isChecked());
    // The texts change kind with the setting: every page shows them anew.
    editor_.FillPages();
    editor_.Edited();
}

// ---- Preview Mode

TPreviewModePage::TPreviewModePage(TSongEdit& editor)
    : TEditorPage(editor, "Multi-Line Preview Mode", "songedit3b.html") {
    auto* layout = new QVBoxLayout(this);
    auto* group = new QButtonGroup(this);
    const char* const captions[] = {"Use Default", "Disabled", "Next-Line Preview (Lyrimo Old Method)",
                                    "Multi-Line Display (Traditional Method)"};
    const char* const notes[] = {"Use the default settings specified in your preferences",
                                 "Disable the multi-line preview system for this file", nullptr, nullptr};
    for (int mode = 0; mode < 4; ++mode) {
        choices_[mode] = new QRadioButton(Translate(captions[mode]));
        group->addButton(choices_[mode], mode);
        layout->addWidget(choices_[mode]);
        if (notes[mode]) {
            auto* note = new QLabel(Translate(notes[mode]));
            note->setContentsMargins(24, 0, 0, 6);
            layout->addWidget(note);
        }
        if (mode == 2) {
            auto* next = new QFormLayout;
            next->setContentsMargins(24, 0, 0, 6);
            horizontal_ = new QComboBox;
            horizontal_->addItems(
                {Translate("Align Left"), Translate("Align Center"), Translate("Align Right")});
            vertical_ = new QComboBox;
            vertical_->addItems({Translate("Above Lyrics"), Translate("Below Lyrics")});
            halfSize_ = new QCheckBox(Translate("Half Font Size"));
            blend_ = new QCheckBox(Translate("Blend to Background Colour"));
            next->addRow(Translate("Horiz Align:"), horizontal_);
            next->addRow(Translate("Vert Align:"), vertical_);
            next->addRow(halfSize_);
            next->addRow(blend_);
            layout->addLayout(next);
        }
        if (mode == 3) {
            auto* multi = new QVBoxLayout;
            multi->setContentsMargins(24, 0, 0, 6);
            firstLineTop_ = new QCheckBox(Translate("First Line is the Top Line"));
            fadeIn_ = new QCheckBox(Translate("Fade in preview text"));
            multi->addWidget(firstLineTop_);
            multi->addWidget(fadeIn_);
            layout->addLayout(multi);
        }
    }
    layout->addStretch(1);
    connect(group, &QButtonGroup::idClicked, this, &TPreviewModePage::Store);
    for (QComboBox* box : {horizontal_, vertical_})
        connect(box, &QComboBox::activated, this, &TPreviewModePage::Store);
    for (QCheckBox* box : {halfSize_, blend_, firstLineTop_, fadeIn_})
        connect(box, &QCheckBox::clicked, this, &TPreviewModePage::Store);
}

void TPreviewModePage::Fill() {
    filling_ = true;
    const tSongSettings& s = Song().SongSettings;
    choices_[std::min<int>(s.MultiLineMode(), 3)]->setChecked(true);
    horizontal_->setCurrentIndex(std::min<int>(s.PreviewAlign(), 2));
    vertical_->setCurrentIndex(s.PreviewBelow() ? 1 : 0);
    halfSize_->setChecked(s.PreviewHalfSize());
    blend_->setChecked(s.PreviewBlend());
    firstLineTop_->setChecked(s.FirstLineTop());
    fadeIn_->setChecked(s.PreviewFadeIn());
    ShowEnabled();
    filling_ = false;
}

void TPreviewModePage::ShowEnabled() {
    const bool nextLine = choices_[2]->isChecked(), multiLine = choices_[3]->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{horizontal_, vertical_, halfSize_, blend_})
        w->setEnabled(nextLine);
    firstLineTop_->setEnabled(multiLine);
    fadeIn_->setEnabled(multiLine);
}

void TPreviewModePage::Store() {
    if (filling_)
        return;
    editor_.BeginEdit(Translate("Preview Mode"));
    tSongSettings& s = Song().SongSettings;
    for (int mode = 0; mode < 4; ++mode)
        if (choices_[mode]->isChecked())
            s.setMultiLineMode(uint8_t(mode));
    s.setPreviewAlign(uint8_t(horizontal_->currentIndex()));
    s.setPreviewBelow(vertical_->currentIndex() == 1);
    s.setPreviewHalfSize(halfSize_->isChecked());
    s.setPreviewBlend(blend_->isChecked());
    s.setFirstLineTop(firstLineTop_->isChecked());
    s.setPreviewFadeIn(fadeIn_->isChecked());
    ShowEnabled();
    editor_.Edited();
}

} // namespace lyrimo
