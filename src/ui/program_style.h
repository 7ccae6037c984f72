// The one look every window of the program shares: a dark purple palette with a warm accent,
// and a style sheet for the common controls. Windows add only what is their own (the main
// menu's big buttons, the playback controls' panels).
#pragma once

class QApplication;
class QPalette;
class QString;

namespace lyrimo {

// Colours of the program's look, as #rrggbb.
namespace program_colour {
constexpr const char* Deep = "#0d0a24";   // the darkest background
constexpr const char* Window = "#1d1436"; // window backgrounds
constexpr const char* Panel = "#2b1d4d";  // group boxes, tabs, fields
constexpr const char* Button = "#3a1c6e";
constexpr const char* Border = "#7a55c0";
constexpr const char* Text = "#f0e8ff";
constexpr const char* MutedText = "#8d86a0";
constexpr const char* Accent = "#ffc83c";
} // namespace program_colour

QPalette ProgramPalette();
QString ProgramStyleSheet();
// Gives the application the program's style, palette and style sheet.
void ApplyProgramStyle(QApplication& application);

} // namespace lyrimo
