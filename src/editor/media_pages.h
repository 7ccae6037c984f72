// The Song Media, Background and Advanced Settings pages of the song editor.
#pragma once

#include "editor/editor_pages.h"

class QSlider;

namespace lyrimo {

class TMediaPage : public TEditorPage {
    Q_OBJECT

public:
    explicit TMediaPage(TSongEdit& editor);
    void Fill() override;

    QRadioButton* Type(int type) const { return types_[type]; }
    QLineEdit* FileField() const { return fileName_; }
    QCheckBox* EmbedBox() const { return embed_; }
    QPushButton* BrowseButton() const { return browse_; }
    QPushButton* SaveAsButton() const { return saveAs_; }
    QCheckBox* FullScreenBox() const { return fullScreen_; }
    void Browse();
    void SaveEmbeddedAs();
    void Preview();

private:
    void TypeChosen(int type);
    void Store();
    void Write(); // the controls into the song
    void ShowEnabled();

    QRadioButton* types_[3] = {};
    QCheckBox* fullScreen_ = nullptr;
    QWidget* filePanel_ = nullptr;
    QWidget* trackPanel_ = nullptr;
    QLineEdit* fileName_ = nullptr;
    QCheckBox* embed_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    QSpinBox* track_ = nullptr;
    QCheckBox* tweak_ = nullptr;
    QCheckBox* adjust_ = nullptr;
    int shownType_ = 0;
    bool embeddedLoaded_ = false; // the field shows the extracted copy of the embedded media
    bool filling_ = false;
};

class TBackgroundPage : public TEditorPage {
    Q_OBJECT

public:
    explicit TBackgroundPage(TSongEdit& editor);
    void Fill() override;

    QLineEdit* FileField() const { return file_; }
    QCheckBox* EnableBox() const { return enabled_; }
    QCheckBox* EmbedBox() const { return embed_; }
    QCheckBox* TransparentBox() const { return transparent_; }
    QCheckBox* ShadowsBox() const { return shadows_; }
    QPushButton* SaveAsButton() const { return saveAs_; }
    void ChangeColour();
    void Browse();
    void Preview();
    void SavePictureAs();
    // Names the picture file, loading its bytes into the song.
    void SetFile(const QString& fileName);

private:
    void Store();
    void ShowEnabled();
    void ShowColour();
    void LoadPicture();

    QLabel* swatch_ = nullptr;
    QCheckBox* transparent_ = nullptr;
    QCheckBox* shadows_ = nullptr;
    QCheckBox* enabled_ = nullptr;
    QLineEdit* file_ = nullptr;
    QCheckBox* embed_ = nullptr;
    QRadioButton* stretch_ = nullptr;
    QRadioButton* tile_ = nullptr;
    QCheckBox* aspect_ = nullptr;
    QCheckBox* duringTitle_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* preview_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    bool embeddedLoaded_ = false; // the bytes came from the song file, not from the named file
    bool filling_ = false;
};

class TAdvancedPage : public TEditorPage {
    Q_OBJECT

public:
    explicit TAdvancedPage(TSongEdit& editor);
    void Fill() override;

    QTabBar* OffsetTabs() const { return offsetTabs_; }
    QSpinBox* Offset() const { return offset_; }
    QComboBox* PreferredPlayer() const { return player_; }
    QSlider* SplitSize() const { return split_; }
    QCheckBox* CutoutBox() const { return cutout_; }

private:
    void ShowOffset();
    void OffsetChanged(int value);
    void Store();
    void ShowEnabled();

    QTabBar* offsetTabs_ = nullptr;
    QSpinBox* offset_ = nullptr;
    QRadioButton* top_ = nullptr;
    QRadioButton* bottom_ = nullptr;
    QLabel* splitLabel_ = nullptr;
    QSlider* split_ = nullptr;
    QLabel* splitValue_ = nullptr;
    QLabel* positionLabel_ = nullptr;
    QCheckBox* cutout_ = nullptr;
    QComboBox* player_ = nullptr;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QSpinBox* shift_ = nullptr;
    QCheckBox* tweak_ = nullptr;
    QCheckBox* adjust_ = nullptr;
    bool filling_ = false;
};

} // namespace lyrimo
