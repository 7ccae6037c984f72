// The Slide Show page: the song's slide show mode, its pictures and its slides, each list
// sortable by any column.
#pragma once

#include "editor/editor_pages.h"
#include "editor/slide_rules.h"

class QCheckBox;
class QComboBox;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;

namespace lyrimo {

class TSlideShowPage : public TEditorPage {
    Q_OBJECT

public:
    explicit TSlideShowPage(TSongEdit& editor);
    void Fill() override;

    QComboBox* Mode() const { return mode_; }
    QCheckBox* Embed() const { return embed_; }
    QTabWidget* Tabs() const { return tabs_; }
    QTreeWidget* PictureList() const { return pictures_; }
    QTreeWidget* SlideList() const { return slides_; }
    bool VideoCovers() const;

    void AddPicture();
    void EditPicture();
    void DeletePicture();
    void AddSlide();
    void EditSlide();
    void DeleteSlide();

private:
    void ModeChosen(int mode);
    void EmbedClicked();
    void ShowEnabled();
    void RefreshLists();
    void FillPictureList(int select);
    void FillSlideList(int select);
    void SortPictures(int column);
    void SortSlides(int column);

    QStackedWidget* cover_ = nullptr;
    QComboBox* mode_ = nullptr;
    QCheckBox* embed_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* pictures_ = nullptr;
    QTreeWidget* slides_ = nullptr;
    tListSort pictureSort_{0, true};
    tListSort slideSort_{1, true};
    bool filling_ = false;
};

} // namespace lyrimo
