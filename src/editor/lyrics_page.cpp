// The Song Lyrics page: the parts, and their lines as one text (no timings yet) or as a list
// whose rows keep their timings.
#include "app/app_services.h"
#include "app/atomic_file.h"
#include "app/text_codec.h"
#include "document/binary_file.h"
#include "document/song.h"
#include "document/song_loading.h"
#include "editor/editor_pages.h"
#include "editor/song_editor.h"
#include "editor/song_edits.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr int64_t kMaxLyricsFileSize = 4 << 20;

QPushButton* Button(const QString& caption, QObject* receiver, const std::function<void()>& action) {
    auto* button = new QPushButton(Translate(caption));
    QObject::connect(button, &QPushButton::clicked, receiver, action);
    return button;
}

QString TextFilter() {
    return Translate("Text files") + " (*.txt)|*.txt|" + Translate("All Files") + " (*.*)|*.*";
}

// The part's face and character set, so that the lines read as they will play.
QFont PartFont(const tLyricsData& part, const QFont& base) {
    QFont font = base;
    const QString face = QString::fromLatin1(part.PartRecord.LyricsFont().name());
    if (!face.isEmpty())
        font.setFamily(face);
    return font;
}

} // namespace

TLyricsPage::TLyricsPage(TSongEdit& editor) : TPartPage(editor, "Song Lyrics: Editor", "songedit3.html") {
    auto* partButtons = new QHBoxLayout;
    partButtons->addWidget(tabs_, 1);
    partButtons->addWidget(Button("Add...", this, [this] { AddPart(); }));
    partButtons->addWidget(Button("Rename...", this, [this] { RenamePart(); }));
    partButtons->addWidget(Button("Delete...", this, [this] { DeletePart(); }));
    partButtons->addWidget(Button("Copy...", this, [this] { CopyPart(); }));

    untimedNote_ = new QLabel(Translate("Timings have not been recorded."));
    text_ = new QPlainTextEdit;
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(text_, &QPlainTextEdit::textChanged, this, &TLyricsPage::TextChanged);

    auto* listPage = new QWidget;
    auto* listLayout = new QHBoxLayout(listPage);
    listLayout->setContentsMargins(0, 0, 0, 0);
    list_ = new QListWidget;
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    connect(list_, &QListWidget::itemChanged, this, &TLyricsPage::LineEdited);
    auto* lineButtons = new QVBoxLayout;
    lineButtons->addWidget(Button("Edit...", this, [this] {
        if (QListWidgetItem* item = list_->currentItem())
            list_->editItem(item);
    }));
    lineButtons->addWidget(Button("Insert...", this, [this] { InsertLine(false); }));
    lineButtons->addWidget(Button("Add...", this, [this] { InsertLine(true); }));
    lineButtons->addWidget(Button("Delete...", this, [this] { DeleteLine(); }));
    lineButtons->addStretch(1);
    listLayout->addWidget(list_, 1);
    listLayout->addLayout(lineButtons);

    modes_ = new QStackedWidget;
    modes_->addWidget(text_);
    modes_->addWidget(listPage);

    separator_ = new QLineEdit;
    separator_->setMaxLength(1);
    separator_->setMaximumWidth(40);
    connect(separator_, &QLineEdit::textEdited, this, &TLyricsPage::SeparatorEdited);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button("Load...", this, [this] { LoadText(); }));
    bottom->addWidget(Button("Save...", this, [this] { SaveText(); }));
    bottom->addStretch(1);
    bottom->addWidget(new QLabel(Translate("Extra Word Seperator:")));
    bottom->addWidget(separator_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(partButtons);
    layout->addWidget(untimedNote_);
    layout->addWidget(modes_, 1);
    layout->addLayout(bottom);
}

void TLyricsPage::FillPart() {
    const tLyricsData* part = Part();
    if (!part)
        return;
    filling_ = true;
    const tLyrimoData& song = Song();
    const bool timed = part->PartRecord.TimingsRecorded();
    const Qt::LayoutDirection direction = song.SongSettings.RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    untimedNote_->setVisible(!timed);
    modes_->setCurrentIndex(timed ? 1 : 0);
    text_->setLayoutDirection(direction);
    list_->setLayoutDirection(direction);
    text_->setFont(PartFont(*part, font()));
    list_->setFont(PartFont(*part, font()));
    if (timed)
        FillLineList(list_->currentRow());
    else
        text_->setPlainText(PartTextLines(song, *part).join('\n'));
    const char16_t breakChar = song.ExtraBreakChar();
    separator_->setText(breakChar ? QString(QChar(breakChar)) : QString());
    filling_ = false;
}

void TLyricsPage::FillLineList(int select) {
    const QSignalBlocker block(list_);
    list_->clear();
    const tLyricsData& part = *Part();
    int widest = 0;
    const QFontMetrics metrics(list_->font());
    for (int i = 0; i < part.LineCount(); ++i) {
        auto* item = new QListWidgetItem(EditorLineText(Song(), part, *part.GetLine(i)), list_);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        widest = std::max(widest, metrics.horizontalAdvance(item->text()));
    }
    list_->setMinimumWidth(std::min(widest + 12, 600));
    if (list_->count() > 0)
        list_->setCurrentRow(std::clamp(select, 0, list_->count() - 1));
}

void TLyricsPage::TextChanged() {
    tLyricsData* part = Part();
    if (filling_ || !part)
        return;
    editor_.BeginEdit(Translate("Typing"), "lyrics " + QString::number(PartIndex()));
    SetPartLinesFromText(Song(), *part, text_->toPlainText().split('\n'));
    editor_.Edited();
}

void TLyricsPage::LineEdited(QListWidgetItem* item) {
    tLyricsData* part = Part();
    tTimingsLineType* line = part ? part->GetLine(list_->row(item)) : nullptr;
    if (filling_ || !line)
        return;
    editor_.BeginEdit(Translate("Edit Line"));
    SetEditorLineText(Song(), *part, *line, item->text());
    const QSignalBlocker block(list_);
    item->setText(EditorLineText(Song(), *part, *line));
    editor_.Edited();
}

void TLyricsPage::SeparatorEdited(const QString& text) {
    tSongSettings& s = Song().SongSettings;
    const char16_t c = text.isEmpty() ? 0 : text[0].unicode();
    if (s.UnicodeText()) {
        s.setExtraBreakChar(uint8_t(c & 0xFF));
        s.setExtraBreakCharHigh(uint8_t(c >> 8));
    } else {
        const QByteArray bytes = ToSystemCodePage(text.left(1));
        s.setExtraBreakChar(bytes.isEmpty() ? 0 : uint8_t(bytes[0]));
    }
}

void TLyricsPage::AddPart() {
    const std::optional<QString> name = editor_.Dialogs().prompt(
        Translate("New Song Part"), Translate("Please enter the name for the new song part") + ":",
        Translate("Part Name") + ":", NewPartName(Song().PartCount()));
    if (name) {
        editor_.BeginEdit(Translate("Add Part"));
        auto part = std::make_unique<tLyricsData>();
        SetPartName(*part, *name);
        const int index = Song().AddPart(std::move(part));
        tabs_->Rebuild(Song(), index);
        editor_.Edited();
    }
    FillPart();
}

void TLyricsPage::RenamePart() {
    tLyricsData* part = Part();
    if (!part)
        return;
    const std::optional<QString> name =
        editor_.Dialogs().prompt(Translate("Rename Song Part"),
                                 Translate("Please enter the new name for the selected song part") + ":",
                                 Translate("Part Name") + ":", tabs_->tabText(PartIndex()));
    if (!name)
        return;
    editor_.BeginEdit(Translate("Rename Part"));
    SetPartName(*part, *name);
    tabs_->setTabText(PartIndex(), PartName(*part));
    editor_.Edited();
}

void TLyricsPage::DeletePart() {
    if (Song().PartCount() <= 1) {
        App().MessageBox(Translate("Your song must have at least one song part") + "\r\n" +
                             Translate("You cannot delete the last part"),
                         Translate("Error"), mb::Ok | mb::IconInformation);
        return;
    }
    if (App().MessageBox(Translate("Delete this song part? Are you sure?"), Translate("Delete Song Part"),
                         mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;
    const int index = PartIndex();
    editor_.BeginEdit(Translate("Delete Part"));
    Song().DeletePart(index);
    tabs_->Rebuild(Song(), std::max(index - 1, 0));
    FillPart();
    editor_.Edited();
}

void TLyricsPage::CopyPart() {
    const tLyricsData* part = Part();
    if (!part)
        return;
    const std::optional<QString> name = editor_.Dialogs().prompt(
        Translate("New Song Part"), Translate("Please enter the name for the new song part") + ":",
        Translate("Part Name") + ":", Translate("Copy of") + " " + PartName(*part));
    if (!name)
        return;
    editor_.BeginEdit(Translate("Copy Part"));
    const int index = Song().AddPart(lyrimo::CopyPart(*part, *name));
    tabs_->Rebuild(Song(), index);
    FillPart();
    editor_.Edited();
}

void TLyricsPage::InsertLine(bool atEnd) {
    tLyricsData* part = Part();
    if (!part)
        return;
    editor_.BeginEdit(Translate("Insert Line"));
    const int row = atEnd || list_->currentRow() < 0 ? part->LineCount() : list_->currentRow();
    const int index = InsertEmptyLine(*part, row);
    FillLineList(index);
    editor_.Edited();
    if (QListWidgetItem* item = list_->item(index))
        list_->editItem(item);
}

void TLyricsPage::DeleteLine() {
    tLyricsData* part = Part();
    const int row = list_->currentRow();
    if (!part || row < 0 || row >= part->LineCount())
        return;
    editor_.BeginEdit(Translate("Delete Line"));
    part->DeleteLine(row);
    FillLineList(std::min(row, part->LineCount() - 1));
    editor_.Edited();
}

void TLyricsPage::LoadText() {
    tLyricsData* part = Part();
    if (!part)
        return;
    const std::optional<QString> chosen = editor_.Dialogs().openFile(
        Translate("Select the text file to load the lyrics from..."), TextFilter());
    if (!chosen)
        return;
    QByteArray bytes;
    if (!ReadWholeFile(*chosen, bytes, kMaxLyricsFileSize)) {
        const QString why = QFileInfo(*chosen).size() > kMaxLyricsFileSize
                                ? Translate("This file is too large to import")
                                : ErrorText(QFileInfo::exists(*chosen) ? EACCES : ENOENT);
        App().MessageBox(Translate("Error opening the file") + " " + QFileInfo(*chosen).fileName() + ": " +
                             why,
                         Translate("Error"), mb::Ok | mb::IconStop);
        return;
    }
    editor_.BeginEdit(Translate("Load Lyrics"));
    LoadPartFromText(*part, bytes, *chosen);
    tabs_->setTabText(PartIndex(), PartName(*part));
    FillPart();
    editor_.Edited();
}

void TLyricsPage::SaveText() {
    const tLyricsData* part = Part();
    if (!part)
        return;
    const std::optional<QString> chosen = editor_.Dialogs().saveFile(
        Translate("Enter the name of the file to save the lyrics to"), TextFilter(), QString());
    if (!chosen)
        return;
    // The old file stays until the new one is completely written.
    if (QString error; !WriteFileAtomically(*chosen, PartAsText(*part), &error)) {
        App().MessageBox(Translate("Error saving to the file") + " " + QFileInfo(*chosen).fileName() + ": " +
                             error,
                         Translate("Error"), mb::Ok | mb::IconStop);
    }
}

} // namespace lyrimo
