// The two windows of import templates: choosing one to apply, and saving a song's presentation
// as one under a name.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSettings;

namespace lyrimo {

class tLyrimoData;

struct tTemplateChoice {
    QString name;
    bool cancelled = false;
};

class TChooseTemplateWnd : public QDialog {
    Q_OBJECT

public:
    // templates in the order shown; the default template is preselected when it is among them.
    TChooseTemplateWnd(const QStringList& templates, const QString& prompt, bool allowCancel,
                       QWidget* parent = nullptr);

    // The selected template, the default one when nothing is selected.
    tTemplateChoice Choice() const;

    QString HeadingText() const;
    QListWidget* List() const { return list_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; } // nullptr when cancelling is not allowed

    // Without Cancel, closing the window takes the selection as OK does.
    void reject() override;

private:
    bool allowCancel_;
    bool cancelled_ = false;
    QLabel* heading_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// Asks for one of the stored templates (the default one first), modally.
tTemplateChoice ChooseTemplate(const QString& prompt, bool allowCancel, QWidget* parent = nullptr);

class TSaveTemplateWnd : public QDialog {
    Q_OBJECT

public:
    TSaveTemplateWnd(const tLyrimoData& song, QSettings& store, QWidget* parent = nullptr);

    QLineEdit* NameField() const { return name_; }
    QListWidget* List() const { return list_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* DeleteButton() const { return delete_; }
    QString HeadingText() const;
    // The name the song was saved under; empty until it was.
    QString SavedName() const { return saved_; }

    // Saves under the typed name and closes, unless the name is refused or the user keeps an
    // existing template.
    void OkClicked();
    // Deletes the selected template after asking.
    void DeleteClicked();

private:
    void FillList();

    const tLyrimoData& song_;
    QSettings& store_;
    QString saved_;
    QLabel* heading_ = nullptr;
    QLineEdit* name_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* delete_ = nullptr;
};

// Asks for a name and stores the song's presentation under it in the user's settings store.
// True when it was saved.
bool SaveSongAsTemplate(const tLyrimoData& song, QWidget* parent = nullptr);

} // namespace lyrimo
