#include "editor/line_timings_window.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "document/binary_file.h"
#include "document/song.h"
#include "editor/line_preview_window.h"
#include "editor/rec_line_window.h"
#include "editor/song_edits.h"
#include "editor/time_spin_edit.h"
#include "editor/time_text.h"
#include "media/media_player.h"
#include "ui/help_pages.h"
#include "ui/program_colours.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace lyrimo {

namespace {

constexpr int kTextMargin = 2;
constexpr int kListFontPoints = 12;
// The sound shown around the line.
constexpr int kSoundMarginMs = 1500;

QString FaceName(const tLyricsData& part) {
    const QString name = FromSystemCodePage(part.PartRecord.LyricsFont().name());
    return name.isEmpty() ? QStringLiteral("Arial") : name;
}

QPushButton* Button(const QString& text, const QString& hint = {}) {
    auto* button = new QPushButton(Translate(text));
    button->setAutoDefault(false);
    if (!hint.isEmpty())
        button->setToolTip(Translate(hint));
    return button;
}

} // namespace

tReRecordLine& LineReRecorder() {
    static tReRecordLine recorder = RecordLineTimings;
    return recorder;
}

// ---- the copy source

TSelectLine::TSelectLine(const tLyrimoData& song, std::vector<int> parts, QWidget* parent)
    : QDialog(parent), song_(song), parts_(std::move(parts)) {
    setWindowTitle(Translate("Copy Timings From"));
    tabs_ = new QTabBar;
    for (int index : parts_)
        tabs_->addTab(PartName(*song_.GetPart(index)));
    lines_ = new QListWidget;
    if (song_.SongSettings.RightToLeft())
        lines_->setLayoutDirection(Qt::RightToLeft);
    copyStart_ = new QCheckBox(Translate("Also Copy Line Start Time"));
    copyStart_->setChecked(true);
    ok_ = Button("&OK", "Click to copy");
    ok_->setDefault(true);
    QPushButton* cancel = Button("&Cancel");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copyStart_);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(lines_, 1);
    layout->addLayout(buttons);

    connect(tabs_, &QTabBar::currentChanged, this, &TSelectLine::FillLines);
    connect(lines_, &QListWidget::itemDoubleClicked, this, &TSelectLine::OkClicked);
    connect(ok_, &QPushButton::clicked, this, &TSelectLine::OkClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    FillLines();
    resize(520, 380);
}

void TSelectLine::FillLines() {
    lines_->clear();
    const int tab = tabs_->currentIndex();
    if (tab < 0 || tab >= int(parts_.size()))
        return;
    const tLyricsData& part = *song_.GetPart(parts_[size_t(tab)]);
    for (int i = 0; i < part.LineCount(); ++i)
        lines_->addItem(EditorLineText(song_, part, *part.GetLine(i)));
}

void TSelectLine::OkClicked() {
    const int line = lines_->currentRow();
    const int tab = tabs_->currentIndex();
    if (line < 0 || !lines_->currentItem() || !lines_->currentItem()->isSelected() || tab < 0) {
        App().MessageBox(Translate("You have not selected a line") + ".", Translate("Error"),
                         mb::IconWarning);
        return;
    }
    choice_ = tCopySource{parts_[size_t(tab)], line, copyStart_->isChecked()};
    accept();
}

std::optional<tCopySource> SelectCopySource(const tLyrimoData& song, int partIndex, QWidget* parent) {
    std::vector<int> parts = CopySourceParts(song, partIndex);
    if (parts.empty()) {
        App().MessageBox(Translate("There are no other song parts that have timings recorded available") +
                             ".",
                         Translate("Error"), mb::IconWarning);
        return std::nullopt;
    }
    TSelectLine window(song, std::move(parts), parent);
    window.exec();
    return window.Choice();
}

// ---- the list's rows

class TLinetime::tRowPainter : public QStyledItemDelegate {
public:
    explicit tRowPainter(TLinetime& editor) : QStyledItemDelegate(editor.list_), editor_(editor) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        painter->fillRect(option.rect, palette.color(QPalette::Base));
        if (selected)
            painter->fillRect(option.rect.adjusted(1, 1, -1, -1), palette.color(QPalette::Highlight));
        const int row = index.row();
        if (index.column() == 0) {
            painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
            const QString text = option.fontMetrics.elidedText(editor_.edit_.TimeTextOf(row), Qt::ElideRight,
                                                               option.rect.width());
            painter->drawText(option.rect, Qt::AlignCenter, text);
        } else {
            const QRect area = selected ? option.rect.adjusted(1, 1, -1, -1) : option.rect;
            editor_.DrawShownText(*painter, area, editor_.edit_.GlyphsShown(row),
                                  palette.color(selected ? QPalette::Highlight : QPalette::Base),
                                  palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        }
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.rect = option.rect;
            focus.palette = palette;
            focus.state = option.state;
            editor_.list_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, editor_.list_);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), editor_.canvas_.Font.Height() + 4));
        return size;
    }

private:
    TLinetime& editor_;
};

// ---- the editor

TLinetime::TLinetime(tLyrimoData& song, int partIndex, int lineIndex, QWidget* parent)
    : QDialog(parent), song_(song), partIndex_(partIndex), lineIndex_(lineIndex),
      edit_(song, partIndex, lineIndex, (SetupEngine(), engine_.GlyphCount())) {
    setWindowTitle(Translate("Lyrimo - Detailed Timings Editor"));
    preview = [](tLyrimoData& s, int part, int& line, QWidget* p) {
        return PreviewLine(s, part, line, false, p);
    };
    selectSource = SelectCopySource;

    auto* intro =
        new QLabel(Translate("This window allows you to modify the individual timings on one single "
                             "line of the song.  Most of the time you will not need to edit these "
                             "directly."));
    intro->setWordWrap(true);
    BuildLineLabel();
    BuildList();
    BuildFields();
    BuildSound();

    insert_ = Button("&Insert Timing", "Attempts to insert a timing before the selected line");
    delete_ = Button("&Delete Timing");
    deleteAll_ = Button("Remove &all timings for this line...");
    reRecord_ = Button("&Re-record the timings for this line...");
    preview_ = Button("&Preview...");
    copy_ = Button("Copy From...", "Click to copy timings from another song part");
    ok_ = Button("&Ok");
    ok_->setDefault(true);
    QPushButton* help = Button("&Help");

    auto* commands = new QVBoxLayout;
    for (QPushButton* button : {insert_, delete_, deleteAll_, reRecord_, preview_, copy_})
        commands->addWidget(button);
    commands->addStretch();
    commands->addWidget(help);
    commands->addWidget(ok_);

    auto* fields = new QFormLayout;
    fields->addRow(Translate("&Characters displayed:"), position_);
    fields->addRow(Translate("Time &Next Line Starts At:"), delta_);
    auto* listSide = new QVBoxLayout;
    listSide->addWidget(list_, 1);
    listSide->addLayout(fields);
    auto* body = new QHBoxLayout;
    body->addLayout(listSide, 1);
    body->addLayout(commands);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(lineLabel_);
    layout->addWidget(sound_);
    layout->addLayout(body, 1);

    connect(insert_, &QPushButton::clicked, this, &TLinetime::InsertClicked);
    connect(delete_, &QPushButton::clicked, this, &TLinetime::DeleteClicked);
    connect(deleteAll_, &QPushButton::clicked, this, &TLinetime::DeleteAllClicked);
    connect(reRecord_, &QPushButton::clicked, this, &TLinetime::ReRecordClicked);
    connect(preview_, &QPushButton::clicked, this, &TLinetime::PreviewClicked);
    connect(copy_, &QPushButton::clicked, this, &TLinetime::CopyFromClicked);
    connect(ok_, &QPushButton::clicked, this, &QDialog::close);
    connect(help, &QPushButton::clicked, this, &TLinetime::OpenHelp);

    SetReRecord(LineReRecorder());
    FillList();
    LoadFields();
    resize(760, 620);
}

TLinetime::~TLinetime() = default;

void TLinetime::BuildSound() {
    sound_ = new TSoundTimeline;
    sound_->SetSong(song_, partIndex_);
    connect(sound_, &TSoundTimeline::handleSelected, this, &TLinetime::SelectRow);
    connect(sound_, &TSoundTimeline::handleDropped, this, &TLinetime::HandleDropped);
    // Shortcuts, because the list takes typed characters for its own search.
    AddNudgeShortcuts(this, Qt::WindowShortcut, [this](int ms) { NudgeSelected(ms); });
    connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, &TLinetime::UndoLast);
}

void TLinetime::RefreshWaveform() {
    const tTimingsLineType& line = edit_.Line();
    const QString text = song_.SongSettings.UnicodeText() ? line.WideText() : FromSystemCodePage(line.Text());
    std::vector<tTimingHandle> handles = TimingHandles(edit_, text);
    if (!rangeShown_) {
        const int start = line.LineRecord.LineStart();
        const int end = handles.empty() ? start + 3000 : std::max(handles.back().ms, start + 1000);
        sound_->View()->ShowRange(start - kSoundMarginMs, end + kSoundMarginMs);
        rangeShown_ = true;
    }
    sound_->View()->SetHandles(std::move(handles));
    sound_->View()->SetSelected(SelectedRow());
}

void TLinetime::HandleDropped(int index, int partMs) {
    RememberForUndo();
    edit_.SetDelta(index, partMs - edit_.Line().LineRecord.LineStart());
    SelectRow(index);
    RefreshRow(index);
}

void TLinetime::NudgeSelected(int ms) {
    const int row = SelectedRow();
    if (row < 0)
        return;
    RememberForUndo();
    if (NudgeTiming(edit_, row, ms)) {
        LoadFields();
        RefreshRow(row);
    }
}

void TLinetime::RememberForUndo() {
    const tLineSnapshot now = edit_.Snapshot();
    if (undo_.empty() || !(undo_.back() == now))
        undo_.push_back(now);
}

bool TLinetime::UndoLast() {
    // A step that changed nothing is passed over.
    while (!undo_.empty() && undo_.back() == edit_.Snapshot())
        undo_.pop_back();
    if (undo_.empty())
        return false;
    const int row = SelectedRow();
    edit_.Restore(undo_.back());
    undo_.pop_back();
    FillList();
    SelectRow(std::min(row, edit_.Count() - 1));
    return true;
}

void TLinetime::SetupEngine() {
    const tLyricsData& part = *song_.GetPart(partIndex_);
    canvas_.Font = tFont(FaceName(part), kListFontPoints, 0, part.PartExtras.FontCharset());
    canvas_.RightToLeftReading = song_.SongSettings.RightToLeft() != 0;
    engine_.Setup(&canvas_, canvas_.RightToLeftReading, song_.SongSettings.AltDrawMode() != 0, u' ');
    const tTimingsLineType& line = *part.GetLine(lineIndex_);
    if (song_.SongSettings.UnicodeText())
        engine_.SetText(line.WideText());
    else
        engine_.SetAnsiText(line.Text());
}

void TLinetime::BuildLineLabel() {
    const tLyricsData& part = *song_.GetPart(partIndex_);
    const tTimingsLineType& line = *part.GetLine(lineIndex_);
    lineLabel_ = new QLabel(EditorLineText(song_, part, line));
    QFont font(FaceName(part));
    font.setPointSize(14);
    lineLabel_->setFont(font);
    if (song_.SongSettings.RightToLeft())
        lineLabel_->setLayoutDirection(Qt::RightToLeft);
    lineLabel_->setAlignment(Qt::AlignVCenter | Qt::AlignLeading);
    lineLabel_->setAutoFillBackground(true);
    QPalette palette = lineLabel_->palette();
    palette.setColor(QPalette::Window, DialogColour(song_.SongSettings.BackgroundColour()));
    palette.setColor(QPalette::WindowText, DialogColour(line.LineRecord.NormalColour()));
    lineLabel_->setPalette(palette);
    // The program's style sheet would paint over the palette.
    lineLabel_->setStyleSheet(QString("QLabel { background: %1; color: %2; padding: 6px; }")
                                  .arg(DialogColour(song_.SongSettings.BackgroundColour()).name(),
                                       DialogColour(line.LineRecord.NormalColour()).name()));
}

void TLinetime::BuildList() {
    list_ = new QTreeWidget;
    list_->setColumnCount(2);
    list_->setHeaderLabels({Translate("Time Next Line Starts At"), Translate("Text displayed so far")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setItemDelegate(new tRowPainter(*this));
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(0, 190);
    if (song_.SongSettings.RightToLeft())
        list_->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &TLinetime::LoadFields);
    auto* deleteKey = new QShortcut(QKeySequence::Delete, list_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &TLinetime::DeleteClicked);
}

void TLinetime::BuildFields() {
    position_ = new QSpinBox;
    position_->setEnabled(false);
    delta_ = new TTimeSpinEdit;
    delta_->setEnabled(false);
    connect(position_, &QSpinBox::valueChanged, this, &TLinetime::PositionEdited);
    connect(delta_, &TTimeSpinEdit::ValueChanged, this, &TLinetime::DeltaEdited);
}

void TLinetime::SetReRecord(tReRecordLine hook) {
    reRecordHook_ = std::move(hook);
    reRecord_->setEnabled(bool(reRecordHook_));
}

void TLinetime::FillList() {
    const QSignalBlocker blocker(list_);
    list_->clear();
    for (int i = 0; i < edit_.Count(); ++i)
        list_->addTopLevelItem(new QTreeWidgetItem);
    RefreshWaveform();
}

int TLinetime::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.first());
}

void TLinetime::SelectRow(int row) {
    if (QTreeWidgetItem* item = list_->topLevelItem(row))
        list_->setCurrentItem(item);
    else
        list_->clearSelection();
    LoadFields();
}

void TLinetime::LoadFields() {
    const int row = SelectedRow();
    loadingFields_ = true;
    if (row < 0) {
        position_->setEnabled(false);
        delta_->setEnabled(false);
    } else {
        const tTimingLimits limits = edit_.Limits(row);
        const tTimingRecord timing = edit_.Timing(row);
        position_->setRange(limits.position.minimum,
                            std::max(limits.position.minimum, limits.position.maximum));
        position_->setValue(timing.Position());
        position_->setEnabled(!limits.position.Empty());
        delta_->SetLimits(limits.delta.minimum, std::max(limits.delta.minimum, limits.delta.maximum));
        delta_->SetValue(timing.Delta());
        delta_->setEnabled(!limits.delta.Empty());
    }
    loadingFields_ = false;
    sound_->View()->SetSelected(row);
}

void TLinetime::PositionEdited(int value) {
    const int row = SelectedRow();
    if (loadingFields_ || row < 0 || !position_->isEnabled())
        return;
    RememberForUndo();
    if (edit_.SetPosition(row, value))
        RefreshRow(row);
}

void TLinetime::DeltaEdited(int64_t value) {
    const int row = SelectedRow();
    if (loadingFields_ || row < 0 || !delta_->isEnabled())
        return;
    RememberForUndo();
    if (edit_.SetDelta(row, int(std::min<int64_t>(value, 65535))))
        RefreshRow(row);
}

void TLinetime::RefreshRow(int row) {
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        const QModelIndex first = list_->model()->index(row, 0);
        const QModelIndex last = list_->model()->index(row, 1);
        emit list_->model()->dataChanged(first, last);
        list_->viewport()->update(list_->visualItemRect(item));
    }
    RefreshWaveform();
}

void TLinetime::ShowError(const QString& text) {
    App().MessageBox(text, Translate("Error"), mb::IconWarning);
}

void TLinetime::InsertClicked() {
    QString refusal;
    RememberForUndo();
    const int row = edit_.Insert(SelectedRow(), refusal);
    if (row < 0) {
        ShowError(refusal);
        return;
    }
    FillList();
    SelectRow(row);
}

void TLinetime::DeleteClicked() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    if (App().MessageBox(Translate("Delete this timing? Really?"), Translate("Delete Request"),
                         mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;
    RememberForUndo();
    const int next = edit_.Delete(row);
    FillList();
    SelectRow(next);
}

void TLinetime::DeleteAllClicked() {
    if (App().MessageBox(Translate("Delete ALL timings for this line? Really?"),
                         Translate("Delete Timings Request"), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;
    RememberForUndo();
    edit_.DeleteAll();
    FillList();
    LoadFields();
}

void TLinetime::ReRecordClicked() {
    sound_->StopPlaying();
    RememberForUndo();
    if (reRecordHook_ && reRecordHook_(song_, partIndex_, lineIndex_, this))
        edit_.MarkChanged();
    FillList();
    LoadFields();
}

void TLinetime::PreviewClicked() {
    sound_->StopPlaying();
    int line = lineIndex_;
    if (preview && preview(song_, partIndex_, line, this))
        edit_.MarkChanged();
}

void TLinetime::CopyFromClicked() {
    const std::optional<tCopySource> source =
        selectSource ? selectSource(song_, partIndex_, this) : std::nullopt;
    if (!source)
        return;
    const tLyricsData* part = song_.GetPart(source->partIndex);
    const tTimingsLineType* line = part ? part->GetLine(source->lineIndex) : nullptr;
    if (!line)
        return;
    RememberForUndo();
    edit_.CopyFrom(*line, source->copyStart);
    FillList();
    LoadFields();
}

void TLinetime::DrawShownText(QPainter& painter, const QRect& area, int glyphs, const QColor& back,
                              const QColor& text) {
    if (area.width() <= 0 || area.height() <= 0)
        return;
    canvas_.Image = Bitmap(area.width(), area.height(), tPixelFormat::Bits32);
    canvas_.Image.Fill(tColour(ProgramColour(back)));
    canvas_.Font.SetColour(tColour(ProgramColour(text)));
    const int width = engine_.RangeWidth(1, glyphs);
    const int x = song_.SongSettings.RightToLeft() ? area.width() - kTextMargin - width : kTextMargin;
    const int y = (area.height() - canvas_.Font.Height()) / 2;
    engine_.DrawRange(canvas_, x, y, nullptr, 1, glyphs);
    const Bitmap& image = canvas_.Image;
    painter.drawImage(area.topLeft(), QImage(image.Row(0), image.Width(), image.Height(), image.Stride(),
                                             QImage::Format_RGB32));
}

void TLinetime::OpenHelp() { OpenHelpPage("lineedit.html"); }

void TLinetime::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        OpenHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TLinetime::closeEvent(QCloseEvent* event) {
    sound_->StopPlaying();
    list_->hide();
    list_->clear();
    QDialog::closeEvent(event);
}

bool TLinetime::Run() {
    exec();
    return Changed();
}

bool EditLineTimings(tLyrimoData& song, int partIndex, int lineIndex, QWidget* parent) {
    const tLyricsData* part = song.GetPart(partIndex);
    if (!part || !part->GetLine(lineIndex))
        return false;
    TLinetime editor(song, partIndex, lineIndex, parent);
    return editor.Run();
}

} // namespace lyrimo
