// The media requester: before a song is played the user checks its details and its media (a file,
// the media embedded in the song, or an audio-CD track) and may correct the media reference.
// Corrections are written into the song at once; they reach the song file only if the caller
// saves it.
#pragma once

#include "ui/template_windows.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace lyrimo {

class tLyrimoData;

class TGetMedia : public QDialog {
    Q_OBJECT

public:
    // editable false shows the media fields read-only.
    TGetMedia(tLyrimoData& song, bool editable, QWidget* parent = nullptr);

    // Runs the requester modally; true when the user pressed Play.
    bool Run();

    bool StepMode = false; // play the song line by line
    QString Notes;         // the notes line

    // Asks which template to apply (the prompt is given); the template window unless replaced.
    std::function<tTemplateChoice(const QString& prompt)> TemplateChooser;
    // Asks for a template and stamps it on the song. The notes line names the last template
    // applied; the default template changes nothing and so is not named.
    void ApplyTemplateClicked();

    // The re-validation delay after a change of the track, drive or file field.
    static constexpr int kRevalidateMs = 500;

    // What the window shows, for tests.
    QString Warnings() const;
    bool PlayAllowed() const;
    QString PlayerLine() const;
    QString EnginesLine() const; // the players whose engines are on this machine
    int PageIndex() const;       // 0 CD, 1 file, 2 embedded
    int ValidationCount() const { return validations_; }
    QLineEdit* TrackField() const { return track_; }
    QLineEdit* FileField() const { return file_; }
    QComboBox* DriveList() const { return drives_; }
    QPushButton* StepButton() const { return step_; }
    QPushButton* PlayButton() const { return play_; }
    QPushButton* TemplateButton() const { return template_; }
    QLabel* EmbeddedLabel() const { return embedded_; }
    QLabel* NotesLabel() const { return notes_; }

    // Checks the media and enables Play when it is there.
    void Validate();
    // A file chosen with Browse: it becomes the song's media (with video when it is a video file)
    // and the file page shows it.
    void ChooseMediaFile(const QString& fileName);
    QPushButton* CdBrowseButton() const { return cdBrowse_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildWindow();
    void FillFields();
    void FieldChanged();
    void TrackEdited(const QString& text);
    void FileEdited(const QString& text);
    void PlayClicked();
    void ToggleStepMode();
    void Browse();
    void ShowNotes();
    void ShowStepLook();
    bool TypingInField() const;

    tLyrimoData& song_;
    bool editable_;
    QString appliedTemplate_;
    int validations_ = 0;
    QTimer revalidate_;

    QLabel* album_ = nullptr;
    QLabel* artist_ = nullptr;
    QLabel* songName_ = nullptr;
    QLabel* year_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QComboBox* drives_ = nullptr;
    QLineEdit* track_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* cdBrowse_ = nullptr; // choosing a media file instead of the CD
    QLabel* embedded_ = nullptr;
    QLabel* warnings_ = nullptr;
    QLabel* player_ = nullptr;
    QLabel* engines_ = nullptr;
    QLabel* notes_ = nullptr;
    QPushButton* play_ = nullptr;
    QLabel* cross_ = nullptr; // the red cross over Play while it is refused
    QPushButton* cancel_ = nullptr;
    QPushButton* step_ = nullptr;
    QPushButton* template_ = nullptr;
};

} // namespace lyrimo
