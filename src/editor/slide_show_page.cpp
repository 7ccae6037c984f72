#include "editor/slide_show_page.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/song_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lyrimo {

namespace {

enum tSlideShowMode { kNoSlideShow = 0, kSlideShowEnabled = 1, kFullScreenSlideShow = 2 };

QTreeWidget* MakeList(const QStringList& columns) {
    auto* list = new QTreeWidget;
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList translated;
    for (const QString& column : columns)
        translated << Translate(column);
    list->setHeaderLabels(translated);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(true);
    list->header()->setSectionResizeMode(QHeaderView::Stretch);
    return list;
}

QPushButton* AddButton(QHBoxLayout* row, const QString& text, QObject* receiver,
                       const std::function<void()>& action) {
    auto* button = new QPushButton(Translate(text));
    QObject::connect(button, &QPushButton::clicked, receiver, action);
    row->addWidget(button);
    return button;
}

// The index a row was made from; -1 without a current row.
int CurrentTag(const QTreeWidget* list) {
    const QTreeWidgetItem* item = list->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

void AddRow(QTreeWidget* list, const QStringList& texts, int tag, int select) {
    auto* item = new QTreeWidgetItem(list, texts);
    item->setData(0, Qt::UserRole, tag);
    if (tag == select)
        list->setCurrentItem(item);
}

void ShowSort(QTreeWidget* list, const tListSort& sort) {
    list->header()->setSortIndicator(sort.column, sort.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

} // namespace

TSlideShowPage::TSlideShowPage(TSongEdit& editor) : TEditorPage(editor, "Slide Show", "songedit5.html") {
    mode_ = new QComboBox;
    mode_->addItems({Translate("No Slide Show"), Translate("Slide Show Enabled"),
                     Translate("Full Screen Slide Show Enabled")});
    connect(mode_, &QComboBox::activated, this, &TSlideShowPage::ModeChosen);
    embed_ = new QCheckBox(Translate("Embed Pictures in Lyrimo file"));
    connect(embed_, &QCheckBox::clicked, this, &TSlideShowPage::EmbedClicked);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel(Translate("Slide Show Mode:")));
    modeRow->addWidget(mode_);
    modeRow->addSpacing(16);
    modeRow->addWidget(embed_);
    modeRow->addStretch(1);

    pictures_ = MakeList({"Filename", "Picture Name", "Status"});
    connect(pictures_->header(), &QHeaderView::sectionClicked, this, &TSlideShowPage::SortPictures);
    connect(pictures_, &QTreeWidget::itemDoubleClicked, this, &TSlideShowPage::EditPicture);
    auto* pictureButtons = new QHBoxLayout;
    AddButton(pictureButtons, "&Add Picture...", this, [this] { AddPicture(); });
    AddButton(pictureButtons, "&Edit Picture...", this, [this] { EditPicture(); });
    AddButton(pictureButtons, "&Delete Picture...", this, [this] { DeletePicture(); });
    pictureButtons->addStretch(1);
    auto* picturesTab = new QWidget;
    auto* picturesLayout = new QVBoxLayout(picturesTab);
    picturesLayout->addWidget(pictures_, 1);
    picturesLayout->addLayout(pictureButtons);

    slides_ = MakeList({"Picture Displayed", "Display Start", "Display End", "Transition"});
    connect(slides_->header(), &QHeaderView::sectionClicked, this, &TSlideShowPage::SortSlides);
    connect(slides_, &QTreeWidget::itemDoubleClicked, this, &TSlideShowPage::EditSlide);
    auto* slideButtons = new QHBoxLayout;
    AddButton(slideButtons, "Add &Slide...", this, [this] { AddSlide(); });
    AddButton(slideButtons, "Edit S&lide...", this, [this] { EditSlide(); });
    AddButton(slideButtons, "Delete Sl&ide...", this, [this] { DeleteSlide(); });
    slideButtons->addStretch(1);
    auto* slidesTab = new QWidget;
    auto* slidesLayout = new QVBoxLayout(slidesTab);
    slidesLayout->addWidget(slides_, 1);
    slidesLayout->addLayout(slideButtons);

    tabs_ = new QTabWidget;
    tabs_->addTab(picturesTab, Translate("Individual Slide Pictures"));
    tabs_->addTab(slidesTab, Translate("Slide Show"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { RefreshLists(); });

    auto* settings = new QWidget;
    auto* settingsLayout = new QVBoxLayout(settings);
    settingsLayout->setContentsMargins(0, 0, 0, 0);
    settingsLayout->addLayout(modeRow);
    settingsLayout->addWidget(tabs_, 1);

    auto* videoNote = new QLabel(Translate("Slide show not available because video is enabled!"));
    videoNote->setAlignment(Qt::AlignCenter);
    videoNote->setStyleSheet("font-size: 15px; font-weight: bold;");
    cover_ = new QStackedWidget;
    cover_->addWidget(settings);
    cover_->addWidget(videoNote);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cover_);
}

bool TSlideShowPage::VideoCovers() const { return cover_->currentIndex() == 1; }

void TSlideShowPage::Fill() {
    const tSongSettings& settings = Song().SongSettings;
    filling_ = true;
    cover_->setCurrentIndex(settings.UseMediaFile() && settings.HasVideo() ? 1 : 0);
    mode_->setCurrentIndex(settings.FullScreenSlideShow() ? kFullScreenSlideShow
                           : settings.SlideShowEnabled()  ? kSlideShowEnabled
                                                          : kNoSlideShow);
    embed_->setChecked(settings.EmbedPictures() != 0);
    ShowEnabled();
    RefreshLists();
    filling_ = false;
}

void TSlideShowPage::ModeChosen(int mode) {
    if (filling_)
        return;
    editor_.BeginEdit(Translate("Slide Show Mode"));
    Song().SongSettings.setFullScreenSlideShow(mode == kFullScreenSlideShow);
    Song().SongSettings.setSlideShowEnabled(mode == kSlideShowEnabled);
    editor_.Edited();
    ShowEnabled();
}

void TSlideShowPage::EmbedClicked() {
    if (filling_)
        return;
    editor_.BeginEdit(Translate("Embed Pictures"));
    Song().SongSettings.setEmbedPictures(embed_->isChecked());
    editor_.Edited();
    RefreshLists();
}

void TSlideShowPage::ShowEnabled() {
    const bool on = Song().SongSettings.SlideShowEnabled() || Song().SongSettings.FullScreenSlideShow();
    tabs_->setEnabled(on);
    embed_->setEnabled(on);
}

void TSlideShowPage::RefreshLists() {
    FillPictureList(CurrentTag(pictures_));
    FillSlideList(CurrentTag(slides_));
}

void TSlideShowPage::FillPictureList(int select) {
    const bool embedding = embed_->isChecked();
    pictures_->clear();
    for (int index : SortedPictures(Song(), embedding, pictureSort_))
        AddRow(pictures_, PictureRowTexts(Song().Pictures.GetPictureRecord(index), embedding), index, select);
    ShowSort(pictures_, pictureSort_);
}

void TSlideShowPage::FillSlideList(int select) {
    slides_->clear();
    for (int index : SortedSlides(Song(), slideSort_))
        AddRow(slides_, SlideRowTexts(Song(), Song().Slides.GetSlide(index)), index, select);
    ShowSort(slides_, slideSort_);
}

void TSlideShowPage::SortPictures(int column) {
    pictureSort_.Click(column);
    FillPictureList(CurrentTag(pictures_));
}

void TSlideShowPage::SortSlides(int column) {
    slideSort_.Click(column);
    FillSlideList(CurrentTag(slides_));
}

void TSlideShowPage::AddPicture() {
    tPictureType picture;
    if (!editor_.Dialogs().editPicture ||
        !editor_.Dialogs().editPicture(Song(), picture, Song().SongSettings.FullScreenSlideShow()))
        return;
    editor_.BeginEdit(Translate("Add Picture"));
    const int index = Song().Pictures.AddPicture(picture.Record);
    *Song().Pictures.GetPicture(index) = picture.Bytes;
    editor_.Edited();
    FillPictureList(index);
}

void TSlideShowPage::EditPicture() {
    const int index = CurrentTag(pictures_);
    if (index < 0 || index >= Song().Pictures.Count() || !editor_.Dialogs().editPicture)
        return;
    tPictureType picture{Song().Pictures.GetPictureRecord(index), *Song().Pictures.GetPicture(index)};
    if (!editor_.Dialogs().editPicture(Song(), picture, Song().SongSettings.FullScreenSlideShow()) ||
        (picture.Record == Song().Pictures.GetPictureRecord(index) &&
         picture.Bytes == *Song().Pictures.GetPicture(index)))
        return;
    editor_.BeginEdit(Translate("Edit Picture"));
    Song().Pictures.SetPictureRecord(index, picture.Record);
    *Song().Pictures.GetPicture(index) = picture.Bytes;
    editor_.Edited();
    RefreshLists();
}

void TSlideShowPage::DeletePicture() {
    const int index = CurrentTag(pictures_);
    if (index < 0 || index >= Song().Pictures.Count())
        return;
    const QString name = QString::fromLatin1(Song().Pictures.GetPictureRecord(index).Name());
    if (App().MessageBox(DeletePictureQuestion(name, SlidesShowingPicture(Song(), index)),
                         Translate("Delete Picture"), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;
    editor_.BeginEdit(Translate("Delete Picture"));
    DeletePictureWithSlides(Song(), index);
    editor_.Edited();
    RefreshLists();
}

void TSlideShowPage::AddSlide() {
    if (Song().Pictures.Count() == 0) {
        App().MessageBox(Translate("You cannot create any slides until you have added some pictures"),
                         Translate("Error"), mb::Ok | mb::IconInformation);
        return;
    }
    tSlideRecord slide;
    if (!editor_.Dialogs().editSlide || !editor_.Dialogs().editSlide(Song(), slide))
        return;
    editor_.BeginEdit(Translate("Add Slide"));
    const int index = Song().Slides.AddSlide(slide);
    editor_.Edited();
    FillSlideList(index);
}

void TSlideShowPage::EditSlide() {
    const int index = CurrentTag(slides_);
    if (index < 0 || index >= Song().Slides.Count() || !editor_.Dialogs().editSlide)
        return;
    tSlideRecord slide = Song().Slides.GetSlide(index);
    if (!editor_.Dialogs().editSlide(Song(), slide) || slide == Song().Slides.GetSlide(index))
        return;
    editor_.BeginEdit(Translate("Edit Slide"));
    Song().Slides.SetSlide(index, slide);
    editor_.Edited();
    FillSlideList(index);
}

void TSlideShowPage::DeleteSlide() {
    const int index = CurrentTag(slides_);
    if (index < 0 || index >= Song().Slides.Count())
        return;
    if (App().MessageBox(Translate("Are you sure you want to delete this slide?"), Translate("Delete Slide"),
                         mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;
    editor_.BeginEdit(Translate("Delete Slide"));
    Song().Slides.DeleteSlide(index);
    editor_.Edited();
    FillSlideList(-1);
}

} // namespace lyrimo
