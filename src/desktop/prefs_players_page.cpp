#include "desktop/prefs_pages.h"

#include "app/app_services.h"
#include "app/cd_drives.h"
#include "media/player_catalog.h"
#include "media/player_presence.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

// The stored names of each player's settings.
struct tPlayerKeys {
    uint8_t id;
    const char* enabled;
    const char* playsCds; // nullptr: never plays CDs
    const char* extensions;
};
constexpr tPlayerKeys kPlayerKeys[] = {
    {player::External, "MiscSettings/Use Winamp", "MiscSettings/Winamp Play CDs",
     "MiscSettings/UseFileExtensions"},
    {player::QuickTime, "MiscSettings/Use Quicktime Player", nullptr, "MiscSettings/UseFileExtensionsQT"},
    {player::WindowsMediaPlayer, "MiscSettings/Use Windows Media Player", "MiscSettings/WMP Play CDs",
     "MiscSettings/UseFileExtensionsWMP"},
    {player::Mci, "MiscSettings/Use Media Player", "MiscSettings/MCI Play CDs",
     "MiscSettings/UseFileExtensionsMCI"},
    {player::DirectShow, "MiscSettings/DirectShow", nullptr, "MiscSettings/UseFileExtensionsDS"},
};

const tPlayerKeys* FindPlayerKeys(uint8_t id) {
    for (const tPlayerKeys& keys : kPlayerKeys)
        if (keys.id == id)
            return &keys;
    return nullptr;
}

QLabel* EngineStatus(uint8_t id) {
    QString text;
    if (PlayerPresent(id))
        text = Translate("Found on this machine.");
    else if (id == player::External)
        text = Translate("No external player was found: name a program that can be controlled over "
                         "MPRIS, such as Audacious.");
    else
        text = Translate("The %1 engine is not on this machine; this player is passed over.")
                   .arg(PlayerName(id));
    auto* label = new QLabel(text);
    label->setObjectName(PlayerPresent(id) ? "enginePresent" : "engineMissing");
    label->setWordWrap(true);
    return label;
}

} // namespace

TPrefsPlayersPage::TPrefsPlayersPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings)
    : TPrefsPage(edited, bindings) {
    auto* layout = new QGridLayout(this);

    playerOrder_ = new QListWidget;
    auto* up = new QPushButton("Up");
    auto* down = new QPushButton("Down");
    connect(up, &QPushButton::clicked, this, [this] { MovePlayer(playerOrder_->currentRow(), -1); });
    connect(down, &QPushButton::clicked, this, [this] { MovePlayer(playerOrder_->currentRow(), +1); });
    auto* order = new QVBoxLayout;
    order->addWidget(new QLabel("Players are tried in this order:"));
    order->addWidget(playerOrder_, 1);
    auto* moves = new QHBoxLayout;
    moves->addWidget(up);
    moves->addWidget(down);
    order->addLayout(moves);
    layout->addLayout(order, 0, 0);

    playerPages_ = new QStackedWidget;
    for (uint8_t id = player::None; id <= player::DirectShow; ++id)
        playerPages_->addWidget(PlayerDetails(id));
    connect(playerOrder_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        playerPages_->setCurrentIndex(item ? item->data(Qt::UserRole).toInt() : 0);
    });
    layout->addWidget(playerPages_, 0, 1);
    layout->setColumnStretch(1, 1);

    auto* cd = new QFormLayout;
    QCheckBox* reject = prefs::Check("CD-Reject Technology Enabled (Recommended)");
    Bind("MiscSettings/CDReject", reject);
    cd->addRow(reject);
    auto* drive = new QComboBox;
    const QStringList devices = SettingsHooks().cdDevices ? SettingsHooks().cdDevices() : CdDevices();
    for (int i = 0; i < devices.size() && !CdDriveLetter(i).isEmpty(); ++i)
        drive->addItem(CdDriveLetter(i) + " (" + devices[i] + ")", CdDriveLetter(i));
    Bind("MiscSettings/DefaultCDROM", drive);
    cd->addRow("CD drive for audio CDs:", drive);
    layout->addWidget(prefs::Group("Audio CDs", cd), 1, 0, 1, 2);
}

QWidget* TPrefsPlayersPage::PlayerDetails(uint8_t id) {
    auto* page = new QWidget;
    const tPlayerKeys* keys = FindPlayerKeys(id);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!keys) {
        layout->addWidget(new QLabel("This place in the order names no player."));
        layout->addStretch();
        return page;
    }
    layout->addWidget(EngineStatus(id));
    QCheckBox* enabled = prefs::Check("Use this player");
    Bind(keys->enabled, enabled);
    layout->addWidget(enabled);
    if (keys->playsCds) {
        QCheckBox* cds = prefs::Check("This player may play audio CDs");
        Bind(keys->playsCds, cds);
        layout->addWidget(cds);
    }
    if (id == player::External) {
        externalProgram_ = new QLineEdit;
        Bind("MiscSettings/WinampEXE", externalProgram_);
        auto* browse = new QPushButton("Browse...");
        connect(browse, &QPushButton::clicked, this, &TPrefsPlayersPage::BrowseExternalPlayer);
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel("Program:"));
        row->addWidget(externalProgram_, 1);
        row->addWidget(browse);
        layout->addLayout(row);
    }
    layout->addWidget(new QLabel("File types it plays (double-click to change):"));
    auto* extensions = new QListWidget;
    Bind(keys->extensions, extensions);
    layout->addWidget(extensions, 1);
    auto* add = new QPushButton("Add");
    auto* remove = new QPushButton("Remove");
    connect(add, &QPushButton::clicked, extensions, [extensions] {
        auto* item = new QListWidgetItem(".", extensions);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        extensions->setCurrentItem(item);
        extensions->editItem(item);
    });
    connect(remove, &QPushButton::clicked, extensions, [extensions] { delete extensions->currentItem(); });
    auto* row = new QHBoxLayout;
    row->addWidget(add);
    row->addWidget(remove);
    row->addStretch();
    layout->addLayout(row);
    return page;
}

void TPrefsPlayersPage::Load() { ShowPlayerOrder(Edited().Player2Order); }

void TPrefsPlayersPage::Store() { Edited().Player2Order = PlayerOrderShown(); }

void TPrefsPlayersPage::ShowPlayerOrder(const tPlayerOrder& order) {
    playerOrder_->clear();
    for (uint8_t id : order) {
        const QString name = PlayerName(id);
        QString shown = name.isEmpty() ? Translate("(no player)") : name;
        if (!name.isEmpty() && !PlayerPresent(id))
            shown += " " + Translate("(not found)");
        auto* item = new QListWidgetItem(shown, playerOrder_);
        item->setData(Qt::UserRole, int(id));
    }
    playerOrder_->setCurrentRow(0);
}

tPlayerOrder TPrefsPlayersPage::PlayerOrderShown() const {
    tPlayerOrder order{};
    for (int row = 0; row < playerOrder_->count() && row < int(order.size()); ++row)
        order[size_t(row)] = uint8_t(playerOrder_->item(row)->data(Qt::UserRole).toInt());
    return order;
}

void TPrefsPlayersPage::MovePlayer(int row, int delta) {
    const int target = row + delta;
    if (row < 0 || row >= playerOrder_->count() || target < 0 || target >= playerOrder_->count())
        return;
    QListWidgetItem* item = playerOrder_->takeItem(row);
    playerOrder_->insertItem(target, item);
    playerOrder_->setCurrentRow(target);
}

void TPrefsPlayersPage::BrowseExternalPlayer() {
    const QString file = QFileDialog::getOpenFileName(window(), Translate("Select the player program..."),
                                                      externalProgram_->text());
    if (!file.isEmpty())
        externalProgram_->setText(file);
}

} // namespace lyrimo
