// The slide show page's editors: a picture (its name, its file, stretched or tiled) and a slide
// (which picture shows when, until when, and with which transition), with a preview that plays
// the song's media around the slide's show time.
#pragma once

#include "document/song.h"

#include <QDialog>
#include <QTimer>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lyrimo {

class TTimeSpinEdit;
class TVideoPanel;
class tMyMediaPlayer;

class TPictureEditor : public QDialog {
    Q_OBJECT

public:
    TPictureEditor(const tLyrimoData& song, tPictureType& picture, bool fullScreen,
                   QWidget* parent = nullptr);

    QLineEdit* NameField() const { return name_; }
    QLineEdit* FileField() const { return file_; }
    QComboBox* TileChoice() const { return tile_; }
    // Stores the fields into the picture and closes with OK; stays open when the file cannot be
    // loaded.
    void Store();

private:
    void Browse();
    void Preview();
    void SaveAs();

    tPictureType& picture_;
    QLineEdit* name_ = nullptr;
    QLineEdit* file_ = nullptr;
    QComboBox* tile_ = nullptr;
};

class TSlideEditor : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDisplayInterval = 50;

    // Plays the preview through the player manager given (the standard one when null).
    TSlideEditor(const tLyrimoData& song, tSlideRecord& slide,
                 std::unique_ptr<tMyMediaPlayer> player = nullptr, QWidget* parent = nullptr);
    ~TSlideEditor() override;

    QComboBox* PictureChoice() const { return picture_; }
    TTimeSpinEdit* ShowField() const { return show_; }
    TTimeSpinEdit* HideField() const { return hide_; }
    QComboBox* DisplayMode() const { return mode_; }
    QComboBox* TransitionChoice() const { return transition_; }
    QLineEdit* DurationField() const { return duration_; }
    QWidget* TransitionRow() const { return transitionRow_; }
    QPushButton* PreviewButton() const { return preview_; }
    QLabel* PositionText() const { return position_; }
    QLabel* DisplayingText() const { return displaying_; }
    bool Changed() const { return changed_; }

    void Store();
    void TogglePreview();
    // Shows the play position and whether the slide is on screen at it; the timer's tick ends
    // the preview once the media stopped.
    void ShowPlayPosition();
    void PreviewTick();

protected:
    void done(int result) override;

private:
    QWidget* TimeRow(TTimeSpinEdit*& field, QPushButton*& select, const QString& pickTitle);
    void ShowModeState();
    void CoupleLimits(TTimeSpinEdit* other, int64_t minimum, int64_t maximum);
    void StopPreview();
    void MarkChanged() { changed_ = true; }

    const tLyrimoData& song_;
    tSlideRecord& slide_;
    std::unique_ptr<tMyMediaPlayer> player_;
    QComboBox* picture_ = nullptr;
    TTimeSpinEdit* show_ = nullptr;
    TTimeSpinEdit* hide_ = nullptr;
    QWidget* hideRow_ = nullptr;
    QLabel* hideLabel_ = nullptr;
    QComboBox* mode_ = nullptr;
    QWidget* transitionRow_ = nullptr;
    QComboBox* transition_ = nullptr;
    QLineEdit* duration_ = nullptr;
    QPushButton* preview_ = nullptr;
    TVideoPanel* video_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* displaying_ = nullptr;
    QTimer timer_;
    bool playing_ = false;
    bool changed_ = false;
    bool coupling_ = false;
};

// Each true when OK was pressed.
bool EditSlideShowPicture(const tLyrimoData& song, tPictureType& picture, bool fullScreen, QWidget* parent);
bool EditSlideShowSlide(const tLyrimoData& song, tSlideRecord& slide, QWidget* parent);

} // namespace lyrimo
