#include "desktop/prefs_pages.h"

namespace lyrimo {

TPrefsPage::TPrefsPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings)
    : edited_(edited), bindings_(bindings) {}

void TPrefsPage::Bind(const QString& key, QWidget* widget) { bindings_.push_back({key, widget}); }

} // namespace lyrimo
