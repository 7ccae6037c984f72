#include "desktop/prefs_pages.h"

#include "playback/external_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr const char* kPorts[] = {"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "LPT3"};
constexpr const char* kEvents[] = {"Karaoke Screen Appears", "Karaoke Song Starts", "Karaoke Song Stops",
                                   "Karaoke Screen Disappears"};

} // namespace

TPrefsExternalControlsPage::TPrefsExternalControlsPage(tSettingsClass& edited,
                                                       std::vector<tPrefBinding>& bindings)
    : TPrefsPage(edited, bindings) {
    auto* layout = new QVBoxLayout(this);
    QCheckBox* enable = prefs::Check("Send signals to an external device");
    Bind("ExternalControls/EnableControls", enable);
    layout->addWidget(enable);

    auto* portForm = new QFormLayout;
    auto* port = new QComboBox;
    // The stored value is the port's name; the device beside it is the one the bytes go to.
    for (const char* name : kPorts)
        port->addItem(QString(name) + " (" + ExternalPortDevice(name) + ")", name);
    Bind("ExternalControls/EnablePort", port);
    portForm->addRow("Port:", port);
    layout->addLayout(portForm);

    auto* events = new QGridLayout;
    events->addWidget(new QLabel("Event"), 0, 0);
    events->addWidget(new QLabel("Bytes to send (hexadecimal)"), 0, 1);
    const QRegularExpression hex("[0-9A-Fa-f]*");
    for (int n = 0; n < 4; ++n) {
        QCheckBox* on = prefs::Check(kEvents[n]);
        auto* data = new QLineEdit;
        data->setValidator(new QRegularExpressionValidator(hex, data));
        Bind("ExternalControls/Enable" + QString::number(n), on);
        Bind("ExternalControls/SendData" + QString::number(n), data);
        events->addWidget(on, n + 1, 0);
        events->addWidget(data, n + 1, 1);
    }
    layout->addWidget(prefs::Group("Events", events));
    layout->addStretch();
}

} // namespace lyrimo
