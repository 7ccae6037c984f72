// The pages of the song editor. Each fills its controls from the song (Fill) and writes every
// change into the song at once, through the editor's BeginEdit and Edited.
#pragma once

#include <QString>
#include <QTabBar>
#include <QWidget>

class QCheckBox;
class QFont;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;

namespace lyrimo {

class TSoundTimeline;

class TSongEdit;
class TLyricsExample;
class TTimeSpinEdit;
class tLyrimoData;
class tLyricsData;
class tFontRecord;

class TEditorPage : public QWidget {
    Q_OBJECT

public:
    TEditorPage(TSongEdit& editor, QString title, QString helpPage);

    const QString& Title() const { return title_; }
    const QString& HelpPage() const { return helpPage_; }
    // Sets every control from the song.
    virtual void Fill() {}

protected:
    tLyrimoData& Song();
    TSongEdit& editor_;

private:
    QString title_;
    QString helpPage_;
};

// One tab per song part, captioned with the part's name.
class TPartTabs : public QTabBar {
    Q_OBJECT

public:
    explicit TPartTabs(QWidget* parent = nullptr);
    // Rebuilds the tabs and selects the first (or the given) one without signalling twice.
    void Rebuild(const tLyrimoData& song, int select = 0);
};

// The font a stored font record names, for the font dialogs and samples; and the dialog's choice
// stored back (face name cut to the record's 31 characters).
QFont QtFontOf(const tFontRecord& record);
void StoreQtFont(const QFont& font, tFontRecord& record);

// A page whose controls edit one part at a time.
class TPartPage : public TEditorPage {
    Q_OBJECT

public:
    TPartPage(TSongEdit& editor, QString title, QString helpPage);

    void Fill() override;
    int PartIndex() const;
    tLyricsData* Part();
    TPartTabs* Tabs() const { return tabs_; }

protected:
    // Fills the controls from the selected part.
    virtual void FillPart() = 0;

    TPartTabs* tabs_;
};

// A page whose editor comes with a later version; says so.
class TLaterPage : public TEditorPage {
    Q_OBJECT

public:
    TLaterPage(TSongEdit& editor, QString title, QString helpPage);
};

class TInfoPage : public TEditorPage {
    Q_OBJECT

public:
    explicit TInfoPage(TSongEdit& editor);
    void Fill() override;

    QLineEdit* Field(int index) const { return fields_[index]; } // album, artist, song, year
    QCheckBox* UnicodeBox() const { return unicode_; }

private:
    void StoreFields();
    void FeaturesClicked();

    QLineEdit* fields_[4] = {};
    QCheckBox* rightToLeft_ = nullptr;
    QCheckBox* unicode_ = nullptr;
    QCheckBox* altDrawing_ = nullptr;
};

class TLyricsPage : public TPartPage {
    Q_OBJECT

public:
    explicit TLyricsPage(TSongEdit& editor);

    QPlainTextEdit* TextBlock() const { return text_; }
    QListWidget* LineList() const { return list_; }

    void AddPart();
    void RenamePart();
    void DeletePart();
    void CopyPart();
    void InsertLine(bool atEnd);
    void DeleteLine();
    void LoadText();
    void SaveText();

protected:
    void FillPart() override;

private:
    void TextChanged();
    void LineEdited(QListWidgetItem* item);
    void SeparatorEdited(const QString& text);
    void FillLineList(int select);

    QLabel* untimedNote_ = nullptr;
    QStackedWidget* modes_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* separator_ = nullptr;
    bool filling_ = false;
};

class TColoursPage : public TPartPage {
    Q_OBJECT

public:
    explicit TColoursPage(TSongEdit& editor);

    QListWidget* LineList() const { return list_; }
    QTabBar* ColourTabs() const { return colourTabs_; }
    QListWidget* Presets() const { return presets_; }
    // Sets the colour of the current tab on every selected line.
    void ApplyColour(int32_t colour);
    void ChooseCustomColour();

protected:
    void FillPart() override;

private:
    void LineClicked(QListWidgetItem* item);
    void ShowPreview(int32_t colour);

    QTabBar* colourTabs_ = nullptr;
    QListWidget* list_ = nullptr;
    QListWidget* presets_ = nullptr;
    QLabel* preview_ = nullptr;
    int32_t previewColour_ = 0;
};

class TTimingsPage : public TPartPage {
    Q_OBJECT

public:
    explicit TTimingsPage(TSongEdit& editor);

    QListWidget* LineList() const { return list_; }
    TTimeSpinEdit* StartField() const { return start_; }
    QWidget* NoTimingsPanel() const { return noTimings_; }
    TSoundTimeline* Sound() const { return sound_; }
    void RecordAll();
    void RemoveAll();
    void EditTimings();
    void PreviewSelectedLine();
    // Moves the timing selected on the sound strip by ms, one step to undo.
    void NudgeSelectedTiming(int ms);
    // Asks for an offset and moves the selected line, or the whole part, by it; one step to undo.
    void ShiftLine();
    void ShiftPart();

protected:
    void FillPart() override;

private:
    void LineSelected(int row);
    void StartChanged(int64_t ms);
    void ShowLineOnSound(int row);
    void TimingDropped(int index, int partMs);
    void Shift(int first, int last, const QString& what);

    TSoundTimeline* sound_ = nullptr;
    QStackedWidget* panels_ = nullptr;
    QWidget* noTimings_ = nullptr;
    QListWidget* list_ = nullptr;
    TTimeSpinEdit* start_ = nullptr;
    bool filling_ = false;
};

class TEffectsPage : public TPartPage {
    Q_OBJECT

public:
    explicit TEffectsPage(TSongEdit& editor);

    QComboBox* Ball() const { return ball_; }
    QComboBox* TextMode() const { return textMode_; }
    QComboBox* Position() const { return position_; }
    QComboBox* Formatting() const { return format_; }
    QSpinBox* Spacing() const { return spacing_; }
    QLabel* SpacingLabel() const { return spacingLabel_; }
    QCheckBox* Underline() const { return underline_; }
    TLyricsExample* Example() const { return example_; }

protected:
    void FillPart() override;

private:
    void ChooseFont();
    void Changed(const QString& what);
    void ShowSpacingState();

    QLabel* fontSample_ = nullptr;
    QComboBox* ball_ = nullptr;
    QPushButton* customize_ = nullptr;
    QComboBox* textMode_ = nullptr;
    QComboBox* position_ = nullptr;
    QCheckBox* underline_ = nullptr;
    QComboBox* format_ = nullptr;
    QLabel* spacingLabel_ = nullptr;
    QSpinBox* spacing_ = nullptr;
    TLyricsExample* example_ = nullptr;
    bool filling_ = false;
};

class TPreviewModePage : public TEditorPage {
    Q_OBJECT

public:
    explicit TPreviewModePage(TSongEdit& editor);
    void Fill() override;

    QRadioButton* Choice(int mode) const { return choices_[mode]; }

private:
    void Store();
    void ShowEnabled();

    QRadioButton* choices_[4] = {};
    QComboBox* horizontal_ = nullptr;
    QComboBox* vertical_ = nullptr;
    QCheckBox* halfSize_ = nullptr;
    QCheckBox* blend_ = nullptr;
    QCheckBox* firstLineTop_ = nullptr;
    QCheckBox* fadeIn_ = nullptr;
    bool filling_ = false;
};

} // namespace lyrimo
