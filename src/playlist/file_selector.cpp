#include "playlist/file_selector.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "playback/monitors.h"
#include "ui/program_style.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace lyrimo {
namespace {

// The list is read this long after the window shows, so the window is painted first.
constexpr int kFirstReadDelayMs = 10;

constexpr int kMargin = 8;     // around the rows
constexpr int kColumnGap = 14; // between two columns
constexpr int kBarInset = 2;   // above and below each bar within its row
constexpr int kIconSize = 19;
constexpr int kIconPadding = 8; // between a bar's end and its icon
constexpr int kCentreGap = 10;  // between the centre of a song row and its texts

const QColor kRowText("#150c2e");
const QColor kArtistText("#3d2b66");
const QColor kSelectedText("#c8102e");

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

void DrawFolderIcon(QPainter& p, const QRectF& r, bool open) {
    const QColor body = open ? QColor("#ff8a1e") : QColor("#e2a23a");
    QPainterPath tab;
    tab.addRoundedRect(QRectF(r.left(), r.top() + 1, r.width() * 0.45, r.height() * 0.3), 2, 2);
    p.setPen(QPen(body.darker(150), 1));
    p.setBrush(body.darker(115));
    p.drawPath(tab);
    QRectF front(r.left(), r.top() + r.height() * 0.22, r.width(), r.height() * 0.72);
    if (open) {
        p.setBrush(QColor("#fff7e0"));
        p.drawRect(front.adjusted(3, -3, -3, -4)); // a sheet standing in the open folder
        QPolygonF flap({front.bottomLeft(), front.topLeft() + QPointF(4, 5), front.topRight() + QPointF(0, 5),
                        front.bottomRight() - QPointF(3, 0)});
        p.setBrush(body);
        p.drawPolygon(flap);
    } else {
        p.setBrush(body);
        p.drawRoundedRect(front, 2, 2);
    }
}

void DrawSongIcon(QPainter& p, const QRectF& r, bool selected) {
    p.setPen(Qt::NoPen);
    p.setBrush(selected ? QColor("#c8102e") : QColor("#5b2fa0"));
    p.drawEllipse(r);
    // An eighth note: head, stem and flag.
    p.setBrush(Qt::white);
    const double u = r.width() / 19.0;
    p.drawEllipse(QRectF(r.left() + 5 * u, r.top() + 11 * u, 5.5 * u, 4.2 * u));
    p.drawRect(QRectF(r.left() + 9.3 * u, r.top() + 4 * u, 1.4 * u, 9.5 * u));
    QPolygonF flag({QPointF(r.left() + 10.5 * u, r.top() + 4 * u),
                    QPointF(r.left() + 14.5 * u, r.top() + 7 * u),
                    QPointF(r.left() + 10.5 * u, r.top() + 8.5 * u)});
    p.drawPolygon(flag);
}

void DrawParentIcon(QPainter& p, const QRectF& r) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#2b8a6e"));
    p.drawEllipse(r);
    const double u = r.width() / 19.0;
    p.setBrush(Qt::white);
    QPolygonF arrow(
        {QPointF(r.left() + 9.5 * u, r.top() + 3.5 * u), QPointF(r.left() + 15 * u, r.top() + 9.5 * u),
         QPointF(r.left() + 11.3 * u, r.top() + 9.5 * u), QPointF(r.left() + 11.3 * u, r.top() + 15 * u),
         QPointF(r.left() + 7.7 * u, r.top() + 15 * u), QPointF(r.left() + 7.7 * u, r.top() + 9.5 * u),
         QPointF(r.left() + 4 * u, r.top() + 9.5 * u)});
    p.drawPolygon(arrow);
}

void DrawIcon(QPainter& p, const TFile& entry, const QRectF& r, bool selected) {
    if (entry.IsParent)
        DrawParentIcon(p, r);
    else if (entry.IsFolder)
        DrawFolderIcon(p, r, selected);
    else
        DrawSongIcon(p, r, selected);
}

void DrawBar(QPainter& p, const QRectF& bar, bool selected, bool hovered) {
    QColor top = selected ? QColor("#fff0a8") : QColor("#f6f1ff");
    QColor bottom = selected ? QColor("#ffc83c") : QColor("#cdbdf2");
    if (hovered && !selected) {
        top = QColor(Qt::white);
        bottom = Mix(bottom, Qt::white, 0.45);
    }
    QLinearGradient fill(bar.topLeft(), bar.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(selected  ? QPen(QColor("#fff6d0"), 2)
             : hovered ? QPen(QColor(program_colour::Accent), 2)
                       : QPen(QColor(program_colour::Border), 1));
    p.setBrush(fill);
    p.drawRoundedRect(bar, bar.height() / 2, bar.height() / 2);
}

QString Elided(const QFontMetrics& metrics, const QString& text, int width) {
    return metrics.elidedText(text, Qt::ElideRight, std::max(width, 0));
}

QString SelectorStyleSheet() {
    return R"(
lyrimo--TFileSelector {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2b1055, stop:1 #0d0a24);
}
QLabel { color: #f0e8ff; }
QLabel#Heading { color: #ffc83c; font-size: 24px; font-weight: bold; }
QLabel#Count { color: #b9a8dd; font-size: 16px; }
QLabel#StatusLine {
    background: rgba(0, 0, 0, 90); border: 1px solid #5a3d8c; border-radius: 8px; padding: 6px 10px;
    font-size: 18px;
}
lyrimo--TSongListView { background: transparent; border: none; }
QPushButton {
    color: white; font-size: 17px; font-weight: normal; padding: 10px 12px;
    border: 1px solid #7a55c0; border-radius: 12px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5b2fa0, stop:1 #3a1c6e);
}
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #7a45c8, stop:1 #4d2790); }
QPushButton:pressed { background: #2a1250; }
QScrollBar:vertical { background: rgba(0, 0, 0, 70); width: 16px; border-radius: 8px; margin: 0; }
QScrollBar::handle:vertical { background: #7a55c0; border-radius: 7px; min-height: 40px; margin: 1px; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }
QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }
QPushButton[lit="true"] {
    color: #2b1055; font-weight: bold; border: 2px solid #fff2c0;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffe58a, stop:1 #ffc83c);
}
)";
}

QString DefaultStatus() { return Translate("Please select a song to sing"); }

// Where the selector opens: the stored folder, or the nearest folder above it that still exists.
QString StartingPath() {
    const QString stored = Settings().FileSelPath;
    if (stored == kDrivesView)
        return kDrivesView;
    QString folder = FolderPath(stored.isEmpty() ? QDir::currentPath() : stored);
    while (!QFileInfo(folder).isDir() && folder != "/")
        folder = ParentFolder(folder);
    return folder;
}

} // namespace

// A one-line label that shortens its text to its width rather than widening the window.
class TElidedLabel : public QLabel {
public:
    explicit TElidedLabel(Qt::TextElideMode mode) : mode_(mode) {
        setTextFormat(Qt::PlainText);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    void SetFullText(const QString& text) {
        full_ = text;
        Elide();
    }
    const QString& FullText() const { return full_; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    void Elide() { setText(fontMetrics().elidedText(full_, mode_, std::max(contentsRect().width(), 0))); }

    Qt::TextElideMode mode_;
    QString full_;
};

// ---------------------------------------------------------------------------------------------

TSongListView::TSongListView(QWidget* parent) : QAbstractScrollArea(parent) {
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    QFont rowFont = font();
    rowFont.setPixelSize(17);
    rowFont.setWeight(QFont::DemiBold);
    setFont(rowFont);
}

int TSongListView::Count() const { return entries_ ? static_cast<int>(entries_->size()) : 0; }
int TSongListView::RowsPerPage() const {
    return std::max(1, (viewport()->height() - 2 * kMargin) / kRowHeight);
}
int TSongListView::PageSize() const { return RowsPerPage() * columns_; }

int TSongListView::RowsOnPage(int page) const {
    const int onPage = std::min(PageSize(), Count() - page * PageSize());
    return std::min(RowsPerPage(), (onPage + columns_ - 1) / columns_);
}

// Rows count from the top of the first page; a page's rows follow those of the page before.
TSongListView::tCell TSongListView::CellOf(int index) const {
    const int page = index / PageSize(), within = index % PageSize();
    const int rows = std::max(RowsOnPage(page), 1);
    return {page * RowsPerPage() + within % rows, within / rows};
}

int TSongListView::IndexAt(int row, int column) const {
    if (row < 0 || column < 0 || column >= columns_)
        return -1;
    const int page = row / RowsPerPage(), rowOnPage = row % RowsPerPage();
    if (page * PageSize() >= Count())
        return -1;
    const int rows = RowsOnPage(page);
    const int index = page * PageSize() + column * rows + rowOnPage;
    return rowOnPage < rows && index < Count() ? index : -1;
}

// Two columns turn whole pages, so what is seen always reads down one column and then the next.
int TSongListView::FirstRow() const {
    return verticalScrollBar()->value() * (columns_ > 1 ? RowsPerPage() : 1);
}

void TSongListView::SetEntries(const tFileList* entries, int selected) {
    entries_ = entries;
    hovered_ = -1;
    selected_ = Count() == 0 ? -1 : std::clamp(selected, 0, Count() - 1);
    UpdateScrollBar();
    verticalScrollBar()->setValue(0);
    if (selected_ >= 0)
        ScrollTo(selected_);
    viewport()->update();
}

void TSongListView::SetColumnCount(int columns) {
    columns = std::max(columns, 1);
    if (columns == columns_)
        return;
    columns_ = columns;
    UpdateScrollBar();
    if (selected_ >= 0)
        ScrollTo(selected_);
    viewport()->update();
}

void TSongListView::Select(int index) {
    if (Count() == 0)
        return;
    index = std::clamp(index, 0, Count() - 1);
    if (index == selected_)
        return;
    selected_ = index;
    ScrollTo(index);
    viewport()->update();
    emit SelectionMoved(index);
}

QRect TSongListView::EntryRect(int index) const {
    const int width = viewport()->width() - 2 * kMargin;
    const int columnWidth = (width - (columns_ - 1) * kColumnGap) / columns_;
    const tCell cell = CellOf(index);
    return QRect(kMargin + cell.column * (columnWidth + kColumnGap),
                 kMargin + (cell.row - FirstRow()) * kRowHeight, columnWidth, kRowHeight);
}

int TSongListView::EntryAt(const QPoint& point) const {
    if (point.y() < kMargin)
        return -1;
    const int row = FirstRow() + (point.y() - kMargin) / kRowHeight;
    if (columns_ > 1 && row >= FirstRow() + RowsPerPage())
        return -1; // below the page
    for (int column = 0; column < columns_; ++column) {
        const int index = IndexAt(row, column);
        if (index >= 0 && EntryRect(index).contains(point))
            return index;
    }
    return -1;
}

void TSongListView::UpdateScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    if (columns_ > 1) {
        const int pages = (Count() + PageSize() - 1) / PageSize();
        bar->setRange(0, std::max(0, pages - 1));
        bar->setPageStep(1);
    } else {
        bar->setRange(0, std::max(0, Count() - RowsPerPage()));
        bar->setPageStep(RowsPerPage());
    }
    bar->setSingleStep(1);
}

void TSongListView::ScrollTo(int index) {
    const int row = CellOf(index).row;
    QScrollBar* bar = verticalScrollBar();
    if (columns_ > 1)
        bar->setValue(row / RowsPerPage());
    else if (row < bar->value())
        bar->setValue(row);
    else if (row >= bar->value() + RowsPerPage())
        bar->setValue(row - RowsPerPage() + 1);
}

void TSongListView::DrawEntry(QPainter& p, const TFile& entry, const QRect& rect, bool selected,
                              bool hovered) const {
    const QRectF bar = QRectF(rect).adjusted(0.5, kBarInset + 0.5, -0.5, -kBarInset - 0.5);
    DrawBar(p, bar, selected, hovered);
    const int iconTop = rect.top() + (rect.height() - kIconSize) / 2;
    const QRectF leftIcon(rect.left() + kIconPadding, iconTop, kIconSize, kIconSize);
    const QRectF rightIcon(rect.right() - kIconPadding - kIconSize, iconTop, kIconSize, kIconSize);
    DrawIcon(p, entry, leftIcon, selected);
    DrawIcon(p, entry, rightIcon, selected);

    const QColor text = selected ? kSelectedText : kRowText;
    const int inner = kIconPadding + kIconSize + 8;
    const QRect textArea = rect.adjusted(inner, 0, -inner, 0);
    QFont rowFont = font();
    if (entry.IsFolder) {
        rowFont.setItalic(entry.IsParent);
        p.setFont(rowFont);
        p.setPen(text);
        p.drawText(textArea, Qt::AlignCenter, Elided(p.fontMetrics(), entry.Title, textArea.width()));
        return;
    }
    // The title ends just before the centre and the artist starts just after it; a right-to-left
    // song mirrors both, so each text still reads towards the centre.
    const int centre = rect.center().x();
    const QRect before(textArea.left(), rect.top(), centre - kCentreGap - textArea.left(), rect.height());
    const QRect after(centre + kCentreGap, rect.top(), textArea.right() - centre - kCentreGap, rect.height());
    const bool rtl = entry.RightToLeft != 0;
    p.setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    QTextOption titleOption(Qt::AlignVCenter | (rtl ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignAbsolute);
    QTextOption artistOption(Qt::AlignVCenter | (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute);
    titleOption.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    artistOption.setTextDirection(titleOption.textDirection());
    const QRect titleRect = rtl ? after : before;
    const QRect artistRect = rtl ? before : after;
    p.setFont(rowFont);
    p.setPen(text);
    p.drawText(titleRect, Elided(p.fontMetrics(), entry.Title, titleRect.width()), titleOption);
    rowFont.setWeight(QFont::Normal);
    p.setFont(rowFont);
    p.setPen(selected ? kSelectedText : kArtistText);
    p.drawText(artistRect, Elided(p.fontMetrics(), entry.Artist, artistRect.width()), artistOption);
    p.setLayoutDirection(Qt::LeftToRight);
}

void TSongListView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // One column also shows the row cut by the bottom edge; two columns show their page only.
    const int lastRow = FirstRow() + RowsPerPage() - (columns_ > 1 ? 1 : 0);
    for (int row = FirstRow(); row <= lastRow; ++row)
        for (int column = 0; column < columns_; ++column) {
            const int index = IndexAt(row, column);
            if (index >= 0)
                DrawEntry(p, (*entries_)[index], EntryRect(index), index == selected_, index == hovered_);
        }
}

void TSongListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
    if (selected_ >= 0)
        ScrollTo(selected_);
}

void TSongListView::mouseMoveEvent(QMouseEvent* event) {
    const int index = EntryAt(event->position().toPoint());
    if (index != hovered_) {
        hovered_ = index;
        viewport()->update();
    }
    emit Hovered(index);
}

void TSongListView::mousePressEvent(QMouseEvent* event) {
    const int index = EntryAt(event->position().toPoint());
    if (index >= 0 && event->button() == Qt::LeftButton)
        Select(index);
}

void TSongListView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = EntryAt(event->position().toPoint());
    if (index >= 0 && event->button() == Qt::LeftButton) {
        Select(index);
        emit Activated(index);
    }
}

void TSongListView::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    if (hovered_ >= 0) {
        hovered_ = -1;
        viewport()->update();
    }
}

void TSongListView::keyPressEvent(QKeyEvent* event) {
    const int current = std::max(selected_, 0);
    // Left and right go to the entry beside, in the column before or after.
    const int beside = columns_ > 1 ? std::max(RowsOnPage(current / PageSize()), 1) : 1;
    switch (event->key()) {
    case Qt::Key_Up: Select(current - 1); break;
    case Qt::Key_Down: Select(selected_ < 0 ? 0 : current + 1); break;
    case Qt::Key_Left: Select(current - beside); break;
    case Qt::Key_Right: Select(selected_ < 0 ? 0 : current + beside); break;
    case Qt::Key_PageUp: Select(current - PageSize()); break;
    case Qt::Key_PageDown: Select(current + PageSize()); break;
    case Qt::Key_Home: Select(0); break;
    case Qt::Key_End: Select(Count() - 1); break;
    default: event->ignore(); return; // the window's commands
    }
}

void TSongListView::wheelEvent(QWheelEvent* event) {
    wheelTurn_ += event->angleDelta().y();
    const int notches = wheelTurn_ / 120;
    wheelTurn_ -= notches * 120;
    // A notch turns a page of two columns, or three rows of one.
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() - notches * (columns_ > 1 ? 1 : 3));
    const int index = EntryAt(event->position().toPoint());
    if (index != hovered_) {
        hovered_ = index;
        emit Hovered(index);
    }
    viewport()->update();
    event->accept();
}

// ---------------------------------------------------------------------------------------------

TFileSelector::TFileSelector(std::function<bool(QString& path)> findSong, QWidget* parent)
    : QDialog(parent), findSong_(std::move(findSong)), currentPath_(StartingPath()) {
    setWindowTitle(Translate("Lyrimo - File Selector"));
    setStyleSheet(SelectorStyleSheet());
    BuildWindow();
    UpdateSortButtons();
    UpdateHeading();
    SetStatus(DefaultStatus());
    RefreshMonitorRoles();
    resize(RoleWidth(monitor_role::Control), RoleHeight(monitor_role::Control));
    CentreOnRole(this, monitor_role::Control);
}

TFileSelector::~TFileSelector() { Settings().FileSelPath = currentPath_; }

QPushButton* TFileSelector::AddButton(const QString& digit, const QString& caption, const QString& hint) {
    auto* button = new QPushButton(digit + "  " + caption);
    button->setFocusPolicy(Qt::NoFocus); // keys always reach the list and the window's commands
    button->setAutoDefault(false);
    button->setProperty("hint", hint);
    // The window, not the captions, decides the width: the buttons go on two rows when narrow.
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    button->installEventFilter(this);
    return button;
}

void TFileSelector::BuildWindow() {
    heading_ = new TElidedLabel(Qt::ElideLeft); // the folder's own name matters most
    heading_->setObjectName("Heading");
    count_ = new QLabel;
    count_->setObjectName("Count");
    auto* top = new QHBoxLayout;
    top->addWidget(heading_, 1);
    top->addWidget(count_);

    list_ = new TSongListView;
    connect(list_, &TSongListView::Hovered, this, &TFileSelector::EntryHovered);
    connect(list_, &TSongListView::Activated, this, &TFileSelector::Activate);
    connect(list_, &TSongListView::SelectionMoved, this,
            [this](int index) { SetStatus(entries_[index].Info); });

    struct tCommand {
        const char* digit;
        const char* caption;
        const char* hint;
        void (TFileSelector::*run)();
    };
    const tCommand commands[] = {
        {"1", "Play Selection", "Sing the selected song, or open the selected folder (Enter)",
         &TFileSelector::PlaySelection},
        {"2", "Lyrimo Find File", "Find a song by its title, artist, album, lyrics or file name",
         &TFileSelector::FindSong},
        {"3", "Show Drives", "Show the drives and volumes of this computer", &TFileSelector::ShowDrives},
        {"4", "Show Desktop", "Show the songs on your desktop", &TFileSelector::ShowDesktop},
        {"5", "Show Documents", "Show the songs in your documents folder", &TFileSelector::ShowDocuments},
        {"6", "Exit", "Close without choosing a song (Escape)", &TFileSelector::reject},
        {"8", "Sort By Name", "List the songs by their title", &TFileSelector::SortByName},
        {"9", "Sort By Artist", "List the songs by their artist", &TFileSelector::SortByArtist},
    };
    buttons_ = new QGridLayout;
    buttons_->setSpacing(10);
    for (const tCommand& command : commands) {
        QPushButton* button = AddButton(command.digit, Translate(command.caption), Translate(command.hint));
        buttonList_.push_back(button);
        connect(button, &QPushButton::clicked, this, command.run);
        if (command.run == &TFileSelector::SortByName)
            sortByName_ = button;
        else if (command.run == &TFileSelector::SortByArtist)
            sortByArtist_ = button;
    }
    ArrangeButtons(static_cast<int>(buttonList_.size()));

    status_ = new TElidedLabel(Qt::ElideMiddle);
    status_->setObjectName("StatusLine");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons_);
    layout->addWidget(status_);
    list_->setFocus();
}

QString TFileSelector::StatusText() const { return status_->FullText(); }

void TFileSelector::SetStatus(const QString& text) {
    lastStatus_ = text;
    status_->SetFullText(text);
}

void TFileSelector::ShowHint(const QString& hint) { status_->SetFullText(hint); }

void TFileSelector::UpdateHeading() {
    if (currentPath_ == kDrivesView)
        heading_->SetFullText(Translate("Drives"));
    else
        heading_->SetFullText(currentPath_);
    int songs = 0, folders = 0;
    for (const TFile& entry : entries_)
        (entry.IsFolder ? folders : songs) += entry.IsParent ? 0 : 1;
    if (reading_)
        count_->setText(Translate("Reading the folder..."));
    else if (currentPath_ == kDrivesView)
        count_->clear();
    else
        count_->setText(QString::number(songs) + " " + Translate(songs == 1 ? "song" : "songs") + ",  " +
                        QString::number(folders) + " " + Translate(folders == 1 ? "folder" : "folders"));
}

void TFileSelector::UpdateSortButtons() {
    const bool byArtist = Settings().SortMethod;
    for (QPushButton* button : {sortByName_, sortByArtist_}) {
        const bool lit = (button == sortByArtist_) == byArtist;
        button->setProperty("lit", lit);
        button->style()->unpolish(button);
        button->style()->polish(button);
        QFont font = button->font();
        font.setBold(lit);
        button->setFont(font);
    }
}

void TFileSelector::ShowPath(const QString& path) {
    pendingPath_ = path;
    if (reading_)
        return; // the reading under way stops at its next entry and reads this path instead
    reading_ = true;
    while (pendingPath_ && !closing_)
        ReadPath(*std::exchange(pendingPath_, std::nullopt));
    reading_ = false;
    UpdateHeading();
}

void TFileSelector::ReadPath(const QString& path) {
    const QString previous = currentPath_;
    if (path == kDrivesView) {
        currentPath_ = kDrivesView;
        ListDrives(entries_, PersonalVolumes(MountedFileSystems(), QDir::homePath()));
    } else {
        currentPath_ = FolderPath(path);
        list_->SetEntries(nullptr, -1); // the list must not paint entries while they are being read
        UpdateHeading();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QElapsedTimer sincePump;
        sincePump.start();
        const bool complete = ReadFolder(currentPath_, entries_, [&] {
            if (sincePump.elapsed() >= answerEveryMs_) {
                count_->setText(Translate("Reading the folder...") + " " +
                                QString::number(entries_.size() - 1));
                QCoreApplication::processEvents();
                sincePump.restart();
            }
            return !pendingPath_ && !closing_;
        });
        QApplication::restoreOverrideCursor();
        if (!complete) {
            entries_.clear();
            return;
        }
        SortFileList(entries_, Settings().SortMethod);
    }
    // Coming back up, the folder just left stays selected.
    const auto left = std::find_if(entries_.begin(), entries_.end(), [&previous](const TFile& entry) {
        return !entry.IsParent && entry.Path == previous;
    });
    ShowEntries(left == entries_.end() ? 0 : static_cast<int>(left - entries_.begin()));
}

void TFileSelector::ShowEntries(int selected) {
    list_->SetEntries(&entries_, selected);
    UpdateHeading();
    if (isVisible() && list_->viewport()->underMouse())
        EntryHovered(list_->EntryAt(list_->viewport()->mapFromGlobal(QCursor::pos())));
}

void TFileSelector::EntryHovered(int index) {
    if (index >= 0 && index < static_cast<int>(entries_.size()))
        SetStatus(entries_[index].Info);
    else
        SetStatus(currentPath_ == kDrivesView ? Translate("Drives") : currentPath_);
}

void TFileSelector::Activate(int index) {
    if (reading_ || index < 0 || index >= static_cast<int>(entries_.size()))
        return;
    const TFile entry = entries_[index]; // showing a folder replaces the entries
    if (entry.IsFolder) {
        ShowPath(entry.Path);
        return;
    }
    chosenFile_ = entry.Path;
    accept();
}

void TFileSelector::PlaySelection() { Activate(list_->Selected()); }

void TFileSelector::FindSong() {
    if (reading_ || !findSong_)
        return;
    QString path = currentPath_ == kDrivesView ? QDir::homePath() : currentPath_;
    if (findSong_(path)) {
        chosenFile_ = path;
        accept();
    }
}

void TFileSelector::ShowStandardFolder(const QString& folder, const QString& missingNote) {
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        ShowPath(folder);
        return;
    }
    ShowPath(QDir::homePath());
    SetStatus(missingNote);
}

void TFileSelector::ShowDesktop() {
    ShowStandardFolder(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                       Translate("There is no desktop folder, so here is your home folder"));
}

void TFileSelector::ShowDocuments() {
    ShowStandardFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                       Translate("There is no documents folder, so here is your home folder"));
}

void TFileSelector::SortBy(bool byArtist) {
    Settings().SortMethod = byArtist;
    UpdateSortButtons();
    if (reading_)
        return; // the reading sorts what it read when it ends
    if (currentPath_ == kDrivesView) {
        ShowDrives();
        return;
    }
    const int selected = list_->Selected();
    const QString selectedPath = selected >= 0 ? entries_[selected].Path : QString();
    SortFileList(entries_, byArtist);
    const auto kept = std::find_if(entries_.begin(), entries_.end(), [&selectedPath](const TFile& entry) {
        return entry.Path == selectedPath;
    });
    ShowEntries(kept == entries_.end() ? 0 : static_cast<int>(kept - entries_.begin()));
}

bool TFileSelector::DigitCommand(int key) {
    switch (key) {
    case Qt::Key_1: PlaySelection(); return true;
    case Qt::Key_2: FindSong(); return true;
    case Qt::Key_3: ShowDrives(); return true;
    case Qt::Key_4: ShowDesktop(); return true;
    case Qt::Key_5: ShowDocuments(); return true;
    case Qt::Key_6: reject(); return true;
    case Qt::Key_8: SortByName(); return true;
    case Qt::Key_9: SortByArtist(); return true;
    default: return false;
    }
}

void TFileSelector::keyPressEvent(QKeyEvent* event) {
    if (DigitCommand(event->key()))
        return;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: PlaySelection(); return;
    case Qt::Key_Backspace:
        if (currentPath_ != kDrivesView)
            ShowPath(ParentFolder(currentPath_));
        return;
    case Qt::Key_Escape: reject(); return;
    default: QDialog::keyPressEvent(event);
    }
}

bool TFileSelector::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter)
        ShowHint(watched->property("hint").toString());
    else if (event->type() == QEvent::Leave)
        status_->SetFullText(lastStatus_.isEmpty() ? DefaultStatus() : lastStatus_);
    return QDialog::eventFilter(watched, event);
}

void TFileSelector::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        QCursor::setPos(mapToGlobal(rect().center()));
    }
    list_->SetColumnCount(width() >= TSongListView::kTwoColumnWidth ? 2 : 1);
    if (entries_.empty())
        QTimer::singleShot(kFirstReadDelayMs, this, [this] {
            if (entries_.empty() && !reading_)
                ShowCurrentPath();
        });
}

void TFileSelector::ArrangeButtons(int columns) {
    buttonColumns_ = columns;
    for (QPushButton* button : buttonList_)
        buttons_->removeWidget(button);
    for (int column = 0; column < buttons_->columnCount(); ++column)
        buttons_->setColumnStretch(column, 0);
    // Each column widens in proportion to its widest caption, so all of them fit when the row does.
    for (int i = 0; i < static_cast<int>(buttonList_.size()); ++i) {
        buttons_->addWidget(buttonList_[i], i / columns, i % columns);
        const int column = i % columns;
        buttons_->setColumnStretch(
            column, std::max(buttons_->columnStretch(column), buttonList_[i]->sizeHint().width()));
    }
}

void TFileSelector::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    int oneRow = 0;
    for (QPushButton* button : buttonList_)
        oneRow += button->sizeHint().width() + buttons_->spacing();
    const int count = static_cast<int>(buttonList_.size());
    const int margins = layout()->contentsMargins().left() + layout()->contentsMargins().right();
    const int columns = oneRow <= width() - margins ? count : (count + 1) / 2;
    if (columns != buttonColumns_)
        ArrangeButtons(columns);
    list_->SetColumnCount(width() >= TSongListView::kTwoColumnWidth ? 2 : 1);
}

void TFileSelector::done(int result) {
    closing_ = true; // a reading under way stops
    pendingPath_.reset();
    QDialog::done(result);
}

QString ChooseSongWithSelector(std::function<bool(QString&)> findSong) {
    TFileSelector selector(std::move(findSong), QApplication::activeWindow());
    return selector.exec() == QDialog::Accepted ? selector.ChosenFile() : QString();
}

} // namespace lyrimo
