#include "editor/preview_windows.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/time_picker_window.h"
#include "editor/time_spin_edit.h"
#include "media/media_player.h"
#include "media/player_catalog.h"
#include "playback/video_panel.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr int kPreviewTickMs = 200;

QString ClockText(int ms) {
    const int seconds = std::max(ms, 0) / 1000;
    return QString("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QChar('0'))
        .arg(seconds / 60 % 60, 2, 10, QChar('0'))
        .arg(seconds % 60, 2, 10, QChar('0'));
}

} // namespace

// ---- Play Karaoke From

TPlayFrom::TPlayFrom(const tLyrimoData& song, int64_t start, QWidget* parent) : QDialog(parent), song_(song) {
    setWindowTitle(Translate("Play Karaoke From"));
    auto* heading = new QLabel(Translate("Play Karaoke From Time"));
    heading->setStyleSheet("font-weight: bold; font-size: 14px;");
    auto* about =
        new QLabel(Translate("This dialog allows you to specify a starting time to play the karaoke from."));
    about->setWordWrap(true);
    time_ = new TTimeSpinEdit;
    time_->SetValue(start);
    time_->setMinimumWidth(130);
    auto* select = new QPushButton(Translate("Select..."));
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(new QLabel(Translate("Play karaoke, starting at:")));
    timeRow->addWidget(time_, 1);
    timeRow->addWidget(select);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(Translate("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Translate("Cancel"), QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(about);
    layout->addLayout(timeRow);
    layout->addWidget(buttons);
    setMinimumWidth(460);
    connect(select, &QPushButton::clicked, this, &TPlayFrom::SelectFromLyrics);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TPlayFrom::SelectFromLyrics() {
    if (const auto chosen =
            PickTimeFromLyrics(Translate("Please select a new start time"), song_, time_->Value(), this))
        time_->SetValue(*chosen);
}

void TPlayFrom::mousePressEvent(QMouseEvent* event) {
    grab_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TPlayFrom::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPosition().toPoint() - grab_);
}

std::optional<int> AskStartTime(const tLyrimoData& song, int start, QWidget* parent) {
    TPlayFrom dialog(song, start, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return int(dialog.TimeField()->Value());
}

// ---- Media Preview

QString MediaPreviewFileText(const tLyrimoData& song) {
    const tSongSettings& s = song.SongSettings;
    if (!s.UseMediaFile())
        return Translate("CD Track") + " " + QString::number(s.CdTrack());
    const QString name = QFile::decodeName(s.MediaFileName());
    if (s.EmbedMedia() && song.HasTempMedia())
        return Translate("Embedded media file of type") + " " + MediaExtension(name);
    return QFileInfo(name).fileName();
}

TMediaPreview::TMediaPreview(const tLyrimoData& song, QWidget* parent)
    : QDialog(parent), song_(song), player_(std::make_unique<tMyMediaPlayer>()) {
    setWindowTitle(Translate("Media Preview"));
    file_ = new QLabel(MediaPreviewFileText(song));
    video_ = new TVideoPanel;
    video_->setMinimumSize(320, 240);
    slider_ = new QSlider(Qt::Horizontal);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(Translate("OK"), QDialogButtonBox::AcceptRole);

    auto* form = new QFormLayout;
    form->addRow(Translate("File:"), file_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(video_, 1);
    layout->addWidget(slider_);
    layout->addWidget(buttons);
    if (!ShowsVideo(song))
        video_->hide();
    resize(ShowsVideo(song) ? QSize(480, 440) : QSize(480, sizeHint().height()));

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(slider_, &QSlider::sliderReleased, this, [this] { Seek(slider_->value()); });
    connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            Seek(slider_->sliderPosition());
    });
    timer_.setInterval(kPreviewTickMs);
    connect(&timer_, &QTimer::timeout, this, &TMediaPreview::Tick);
    timer_.start();
}

TMediaPreview::~TMediaPreview() {
    timer_.stop();
    video_->Unfollow();
    player_->CloseCurrent();
}

bool TMediaPreview::Open() {
    const bool video = ShowsVideo(song_);
    if (!player_->OpenSongMedia(song_, video ? video_->Window() : nullptr)) {
        App().MessageBox(Translate("Error opening media") + ": " + player_->TakeLastError(),
                         Translate("Error Opening Media"), mb::IconStop);
        return false;
    }
    if (video) {
        player_->SetDisplayRect(video_->DisplayRect());
        video_->Follow(player_.get());
    }
    slider_->setRange(0, player_->GetLength() / 100);
    player_->Play();
    return true;
}

void TMediaPreview::Tick() {
    timer_.stop();
    if (!opened_) {
        opened_ = true;
        if (!Open()) {
            reject();
            return;
        }
    }
    setWindowTitle(Translate("Media Preview") + " - " + ClockText(player_->GetPosition()) + " " +
                   Translate("of") + " " + ClockText(player_->GetLength()) + " " +
                   Translate("Playing Using") + ": " + PlayerName(player_->PlayerID()));
    if (!slider_->isSliderDown()) {
        QSignalBlocker block(slider_);
        slider_->setValue(player_->GetPosition() / 100);
    }
    timer_.start();
}

void TMediaPreview::Seek(int tenths) {
    if (!opened_)
        return;
    player_->SetPosition(tenths * 100);
    player_->Play();
}

void TMediaPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (opened_ && video_->isVisible())
        player_->SetDisplayRect(video_->DisplayRect());
}

void PreviewSongMedia(const tLyrimoData& song, QWidget* parent) {
    TMediaPreview window(song, parent);
    window.exec();
}

} // namespace lyrimo
