#include "desktop/prefs_controls.h"

#include "app/settings_table.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>

#include <optional>

namespace lyrimo {
namespace {

const tSettingValue* FindSettingValue(const QString& key) {
    for (const tSettingValue& value : SettingValues())
        if (value.Key() == key)
            return &value;
    return nullptr;
}

// Text combo boxes keep each item's value as its data, so translating the shown texts
// never changes what is stored.
void SelectComboValue(QComboBox* combo, const QString& value) {
    if (value.isEmpty()) {
        combo->setCurrentIndex(-1);
        return;
    }
    int index = combo->findData(value);
    if (index < 0)
        index = combo->findData(value, Qt::UserRole, Qt::MatchFixedString);
    if (index < 0) {
        combo->addItem(value, value);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

QString ComboValue(const QComboBox* combo) {
    const QVariant data = combo->currentData();
    return data.isValid() ? data.toString() : combo->currentText();
}

void ShowExtensions(QListWidget* list, const QString& text) {
    list->clear();
    for (const QString& extension : SplitExtensions(text)) {
        auto* item = new QListWidgetItem(extension, list);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
}

QString ExtensionsShown(const QListWidget* list) {
    QStringList extensions;
    for (int i = 0; i < list->count(); ++i)
        extensions << list->item(i)->text().trimmed();
    return JoinExtensions(extensions);
}

void LoadControl(const tSettingValue& value, const QVariant& stored, QWidget* widget) {
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        box->setChecked(stored.toInt() != 0);
    else if (auto* spin = qobject_cast<QSpinBox*>(widget))
        spin->setValue(stored.toInt());
    else if (auto* slider = qobject_cast<QAbstractSlider*>(widget))
        slider->setValue(stored.toInt());
    else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (value.type == tSettingType::Text)
            SelectComboValue(combo, stored.toString());
        else {
            const int index = stored.toInt();
            combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
        }
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(stored.toString());
    else if (auto* list = qobject_cast<QListWidget*>(widget))
        ShowExtensions(list, stored.toString());
}

// The control's value in the form the table's setter takes; nothing when it holds none.
std::optional<QVariant> ControlValue(const tSettingValue& value, const QWidget* widget) {
    auto typed = [&](int number) {
        return value.type == tSettingType::Bool ? QVariant(number != 0) : QVariant(number);
    };
    if (auto* box = qobject_cast<const QCheckBox*>(widget))
        return typed(box->isChecked() ? 1 : 0);
    if (auto* spin = qobject_cast<const QSpinBox*>(widget))
        return typed(spin->value());
    if (auto* slider = qobject_cast<const QAbstractSlider*>(widget))
        return typed(slider->value());
    if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
        if (combo->currentIndex() < 0)
            return std::nullopt;
        return value.type == tSettingType::Text ? QVariant(ComboValue(combo)) : typed(combo->currentIndex());
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(widget))
        return QVariant(edit->text());
    if (auto* list = qobject_cast<const QListWidget*>(widget))
        return QVariant(ExtensionsShown(list));
    return std::nullopt;
}

} // namespace

void LoadPrefsControls(const tSettingsClass& settings, const std::vector<tPrefBinding>& bindings) {
    for (const tPrefBinding& binding : bindings)
        if (const tSettingValue* value = FindSettingValue(binding.key); value && binding.widget)
            LoadControl(*value, value->get(settings), binding.widget);
}

void StorePrefsControls(const std::vector<tPrefBinding>& bindings, tSettingsClass& settings) {
    for (const tPrefBinding& binding : bindings) {
        const tSettingValue* value = FindSettingValue(binding.key);
        if (!value || !binding.widget)
            continue;
        if (std::optional<QVariant> shown = ControlValue(*value, binding.widget))
            value->set(settings, *shown);
    }
}

QWidget* BoundControl(const std::vector<tPrefBinding>& bindings, const QString& key) {
    for (const tPrefBinding& binding : bindings)
        if (binding.key == key)
            return binding.widget;
    return nullptr;
}

namespace prefs {

QCheckBox* Check(const char* caption) { return new QCheckBox(caption); }

QSpinBox* Spin(int minimum, int maximum, const char* suffix) {
    auto* spin = new QSpinBox;
    spin->setRange(minimum, maximum);
    spin->setSuffix(suffix);
    return spin;
}

QComboBox* Choices(std::initializer_list<const char*> captions) {
    auto* combo = new QComboBox;
    for (const char* caption : captions)
        combo->addItem(caption);
    return combo;
}

QGroupBox* Group(const char* caption, QLayout* layout) {
    auto* group = new QGroupBox(caption);
    group->setLayout(layout);
    return group;
}

} // namespace prefs
} // namespace lyrimo
