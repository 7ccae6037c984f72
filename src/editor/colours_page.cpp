// The Lyrics Colours page: five colours of every line, set for many lines at once.
#include "app/app_services.h"
#include "document/song.h"
#include "editor/editor_pages.h"
#include "editor/song_editor.h"
#include "editor/song_edits.h"
#include "ui/program_colours.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

enum { kNormalTab, kHighlightTab, kHighlightBackgroundTab, kFormatTab, kHighlightFormatTab };

int32_t LineColour(const tLineRecord& line, int tab) {
    switch (tab) {
    case kNormalTab: return line.NormalColour();
    case kHighlightTab: return line.HighlightColour();
    case kHighlightBackgroundTab: return line.HighlightBackground();
    case kFormatTab: return line.FormatColour();
    default: return line.HighlightFormatColour();
    }
}

void SetLineColour(tLineRecord& line, int tab, int32_t colour) {
    switch (tab) {
    case kNormalTab: line.setNormalColour(colour); break;
    case kHighlightTab: line.setHighlightColour(colour); break;
    case kHighlightBackgroundTab: line.setHighlightBackground(colour); break;
    case kFormatTab: line.setFormatColour(colour); break;
    default: line.setHighlightFormatColour(colour); break;
    }
}

enum { kTextRole = Qt::UserRole, kBackRole, kSwatchRole };

// A row as the line will look: its text on its background in its colour, and a swatch of the
// current tab's colour at the end, round for the formatting colours.
class TColourRowDelegate : public QStyledItemDelegate {
public:
    TColourRowDelegate(QTabBar* tabs, QObject* parent) : QStyledItemDelegate(parent), tabs_(tabs) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect r = option.rect;
        painter->save();
        painter->fillRect(r, DialogColour(index.data(kBackRole).toInt()));
        const bool rightToLeft = option.direction == Qt::RightToLeft;
        const QRect swatch =
            rightToLeft ? QRect(r.left() + 4, r.top() + 3, r.height() - 6, r.height() - 6)
                        : QRect(r.right() - r.height() + 3, r.top() + 3, r.height() - 6, r.height() - 6);
        const QRect text =
            r.adjusted(rightToLeft ? r.height() + 4 : 4, 0, rightToLeft ? -4 : -r.height() - 4, 0);
        painter->setPen(DialogColour(index.data(kTextRole).toInt()));
        painter->setFont(option.font);
        painter->drawText(text, Qt::AlignVCenter | (rightToLeft ? Qt::AlignRight : Qt::AlignLeft),
                          index.data(Qt::DisplayRole).toString());
        painter->setPen(Qt::gray);
        painter->setBrush(DialogColour(index.data(kSwatchRole).toInt()));
        painter->setRenderHint(QPainter::Antialiasing);
        if (tabs_->currentIndex() >= kFormatTab)
            painter->drawEllipse(swatch);
        else
            painter->drawRect(swatch);
        if (option.state & QStyle::State_Selected) {
            painter->setBrush(Qt::NoBrush);
            painter->setPen(QPen(option.palette.highlight(), 2));
            painter->drawRect(r.adjusted(1, 1, -1, -1));
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height() + 6, 24));
        return size;
    }

private:
    QTabBar* tabs_;
};

QPixmap Swatch(int32_t colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(DialogColour(colour));
    return pixmap;
}

} // namespace

TColoursPage::TColoursPage(TSongEdit& editor)
    : TPartPage(editor, "Song Lyrics: Lyrics Colours", "songedit3a.html") {
    colourTabs_ = new QTabBar;
    for (const char* caption : {"Normal Text", "Highlighted Text", "Highlighted Background",
                                "Text Formatting", "Highlighted Text Formatting"})
        colourTabs_->addTab(Translate(caption));
    connect(colourTabs_, &QTabBar::currentChanged, this, [this] { FillPart(); });

    list_ = new QListWidget;
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setItemDelegate(new TColourRowDelegate(colourTabs_, list_));
    connect(list_, &QListWidget::itemClicked, this, &TColoursPage::LineClicked);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { ChooseCustomColour(); });

    auto* selection = new QHBoxLayout;
    auto addSelectionButton = [&](const char* caption, const std::function<void()>& act) {
        auto* button = new QPushButton(Translate(caption));
        connect(button, &QPushButton::clicked, this, act);
        selection->addWidget(button);
    };
    addSelectionButton("Select All", [this] { list_->selectAll(); });
    addSelectionButton("Select None", [this] { list_->clearSelection(); });
    addSelectionButton("Invert Selection", [this] {
        for (int i = 0; i < list_->count(); ++i)
            list_->item(i)->setSelected(!list_->item(i)->isSelected());
    });
    selection->addStretch(1);

    presets_ = new QListWidget;
    presets_->setMaximumWidth(180);
    for (int i = 0; i < int(PresetColours.size()); ++i) {
        auto* item = new QListWidgetItem(QIcon(Swatch(PresetColours[i])),
                                         Translate("Preset") + " " + QString::number(i + 1));
        presets_->addItem(item);
    }
    connect(presets_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ApplyColour(PresetColours[presets_->row(item)]); });
    preview_ = new QLabel;
    preview_->setFixedSize(48, 24);
    auto* custom = new QPushButton(Translate("Custom..."));
    connect(custom, &QPushButton::clicked, this, &TColoursPage::ChooseCustomColour);
    auto* selector = new QVBoxLayout;
    selector->addWidget(new QLabel(Translate("Colour Selector")));
    selector->addWidget(presets_, 1);
    auto* previewRow = new QHBoxLayout;
    previewRow->addWidget(preview_);
    previewRow->addWidget(custom);
    selector->addLayout(previewRow);

    auto* middle = new QHBoxLayout;
    auto* lines = new QVBoxLayout;
    lines->addWidget(colourTabs_);
    lines->addWidget(list_, 1);
    lines->addLayout(selection);
    middle->addLayout(lines, 1);
    middle->addLayout(selector);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(middle, 1);
    ShowPreview(0);
}

void TColoursPage::FillPart() {
    const tLyricsData* part = Part();
    if (!part)
        return;
    QList<int> selected;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected())
            selected << i;
    list_->clear();
    const tLyrimoData& song = Song();
    const int tab = colourTabs_->currentIndex();
    const bool onBackground = tab == kNormalTab || tab == kFormatTab;
    QFont font = list_->font();
    if (const QString face = QString::fromLatin1(part->PartRecord.LyricsFont().name()); !face.isEmpty())
        font.setFamily(face);
    list_->setFont(font);
    list_->setLayoutDirection(song.SongSettings.RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    for (int i = 0; i < part->LineCount(); ++i) {
        const tLineRecord& line = part->GetLine(i)->LineRecord;
        auto* item = new QListWidgetItem(EditorLineText(song, *part, *part->GetLine(i)), list_);
        item->setData(kTextRole, onBackground ? line.NormalColour() : line.HighlightColour());
        item->setData(kBackRole,
                      onBackground ? song.SongSettings.BackgroundColour() : line.HighlightBackground());
        item->setData(kSwatchRole, LineColour(line, tab));
    }
    for (int i : selected)
        if (QListWidgetItem* item = list_->item(i))
            item->setSelected(true);
}

void TColoursPage::LineClicked(QListWidgetItem* item) {
    const tLyricsData* part = Part();
    const tTimingsLineType* line = part ? part->GetLine(list_->row(item)) : nullptr;
    if (!line)
        return;
    const int32_t colour = LineColour(line->LineRecord, colourTabs_->currentIndex());
    ShowPreview(colour);
    const auto preset = std::find(PresetColours.begin(), PresetColours.end(), colour);
    presets_->setCurrentRow(preset == PresetColours.end() ? -1 : int(preset - PresetColours.begin()));
}

void TColoursPage::ShowPreview(int32_t colour) {
    previewColour_ = colour;
    preview_->setPixmap(Swatch(colour).scaled(preview_->size()));
}

void TColoursPage::ApplyColour(int32_t colour) {
    tLyricsData* part = Part();
    if (!part)
        return;
    editor_.BeginEdit(Translate("Colour"));
    const int tab = colourTabs_->currentIndex();
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected())
            SetLineColour(part->GetLine(i)->LineRecord, tab, colour);
    ShowPreview(colour);
    FillPart();
    editor_.Edited();
}

void TColoursPage::ChooseCustomColour() {
    if (list_->selectedItems().isEmpty())
        return;
    QColorDialog dialog(DialogColour(previewColour_), this);
    CustomColoursToDialog(Settings().CustomColours);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    Settings().CustomColours = CustomColoursFromDialog();
    if (chosen)
        ApplyColour(ProgramColour(dialog.selectedColor()));
}

} // namespace lyrimo
