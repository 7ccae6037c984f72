// Translates a window's texts in one sweep: its menus, then the window and every widget in it.
//
// The sweep remembers, on each widget, action and item, the English text it found and the
// text it showed. A later sweep translates again from the remembered English text while
// the widget still shows what the sweep put there, so sweeping a window twice changes
// nothing, a sweep after loading another language shows the new language, and a window
// contained in another is not translated twice. A text the program changed in between is
// taken as the new English text.
#pragma once

class QWidget;

namespace lyrimo {

class tTranslator;

// Through the program-wide translator. Does nothing when no language is chosen.
void TranslateWindow(QWidget* window);
void TranslateWindow(QWidget* window, tTranslator& translator);

// The face used for window texts made smaller than 8 points, when it is installed;
// otherwise such texts keep their own face.
inline constexpr const char* kSmallTextFace = "Small Fonts";

} // namespace lyrimo
