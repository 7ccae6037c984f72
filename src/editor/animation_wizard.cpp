#include "editor/animation_wizard.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "app/text_codec.h"
#include "document/song.h"
#include "editor/animation_rules.h"
#include "editor/colour_picker.h"
#include "picture/animated_gif.h"
#include "picture/bitmap_bmp.h"
#include "picture/picture_decode.h"
#include "ui/picture_dialogs.h"
#include "ui/picture_preview_window.h"
#include "ui/program_colours.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr int kAssemblyDelay = 100; // ms: lets the assembly page show before the work starts
constexpr int kMaxFileName = 255;

QLabel* Heading(const QString& text) {
    auto* label = new QLabel(text);
    label->setStyleSheet("font-weight: bold;");
    label->setWordWrap(true);
    return label;
}

QLabel* Text(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

std::optional<QString> SaveDialog(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& defaultSuffix, const QString& initial) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(QtNameFilters(filter));
    dialog.setDefaultSuffix(defaultSuffix);
    if (!initial.isEmpty())
        dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<tColour> ColourDialog(QWidget* parent, tColour start) {
    QColorDialog dialog(DialogColour(int32_t(start)), parent);
    CustomColoursToDialog(Settings().CustomColours);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    Settings().CustomColours = CustomColoursFromDialog();
    if (!chosen)
        return std::nullopt;
    return tColour(ProgramColour(dialog.selectedColor()));
}

void Warn(const QString& text, const QString& title) { App().MessageBox(text, title, mb::IconWarning); }

} // namespace

tWizardDialogs StandardWizardDialogs(QWidget* parent) {
    tWizardDialogs d;
    d.choosePicture = [parent](const QString& title, const QString& current) {
        return ChoosePictureFile(title, current, parent);
    };
    d.chooseAnimation = [parent](const QString& title, const QString& current) {
        return ChooseAnimationFile(title, current, parent);
    };
    d.chooseSeveralPictures = [parent](const QString& title) {
        return ChooseSeveralPictureFiles(title, parent);
    };
    d.saveFile = [parent](const QString& title, const QString& filter, const QString& suffix,
                          const QString& initial) {
        return SaveDialog(parent, title, filter, suffix, initial);
    };
    d.chooseColour = [parent](tColour start) { return ColourDialog(parent, start); };
    d.pickColour = [parent](const QString& fileName, const QByteArray& bytes, tColour start,
                            QString& failure) {
        return lyrimo::PickColour(fileName, bytes, start, failure, parent);
    };
    d.preview = [parent](const QString& fileName, const QByteArray& bytes, QString& reason) {
        return PreviewPicture(fileName, bytes, reason, parent);
    };
    return d;
}

bool RunAnimationWizard(tPictureSlot& slot, tPartRecord* ballFlags, QWidget* parent) {
    TAnimWizard wizard(slot, ballFlags, {}, parent);
    wizard.exec();
    return wizard.Changed();
}

TAnimWizard::TAnimWizard(tPictureSlot& slot, tPartRecord* ballFlags, tWizardDialogs dialogs, QWidget* parent)
    : QDialog(parent), slot_(slot), ballFlags_(ballFlags), dialogs_(std::move(dialogs)) {
    // What the caller leaves unset asks through the standard dialogs.
    const tWizardDialogs standard = StandardWizardDialogs(this);
    const auto fill = [](auto& hook, const auto& fallback) {
        if (!hook)
            hook = fallback;
    };
    fill(dialogs_.choosePicture, standard.choosePicture);
    fill(dialogs_.chooseAnimation, standard.chooseAnimation);
    fill(dialogs_.chooseSeveralPictures, standard.chooseSeveralPictures);
    fill(dialogs_.saveFile, standard.saveFile);
    fill(dialogs_.chooseColour, standard.chooseColour);
    fill(dialogs_.pickColour, standard.pickColour);
    fill(dialogs_.preview, standard.preview);
    setWindowTitle(Translate("Lyrimo Animation Wizard"));
    step_ = new QLabel;
    step_->setAlignment(Qt::AlignRight);
    pages_ = new QStackedWidget;
    pages_->addWidget(BuildFormatPage());
    pages_->addWidget(BuildFilesPage());
    pages_->addWidget(BuildOptionsPage());
    pages_->addWidget(BuildAssemblyPage());
    pages_->addWidget(BuildReadyPage());

    previous_ = new QPushButton(Translate("<< &Previous"));
    next_ = new QPushButton(Translate("&Next >>"));
    cancel_ = new QPushButton(Translate("&Cancel"));
    next_->setDefault(true);
    connect(previous_, &QPushButton::clicked, this, &TAnimWizard::Previous);
    connect(next_, &QPushButton::clicked, this, &TAnimWizard::Next);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* header = new QHBoxLayout;
    header->addWidget(
        Heading(Translate("The animation wizard makes it easy to setup an animation within Lyrimo")), 1);
    header->addWidget(step_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(previous_);
    buttons->addWidget(next_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(pages_, 1);
    layout->addLayout(buttons);
    resize(560, 400);

    const tAnimationPictureRecord& record = slot_.Record;
    const QString fileName = FromSystemCodePage(record.FileName());
    workingFile_ = fileName;
    SetFormat(IsAnimatedPictureName(fileName) ? kAnimatedFile : kStrip);
    {
        const QSignalBlocker block(file_);
        file_->setText(fileName);
    }
    file_->setEnabled(!(record.Embedded() && !slot_.Bytes.isEmpty()));
    frames_->setValue(std::clamp<int>(record.FrameCount(), 1, 255));
    embed_->setChecked(record.Embedded());
    SetTransparency(tColour(record.TransparentColour()));
    if (ballFlags_) {
        const tBallFlags flags = BallFlagsOf(*ballFlags_);
        bouncing_->setChecked(flags.bouncing);
        playing_->setChecked(flags.animating);
        direction_->setCurrentIndex(flags.forward ? 0 : 1);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{bouncing_, playing_, direction_})
        w->setVisible(ballFlags_ != nullptr);
    ShowPage(kFormatPage);
}

QWidget* TAnimWizard::BuildFormatPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(Translate("Step 1: Choose Picture Format")));
    layout->addWidget(
        Text(Translate("Please select the option that best describes the sort of file(s) you are "
                       "importing for use within Lyrimo")));
    formats_ = new QButtonGroup(page);
    const QString captions[] = {Translate("An animation strip (animated bitmap)"),
                                Translate("A collection of images to be converted to an animated bitmap"),
                                Translate("An animated picture file (eg: a GIF file)")};
    for (int i = 0; i < 3; ++i) {
        auto* choice = new QRadioButton(captions[i]);
        formats_->addButton(choice, i);
        layout->addWidget(choice);
    }
    animatedChoice_ = static_cast<QRadioButton*>(formats_->button(kAnimatedFile));
    layout->addStretch(1);
    layout->addWidget(Text(Translate(
        "Note: To continue with existing settings either select Cancel or just keep pressing Next")));
    connect(formats_, &QButtonGroup::idClicked, this, [this] { UpdateNext(); });
    return page;
}

QWidget* TAnimWizard::BuildFilesPage() {
    filePanels_ = new QStackedWidget;

    auto* single = new QWidget;
    fileHeading_ = Heading({});
    file_ = new QLineEdit;
    auto* browse = new QPushButton(Translate("&Browse..."));
    auto* preview = new QPushButton(Translate("&Preview..."));
    auto* saveAs = new QPushButton(Translate("Save As..."));
    frames_ = new QSpinBox;
    frames_->setRange(1, 255);
    framesLabel_ = new QLabel(Translate("Number of Frames:"));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(Translate("File:")));
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    auto* actions = new QHBoxLayout;
    actions->addWidget(preview);
    actions->addWidget(saveAs);
    actions->addStretch(1);
    actions->addWidget(framesLabel_);
    actions->addWidget(frames_);
    auto* singleLayout = new QVBoxLayout(single);
    singleLayout->addWidget(fileHeading_);
    singleLayout->addLayout(fileRow);
    singleLayout->addLayout(actions);
    singleLayout->addStretch(1);
    connect(browse, &QPushButton::clicked, this, &TAnimWizard::BrowseFile);
    connect(preview, &QPushButton::clicked, this, &TAnimWizard::PreviewFile);
    connect(saveAs, &QPushButton::clicked, this, &TAnimWizard::SaveFileAs);
    connect(file_, &QLineEdit::textChanged, this, &TAnimWizard::FileChanged);

    auto* collection = new QWidget;
    images_ = new QListWidget;
    images_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* listButtons = new QVBoxLayout;
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"Add Files...", [this] { AddFiles(); }},
        {"Move Up", [this] { MoveSelected(-1); }},
        {"Move Down", [this] { MoveSelected(1); }},
        {"Delete Selected", [this] { DeleteSelected(); }},
    };
    for (const auto& [caption, act] : commands) {
        auto* button = new QPushButton(Translate(caption));
        connect(button, &QPushButton::clicked, this, act);
        listButtons->addWidget(button);
    }
    listButtons->addStretch(1);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(images_, 1);
    listRow->addLayout(listButtons);
    auto* collectionLayout = new QVBoxLayout(collection);
    collectionLayout->addWidget(
        Heading(Translate("Step 2: Select the images to import into an animated bitmap")));
    collectionLayout->addWidget(
        Text(Translate("Please add the images to the list that you want to appear in this "
                       "animation.  Note they should all be the same size")));
    collectionLayout->addLayout(listRow, 1);

    filePanels_->addWidget(single);
    filePanels_->addWidget(collection);
    return filePanels_;
}

QWidget* TAnimWizard::BuildOptionsPage() {
    auto* page = new QWidget;
    saveTo_ = new QLineEdit;
    auto* browse = new QPushButton(Translate("Browse..."));
    connect(browse, &QPushButton::clicked, this, &TAnimWizard::BrowseSaveTo);
    connect(saveTo_, &QLineEdit::textChanged, this, &TAnimWizard::UpdateNext);
    saveToRow_ = new QWidget;
    auto* saveRow = new QHBoxLayout(saveToRow_);
    saveRow->setContentsMargins(0, 0, 0, 0);
    saveRow->addWidget(new QLabel(Translate("Save generated animated bitmap to:")));
    saveRow->addWidget(saveTo_, 1);
    saveRow->addWidget(browse);

    embed_ = new QCheckBox(Translate("Embed animation in Lyrimo file"));
    swatch_ = new QLabel;
    swatch_->setFixedSize(40, 20);
    auto* select = new QPushButton(Translate("Select..."));
    auto* pick = new QPushButton(Translate("Pick..."));
    connect(select, &QPushButton::clicked, this, &TAnimWizard::SelectColour);
    connect(pick, &QPushButton::clicked, this, &TAnimWizard::PickColour);
    auto* transparency = new QGroupBox(Translate(" Image Transparency "));
    auto* transparencyRow = new QHBoxLayout(transparency);
    transparencyRow->addWidget(swatch_);
    transparencyRow->addWidget(select);
    transparencyRow->addWidget(pick);
    transparencyRow->addStretch(1);

    playing_ = new QCheckBox(Translate("Play Animation"));
    bouncing_ = new QCheckBox(Translate("Enable Bouncing"));
    direction_ = new QComboBox;
    direction_->addItems({Translate("Forward"), Translate("Backward")});
    auto* ballRow = new QHBoxLayout;
    ballRow->addWidget(playing_);
    ballRow->addWidget(bouncing_);
    ballRow->addWidget(direction_);
    ballRow->addStretch(1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(Translate("Step 3: Animation options")));
    layout->addWidget(saveToRow_);
    layout->addWidget(embed_);
    layout->addWidget(transparency);
    layout->addLayout(ballRow);
    layout->addStretch(1);
    return page;
}

QWidget* TAnimWizard::BuildAssemblyPage() {
    auto* page = new QWidget;
    progress_ = new QProgressBar;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(Translate("Step 4: Your animation is being assembled")));
    layout->addWidget(Text(Translate("Please wait wile your animation is assembled...")));
    layout->addWidget(progress_);
    layout->addStretch(1);
    return page;
}

QWidget* TAnimWizard::BuildReadyPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(Translate("Step 5: Animation ready for use")));
    layout->addWidget(Text(Translate("The options you have specified have been taken into account and your "
                                     "animation is now ready and available.")));
    layout->addStretch(1);
    return page;
}

int TAnimWizard::Page() const { return pages_->currentIndex(); }
int TAnimWizard::Format() const { return formats_->checkedId(); }

void TAnimWizard::SetFormat(int format) {
    if (QAbstractButton* choice = formats_->button(format))
        choice->setChecked(true);
    UpdateNext();
}

QString TAnimWizard::StepText() const {
    return Translate("Step") + " " + QString::number(Page() + 1) + " " + Translate("of") + " " +
           QString::number(kPageCount);
}

void TAnimWizard::ShowPage(int page) {
    pages_->setCurrentIndex(page);
    step_->setText(StepText());
    const int format = Format();
    if (page == kFilesPage) {
        filePanels_->setCurrentIndex(format == kCollection ? 1 : 0);
        fileHeading_->setText(Translate("Step") + " 2: " +
                              (format == kAnimatedFile ? Translate("Select animated GIF file to use")
                                                       : Translate("Select animated bitmap file to use")));
        framesLabel_->setVisible(format == kStrip);
        frames_->setVisible(format == kStrip);
    }
    if (page == kOptionsPage)
        saveToRow_->setVisible(format == kCollection);
    const bool assembling = page == kAssemblyPage;
    previous_->setEnabled(page != kFormatPage && !assembling);
    cancel_->setEnabled(!assembling);
    next_->setText(page == kReadyPage ? Translate("&Close") : Translate("&Next >>"));
    if (assembling)
        QTimer::singleShot(kAssemblyDelay, this, &TAnimWizard::Assemble);
    UpdateNext();
}

void TAnimWizard::UpdateNext() {
    if (!next_)
        return;
    bool ready = true;
    switch (Page()) {
    case kFormatPage: ready = Format() >= 0; break;
    case kFilesPage:
        ready = Format() == kCollection ? images_->count() > 0
                                        : !file_->isEnabled() || QFileInfo(file_->text()).isFile();
        break;
    case kOptionsPage: ready = Format() != kCollection || !saveTo_->text().isEmpty(); break;
    case kAssemblyPage: ready = false; break;
    default: break;
    }
    next_->setEnabled(ready);
}

void TAnimWizard::Next() {
    if (!next_->isEnabled())
        return;
    switch (Page()) {
    case kFormatPage: ShowPage(kFilesPage); break;
    case kFilesPage:
        if (Format() != kCollection)
            workingFile_ = file_->text();
        ShowPage(kOptionsPage);
        break;
    case kOptionsPage: ShowPage(Format() == kCollection ? kAssemblyPage : kReadyPage); break;
    case kReadyPage: Finish(); break;
    default: break;
    }
}

void TAnimWizard::Previous() {
    if (!previous_->isEnabled())
        return;
    switch (Page()) {
    case kFilesPage: ShowPage(kFormatPage); break;
    case kOptionsPage: ShowPage(kFilesPage); break;
    case kReadyPage: ShowPage(kOptionsPage); break;
    default: break;
    }
}

void TAnimWizard::FileChanged() {
    if (Format() == kAnimatedFile)
        ReadAnimatedFile();
    UpdateNext();
}

void TAnimWizard::ReadAnimatedFile() {
    int frameCount = 0;
    tColour key = 0;
    if (file_->isEnabled()) {
        tEasyAnimatedGif gif;
        if (!gif.LoadFile(file_->text()))
            return;
        frameCount = gif.FrameCount;
        key = gif.KeyColour;
    } else {
        Bitmap strip;
        std::vector<int32_t> frameEnds;
        if (!DecodeAnimation(slot_.Bytes, file_->text(), strip, frameEnds, frameCount, key))
            return;
    }
    frames_->setValue(std::clamp(frameCount, 1, 255));
    SetTransparency(key);
}

void TAnimWizard::SetTransparency(tColour colour) {
    transparency_ = colour;
    swatch_->setStyleSheet(ColourSwatchStyle(int32_t(colour)));
}

QByteArray TAnimWizard::FieldBytes() const { return file_->isEnabled() ? QByteArray() : slot_.Bytes; }

void TAnimWizard::BrowseFile() {
    const std::optional<QString> chosen =
        Format() == kAnimatedFile
            ? dialogs_.chooseAnimation(Translate("Select anim file to use"), file_->text())
            : dialogs_.choosePicture(Translate("Select picture file to use"), file_->text());
    if (!chosen)
        return;
    file_->setEnabled(true);
    file_->setText(*chosen);
    FileChanged();
}

void TAnimWizard::AddFiles() {
    if (const auto chosen =
            dialogs_.chooseSeveralPictures(Translate("Select some pictures to add to the animation")))
        images_->addItems(*chosen);
    UpdateNext();
}

void TAnimWizard::MoveSelected(int by) {
    const int row = images_->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= images_->count())
        return;
    QListWidgetItem* item = images_->takeItem(row);
    images_->insertItem(to, item);
    images_->clearSelection();
    images_->setCurrentRow(to);
}

void TAnimWizard::DeleteSelected() {
    qDeleteAll(images_->selectedItems());
    UpdateNext();
}

void TAnimWizard::PreviewFile() {
    QString reason;
    if (!dialogs_.preview(file_->text(), FieldBytes(), reason))
        Warn(reason, Translate("Error previewing picture"));
}

void TAnimWizard::SaveFileAs() {
    const QString source = file_->text();
    if (source.isEmpty())
        return;
    const QString extension = PictureExtension(source);
    const QString filter =
        extension + " " + Translate("files") + "|*" + extension + "|" + Translate("All Files") + " (*.*)|*.*";
    const std::optional<QString> target =
        dialogs_.saveFile(Translate("Save picture as"), filter, extension.mid(1), source);
    if (!target)
        return;
    bool saved = false;
    if (file_->isEnabled()) {
        QFile::remove(*target);
        saved = QFile::copy(source, *target);
    } else {
        QFile out(*target);
        saved = out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                out.write(slot_.Bytes) == slot_.Bytes.size();
    }
    if (!saved)
        Warn(Translate("Error saving to specified file"), Translate("Error"));
}

void TAnimWizard::BrowseSaveTo() {
    const QString filter =
        Translate("Bitmap Picture") + " (*.bmp)|*.bmp|" + Translate("All Files") + " (*.*)|*.*";
    if (const auto chosen = dialogs_.saveFile(Translate("Save picture as"), filter, "bmp", saveTo_->text()))
        saveTo_->setText(*chosen);
}

void TAnimWizard::SelectColour() {
    if (const auto chosen = dialogs_.chooseColour(transparency_))
        SetTransparency(*chosen);
}

void TAnimWizard::PickColour() {
    QString failure;
    std::optional<tColour> picked;
    if (Format() == kCollection) {
        if (images_->count() == 0)
            return;
        picked = dialogs_.pickColour(images_->item(0)->text(), {}, transparency_, failure);
    } else {
        picked = dialogs_.pickColour(file_->text(), FieldBytes(), transparency_, failure);
    }
    if (picked)
        SetTransparency(*picked);
    else if (!failure.isEmpty())
        Warn(failure, Translate("Error previewing picture"));
}

void TAnimWizard::Assemble() {
    if (Page() != kAssemblyPage)
        return;
    QStringList files;
    for (int i = 0; i < images_->count(); ++i)
        files << images_->item(i)->text();
    const int n = int(files.size());
    progress_->setRange(0, 2 * n + 1);
    const tAssembledStrip made =
        AssembleStrip(files, WorkingPixelFormat(), [this](int step) { progress_->setValue(step); });
    const QString target = saveTo_->text();
    if (!SaveBmp(made.strip, target)) {
        Warn(Translate("Error saving the picture to") + " " + QFileInfo(target).fileName(),
             Translate("Error"));
        ShowPage(kOptionsPage);
        return;
    }
    progress_->setValue(progress_->maximum());
    frames_->setValue(std::clamp(n, 1, 255));
    workingFile_ = target;
    // The new strip is what the buffer is to hold, even where the old picture was embedded.
    const QSignalBlocker block(file_);
    file_->setText(target);
    file_->setEnabled(true);
    ShowPage(kReadyPage);
}

void TAnimWizard::Finish() {
    tAnimationPictureRecord& record = slot_.Record;
    record.setEmbedded(embed_->isChecked());
    record.setTransparentColour(int32_t(transparency_));
    record.setFileName(ToSystemCodePage(workingFile_.left(kMaxFileName)));
    record.setFrameCount(uint8_t(frames_->value()));
    if (ballFlags_)
        StoreBallFlags(*ballFlags_,
                       {bouncing_->isChecked(), playing_->isChecked(), direction_->currentIndex() == 0});
    if (file_->isEnabled()) {
        slot_.Bytes.clear();
        QFile in(workingFile_);
        if (in.open(QIODevice::ReadOnly))
            slot_.Bytes = in.readAll();
    }
    changed_ = true;
    accept();
}

} // namespace lyrimo
