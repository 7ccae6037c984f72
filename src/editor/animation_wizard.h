// The animation wizard: turns a picture strip, a set of single pictures or an animated GIF into a
// custom ball or instrumental animation of a song part. Nothing is written until it is finished.
#pragma once

#include "picture/bitmap.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;

namespace lyrimo {

class tPartRecord;
struct tPictureSlot;

// The questions the wizard asks through standard dialogs; replaceable so that tests need no modal
// loop. Each returns nothing when the user cancels.
struct tWizardDialogs {
    std::function<std::optional<QString>(const QString& title, const QString& current)> choosePicture;
    std::function<std::optional<QString>(const QString& title, const QString& current)> chooseAnimation;
    std::function<std::optional<QStringList>(const QString& title)> chooseSeveralPictures;
    // filter in the "Name|patterns|..." form; defaultSuffix without its point.
    std::function<std::optional<QString>(const QString& title, const QString& filter,
                                         const QString& defaultSuffix, const QString& initial)>
        saveFile;
    std::function<std::optional<tColour>(tColour start)> chooseColour;
    // The colour picker on a file, or on bytes when not empty; failure says why nothing was shown.
    std::function<std::optional<tColour>(const QString& fileName, const QByteArray& bytes, tColour start,
                                         QString& failure)>
        pickColour;
    std::function<bool(const QString& fileName, const QByteArray& bytes, QString& reason)> preview;
};

tWizardDialogs StandardWizardDialogs(QWidget* parent);

// Runs the wizard on a picture slot, with a part's ball flags or nullptr; true when finished.
bool RunAnimationWizard(tPictureSlot& slot, tPartRecord* ballFlags, QWidget* parent = nullptr);

class TAnimWizard : public QDialog {
    Q_OBJECT

public:
    enum tFormat { kStrip = 0, kCollection = 1, kAnimatedFile = 2 };
    enum tPage { kFormatPage = 0, kFilesPage, kOptionsPage, kAssemblyPage, kReadyPage, kPageCount };

    TAnimWizard(tPictureSlot& slot, tPartRecord* ballFlags, tWizardDialogs dialogs,
                QWidget* parent = nullptr);

    bool Changed() const { return changed_; }
    int Page() const;
    int Format() const;
    void SetFormat(int format);
    QLineEdit* FileField() const { return file_; }
    QLineEdit* SaveToField() const { return saveTo_; }
    QSpinBox* Frames() const { return frames_; }
    QCheckBox* Embed() const { return embed_; }
    QCheckBox* Bouncing() const { return bouncing_; }
    QCheckBox* Playing() const { return playing_; }
    QComboBox* Direction() const { return direction_; }
    QListWidget* Images() const { return images_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* PreviousButton() const { return previous_; }
    QPushButton* CancelButton() const { return cancel_; }
    tColour Transparency() const { return transparency_; }
    QString StepText() const;

    void Next();
    void Previous();
    void BrowseFile();
    void AddFiles();
    void MoveSelected(int by);
    void DeleteSelected();
    void PreviewFile();
    void SaveFileAs();
    void BrowseSaveTo();
    void SelectColour();
    void PickColour();
    // Builds the strip from the listed images (run shortly after the assembly page shows).
    void Assemble();

private:
    QWidget* BuildFormatPage();
    QWidget* BuildFilesPage();
    QWidget* BuildOptionsPage();
    QWidget* BuildAssemblyPage();
    QWidget* BuildReadyPage();
    void ShowPage(int page);
    void UpdateNext();
    void FileChanged();
    void ReadAnimatedFile();
    void SetTransparency(tColour colour);
    void Finish();
    QByteArray FieldBytes() const;

    tPictureSlot& slot_;
    tPartRecord* ballFlags_;
    tWizardDialogs dialogs_;
    QString workingFile_;
    bool changed_ = false;
    tColour transparency_ = 0;

    QLabel* step_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QButtonGroup* formats_ = nullptr;
    QRadioButton* animatedChoice_ = nullptr;
    QStackedWidget* filePanels_ = nullptr;
    QLabel* fileHeading_ = nullptr;
    QListWidget* images_ = nullptr;
    QLineEdit* file_ = nullptr;
    QLabel* framesLabel_ = nullptr;
    QSpinBox* frames_ = nullptr;
    QWidget* saveToRow_ = nullptr;
    QLineEdit* saveTo_ = nullptr;
    QCheckBox* embed_ = nullptr;
    QLabel* swatch_ = nullptr;
    QCheckBox* playing_ = nullptr;
    QCheckBox* bouncing_ = nullptr;
    QComboBox* direction_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace lyrimo
