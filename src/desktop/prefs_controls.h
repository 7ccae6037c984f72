// What the preferences pages share: the bindings between controls and stored values, and the
// small builders their controls are made with.
#pragma once

#include "app/settings.h"

#include <QString>

#include <initializer_list>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLayout;
class QSpinBox;
class QWidget;

namespace lyrimo {

// A control that shows one stored value, named "Section/Name" as the settings table names it.
struct tPrefBinding {
    QString key;
    QWidget* widget = nullptr;
};

// Puts each bound value into its control. Check boxes show bools; spin boxes and sliders
// integers; combo boxes an index for integer values and an item for text values (a text no
// item holds is added, an empty one selects nothing); edit boxes texts; list widgets an
// extension list, one extension per row.
void LoadPrefsControls(const tSettingsClass& settings, const std::vector<tPrefBinding>& bindings);
// Takes each control's value back, with the corrections reading the store applies. A combo
// box that selects nothing leaves its value alone.
void StorePrefsControls(const std::vector<tPrefBinding>& bindings, tSettingsClass& settings);

// The control bound to key, or nullptr.
QWidget* BoundControl(const std::vector<tPrefBinding>& bindings, const QString& key);

// Builders of the pages' controls. Captions are the program's English texts; the window
// translates them once it is built.
namespace prefs {
QCheckBox* Check(const char* caption);
QSpinBox* Spin(int minimum, int maximum, const char* suffix = "");
QComboBox* Choices(std::initializer_list<const char*> captions);
QGroupBox* Group(const char* caption, QLayout* layout);
} // namespace prefs

} // namespace lyrimo
