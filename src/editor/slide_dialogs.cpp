#include "editor/slide_dialogs.h"

#include "app/app_services.h"
#include "app/atomic_file.h"
#include "editor/slide_rules.h"
#include "editor/time_picker_window.h"
#include "editor/time_spin_edit.h"
#include "editor/time_text.h"
#include "media/media_player.h"
#include "playback/video_panel.h"
#include "render/slide_show.h"
#include "ui/picture_dialogs.h"
#include "ui/picture_preview_window.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

namespace lyrimo {

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog, const std::function<void()>& ok) {
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(Translate("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Translate("&Cancel"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, ok);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

void ShowError(const QString& text) { App().MessageBox(text, Translate("Error"), mb::Ok | mb::IconStop); }

// Lets a dialog be dragged by its labels and panels, as by a caption.
class tDragByLabels : public QObject {
public:
    explicit tDragByLabels(QDialog* dialog) : QObject(dialog), dialog_(dialog) {
        for (QWidget* child : dialog->findChildren<QWidget*>())
            if (qobject_cast<QLabel*>(child) || qobject_cast<QGroupBox*>(child))
                child->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove)
            return QObject::eventFilter(watched, event);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton))
            return false;
        const QPoint at = mouse->globalPosition().toPoint();
        if (event->type() == QEvent::MouseButtonPress)
            grabbedAt_ = at - dialog_->frameGeometry().topLeft();
        else
            dialog_->move(at - grabbedAt_);
        return true;
    }

private:
    QDialog* dialog_;
    QPoint grabbedAt_;
};

} // namespace

TPictureEditor::TPictureEditor(const tLyrimoData& song, tPictureType& picture, bool fullScreen,
                               QWidget* parent)
    : QDialog(parent), picture_(picture) {
    setWindowTitle(Translate("Picture Editor"));
    name_ = new QLineEdit(QString::fromLatin1(picture.Record.Name()));
    name_->setMaxLength(kPictureNameLength);
    file_ = new QLineEdit(QString::fromLatin1(picture.Record.FileName()));
    file_->setMaxLength(kPictureFileNameLength);
    file_->setEnabled(!(song.SongSettings.EmbedPictures() && !picture.Bytes.isEmpty()));
    tile_ = new QComboBox;
    tile_->addItems({Translate("Stretch to fill screen"), Translate("Tile to fill screen")});
    tile_->setCurrentIndex(picture.Record.Tile() ? 1 : 0);

    auto* browse = new QPushButton(Translate("&Browse"));
    connect(browse, &QPushButton::clicked, this, &TPictureEditor::Browse);
    auto* preview = new QPushButton(Translate("&Preview"));
    connect(preview, &QPushButton::clicked, this, &TPictureEditor::Preview);
    auto* saveAs = new QPushButton(Translate("&Save As"));
    connect(saveAs, &QPushButton::clicked, this, &TPictureEditor::SaveAs);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    fileRow->addWidget(preview);
    fileRow->addWidget(saveAs);

    auto* form = new QFormLayout;
    form->addRow(Translate("Picture Name:"), name_);
    form->addRow(Translate("File Name:"), fileRow);
    form->addRow(Translate("Display:"), tile_);
    tile_->setVisible(fullScreen);
    form->labelForField(tile_)->setVisible(fullScreen);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addWidget(OkCancel(this, [this] { Store(); }));
    resize(620, sizeHint().height());
    new tDragByLabels(this);
}

void TPictureEditor::Browse() {
    if (const std::optional<QString> chosen =
            ChoosePictureFile(Translate("Select a picture to load"), file_->text(), this)) {
        file_->setText(*chosen);
        file_->setEnabled(true);
    }
}

void TPictureEditor::Preview() {
    QString reason;
    if (!PreviewPicture(file_->text(), file_->isEnabled() ? QByteArray() : picture_.Bytes, reason, this))
        ShowError(reason);
}

void TPictureEditor::SaveAs() {
    const QString extension = "." + QFileInfo(file_->text()).suffix();
    const QString filter =
        extension + " " + Translate("files") + "|*" + extension + "|" + Translate("All files") + "|*.*";
    const QString target = QFileDialog::getSaveFileName(this, Translate("Save picture to"), {},
                                                        QtNameFilters(filter).join(";;"));
    if (target.isEmpty())
        return;
    if (file_->isEnabled()) {
        QFile::remove(target);
        if (!QFile::copy(file_->text(), target))
            ShowError(Translate("An error occured saving the picture"));
        return;
    }
    if (QString error; !WriteFileAtomically(target, picture_.Bytes, &error))
        ShowError(Translate("An error occured saving the picture") + ": " + error);
}

void TPictureEditor::Store() {
    const QString fileName = file_->text();
    if (file_->isEnabled()) {
        if (!QFileInfo(fileName).isFile()) {
            ShowError(Translate("Error loading picture, file was not found") + ".");
            return;
        }
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            ShowError(Translate("An error occured loading the picture") + ": " + file.errorString());
            return;
        }
        picture_.Bytes = file.readAll();
        picture_.Record.setEmbeddedSize(static_cast<int32_t>(picture_.Bytes.size()));
    }
    picture_.Record.setName(name_->text().toLatin1().left(kPictureNameLength));
    picture_.Record.setFileName(fileName.toLatin1().left(kPictureFileNameLength));
    picture_.Record.setTile(static_cast<uint8_t>(tile_->currentIndex()));
    accept();
}

TSlideEditor::TSlideEditor(const tLyrimoData& song, tSlideRecord& slide,
                           std::unique_ptr<tMyMediaPlayer> player, QWidget* parent)
    : QDialog(parent), song_(song), slide_(slide),
      player_(player ? std::move(player) : std::make_unique<tMyMediaPlayer>()) {
    setWindowTitle(Translate("Slide Show Slide Editor"));

    picture_ = new QComboBox;
    std::vector<int> byName(song.Pictures.Count());
    std::iota(byName.begin(), byName.end(), 0);
    const auto name = [&](int i) { return QString::fromLatin1(song.Pictures.GetPictureRecord(i).Name()); };
    std::stable_sort(byName.begin(), byName.end(),
                     [&](int a, int b) { return name(a).compare(name(b), Qt::CaseInsensitive) < 0; });
    for (int index : byName)
        picture_->addItem(name(index), index);
    picture_->setCurrentIndex(std::max(0, picture_->findData(int{slide.Picture()})));

    mode_ = new QComboBox;
    mode_->addItems({Translate("leave until removed"), Translate("remove at time")});
    mode_->setCurrentIndex(slide.LeaveUntilRemoved() ? 0 : 1);

    QPushButton* selectShow = nullptr;
    QPushButton* selectHide = nullptr;
    QWidget* showRow = TimeRow(show_, selectShow, Translate("Please select a show time"));
    hideRow_ = TimeRow(hide_, selectHide, Translate("Please select a hide time"));
    show_->SetValue(slide.ShowTime());
    hide_->SetValue(slide.RemoveTime());
    connect(show_, &TTimeSpinEdit::ValueChanged, this,
            [this](int64_t ms) { CoupleLimits(hide_, ms + 1, -1); });
    connect(hide_, &TTimeSpinEdit::ValueChanged, this,
            [this](int64_t ms) { CoupleLimits(show_, 0, ms - 1); });

    transition_ = new QComboBox;
    for (int number = 0; number < kTransitionCount; ++number)
        transition_->addItem(Translate(TransitionName(number)));
    transition_->setCurrentIndex(std::min<int>(slide.Transition(), kTransitionCount - 1));
    duration_ = new QLineEdit(DurationText(slide.TransitionDuration()));
    duration_->setInputMask("9.9");
    duration_->setMaximumWidth(48);
    transitionRow_ = new QGroupBox(Translate("Full screen slide show only"));
    auto* transitionLayout = new QHBoxLayout(transitionRow_);
    transitionLayout->addWidget(new QLabel(Translate("Transition:")));
    transitionLayout->addWidget(transition_, 1);
    transitionLayout->addWidget(new QLabel(Translate("over")));
    transitionLayout->addWidget(duration_);
    transitionLayout->addWidget(new QLabel(Translate("seconds")));
    transitionRow_->setVisible(song.SongSettings.FullScreenSlideShow() != 0);
    duration_->setEnabled(transition_->currentIndex() != 0);
    connect(transition_, &QComboBox::currentIndexChanged, this,
            [this](int index) { duration_->setEnabled(index != 0); });

    auto* form = new QFormLayout;
    form->addRow(Translate("Picture:"), picture_);
    form->addRow(Translate("Show At:"), showRow);
    form->addRow(Translate("Display:"), mode_);
    hideLabel_ = new QLabel(Translate("Hide At:"));
    form->addRow(hideLabel_, hideRow_);

    preview_ = new QPushButton(Translate("Preview"));
    connect(preview_, &QPushButton::clicked, this, &TSlideEditor::TogglePreview);
    video_ = new TVideoPanel;
    video_->setFixedSize(240, 180);
    QSizePolicy keepPlace = video_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    video_->setSizePolicy(keepPlace);
    video_->hide();
    position_ = new QLabel;
    displaying_ = new QLabel;
    displaying_->setStyleSheet("font-weight: bold;");
    auto* readout = new QVBoxLayout;
    readout->addWidget(preview_, 0, Qt::AlignLeft);
    readout->addWidget(position_);
    readout->addWidget(displaying_);
    readout->addStretch(1);
    auto* previewRow = new QHBoxLayout;
    previewRow->addWidget(video_);
    previewRow->addLayout(readout, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(transitionRow_);
    layout->addLayout(previewRow);
    layout->addWidget(OkCancel(this, [this] { Store(); }));

    connect(mode_, &QComboBox::currentIndexChanged, this, &TSlideEditor::ShowModeState);
    ShowModeState();
    for (QComboBox* box : {picture_, mode_, transition_})
        connect(box, &QComboBox::currentIndexChanged, this, &TSlideEditor::MarkChanged);
    for (TTimeSpinEdit* field : {show_, hide_})
        connect(field, &TTimeSpinEdit::ValueChanged, this, &TSlideEditor::MarkChanged);
    connect(duration_, &QLineEdit::textEdited, this, &TSlideEditor::MarkChanged);

    new tDragByLabels(this);
    timer_.setInterval(kDisplayInterval);
    connect(&timer_, &QTimer::timeout, this, &TSlideEditor::PreviewTick);
}

TSlideEditor::~TSlideEditor() { StopPreview(); }

QWidget* TSlideEditor::TimeRow(TTimeSpinEdit*& field, QPushButton*& select, const QString& pickTitle) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    field = new TTimeSpinEdit;
    field->setMinimumWidth(140);
    select = new QPushButton(Translate("Select"));
    TTimeSpinEdit* target = field;
    connect(select, &QPushButton::clicked, this, [this, target, pickTitle] {
        if (const std::optional<int64_t> picked = PickTimeFromLyrics(pickTitle, song_, target->Value(), this))
            target->SetValue(*picked);
    });
    layout->addWidget(field);
    layout->addWidget(select);
    layout->addStretch(1);
    return row;
}

void TSlideEditor::ShowModeState() {
    const bool removeAtTime = mode_->currentIndex() == 1;
    hideLabel_->setVisible(removeAtTime);
    hideRow_->setVisible(removeAtTime);
}

// A time the user changes limits the other field; a time moved by its limits does not pass the
// change on, or each field would pin the other.
void TSlideEditor::CoupleLimits(TTimeSpinEdit* other, int64_t minimum, int64_t maximum) {
    if (coupling_)
        return;
    coupling_ = true;
    other->SetLimits(minimum, maximum);
    coupling_ = false;
}

void TSlideEditor::TogglePreview() {
    if (playing_) {
        StopPreview();
        return;
    }
    if (!player_->OpenSongMedia(song_, ShowsVideo(song_) ? video_->Window() : nullptr)) {
        App().MessageBox(Translate("Error opening media") + ": " + player_->TakeLastError(),
                         Translate("Error Opening Media"), mb::Ok | mb::IconStop);
        return;
    }
    video_->show();
    player_->SetDisplayRect(video_->DisplayRect());
    video_->Follow(player_.get());
    preview_->setText(Translate("STOP!"));
    player_->SetPosition(
        SlidePreviewStart(static_cast<int32_t>(show_->Value()), song_.SongSettings.SlideShowStartOffset()));
    player_->Play();
    playing_ = true;
    position_->show();
    displaying_->show();
    ShowPlayPosition();
    timer_.start();
}

void TSlideEditor::PreviewTick() {
    if (player_->IsPlaying())
        ShowPlayPosition();
    else
        StopPreview();
}

void TSlideEditor::ShowPlayPosition() {
    const int64_t time = song_.SlideShowTime(player_->GetPosition());
    position_->setText(Translate("Play Position") + ": " + TimeText(time));
    const bool on = SlideDisplaying(time, static_cast<int32_t>(show_->Value()), mode_->currentIndex() == 1,
                                    static_cast<int32_t>(hide_->Value()));
    displaying_->setText(on ? Translate("Displaying") : Translate("Hidden"));
    displaying_->setStyleSheet(on ? "color: red; font-weight: bold;" : "color: darkblue; font-weight: bold;");
}

void TSlideEditor::StopPreview() {
    timer_.stop();
    if (playing_) {
        playing_ = false;
        player_->Stop();
    }
    video_->Unfollow();
    player_->CloseCurrent();
    video_->hide();
    position_->hide();
    displaying_->hide();
    preview_->setText(Translate("Preview"));
}

void TSlideEditor::Store() {
    // Untouched controls leave the slide as it was, even where the fields' limits moved a time.
    if (!changed_) {
        accept();
        return;
    }
    slide_.setShowTime(static_cast<int32_t>(show_->Value()));
    slide_.setRemoveTime(static_cast<int32_t>(hide_->Value()));
    slide_.setTransition(static_cast<uint8_t>(transition_->currentIndex()));
    slide_.setTransitionDuration(static_cast<uint8_t>(DurationTenths(duration_->text())));
    slide_.setLeaveUntilRemoved(mode_->currentIndex() == 0);
    slide_.setPicture(static_cast<uint16_t>(picture_->currentData().toInt()));
    accept();
}

void TSlideEditor::done(int result) {
    StopPreview();
    QDialog::done(result);
}

bool EditSlideShowPicture(const tLyrimoData& song, tPictureType& picture, bool fullScreen, QWidget* parent) {
    TPictureEditor editor(song, picture, fullScreen, parent);
    return editor.exec() == QDialog::Accepted;
}

bool EditSlideShowSlide(const tLyrimoData& song, tSlideRecord& slide, QWidget* parent) {
    TSlideEditor editor(song, slide, nullptr, parent);
    return editor.exec() == QDialog::Accepted;
}

} // namespace lyrimo
