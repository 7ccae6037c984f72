// Import templates: a song's presentation (background, title, lyrics font, ball, colours,
// custom pictures) kept under a name in the settings store, to be stamped onto new and
// imported songs.
//
// Each template is a binary value of the store's "Templates" section holding one template
// record. Only file names are kept, never picture bytes: applying a template reads the
// pictures again from their files.
#pragma once

#include "document/song_records.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QSettings;

namespace lyrimo {

class tLyrimoData;

// Stands for no template at all: always offered first, applying it changes nothing, and it
// cannot be saved over.
inline const QString kDefaultTemplateName = QStringLiteral("Lyrimo Default Template");

// clang-format off
#define LYM_TEMPLATE_RECORD_FIELDS(X)                                                                        \
    X(BackgroundColour, 0, I32, 0)                                                                           \
    X(TitleFont, 4, FONT, 0)                                                                                 \
    X(TitleEffect, 42, U8, 0)                                                                                \
    X(TitleEffectSpeed, 43, U8, 0)                                                                           \
    X(PlayWidth, 44, I32, 0)                                                                                 \
    X(PlayHeight, 48, I32, 0)                                                                                \
    X(SplitSize, 52, I32, 0)                                                                                 \
    X(BackgroundFileName, 56, STR, 255)                                                                      \
    X(BackgroundTile, 312, U8, 0)                                                                            \
    X(BackgroundEnabled, 313, U8, 0)                                                                         \
    X(BackgroundTransparent, 314, U8, 0)                                                                     \
    X(MaintainBackgroundAspect, 315, U8, 0)                                                                  \
    X(LyricsAtBottom, 316, U8, 0)                                                                            \
    X(TextFormat, 317, U8, 0)                                                                                \
    X(FormattingColour, 318, I32, 0)                                                                         \
    X(TextSpacing, 322, U8, 0)                                                                               \
    X(EffectCode, 323, U8, 0)                                                                                \
    X(LyricsFont, 324, FONT, 0)                                                                              \
    X(BallNumber, 362, U8, 0)                                                                                \
    X(BallNumberHigh, 363, U8, 0)                                                                            \
    X(BallSpinForward, 364, U8, 0)                                                                           \
    X(BallNoBounce, 365, U8, 0)                                                                              \
    X(BallNoAnimation, 366, U8, 0)                                                                           \
    X(NormalColour, 367, I32, 0)                                                                             \
    X(HighlightColour, 371, I32, 0)                                                                          \
    X(HighlightBackground, 375, I32, 0)                                                                      \
    X(BallPictureEnabled, 379, U8, 0)                                                                        \
    X(BallPictureFileName, 380, STR, 255)                                                                    \
    X(BallPictureFrames, 636, U8, 0)                                                                         \
    X(BallPictureTransparentColour, 637, I32, 0)                                                             \
    X(AnimationEnabled, 641, U8, 0)                                                                          \
    X(AnimationFileName, 642, STR, 255)                                                                      \
    X(AnimationFrames, 898, U8, 0)                                                                           \
    X(AnimationTransparentColour, 899, I32, 0)                                                               \
    X(AnimationPlacement, 903, U8, 0)                                                                        \
    X(EmbedBackground, 904, U8, 0)                                                                           \
    X(BallPictureEmbedded, 905, U8, 0)                                                                       \
    X(AnimationEmbedded, 906, U8, 0)                                                                         \
    X(LyricsPosition, 907, U8, 0)                                                                            \
    X(Unused908, 908, I32, 0)                                                                                \
    X(Unused912, 912, U16, 0)
// clang-format on
LYM_RECORD(tTemplateRecord, 914, LYM_TEMPLATE_RECORD_FIELDS)

// The record of a song's presentation, taken from its settings, part 0 and the first line
// of part 0 (the line colours stay zero when part 0 has no line).
tTemplateRecord TemplateFromSong(const tLyrimoData& song);

// Stamps a record onto every part and line of the song. Pictures whose files exist are
// read again (one that cannot be read leaves its slot empty); missing files leave the
// song's own names and pictures.
void ApplyTemplateRecord(const tTemplateRecord& record, tLyrimoData& song);

// A stored value as a record: at most its first bytes, zeros for what it lacks. False
// for a value of one byte or less, which holds no template.
bool TemplateRecordFromValue(const QByteArray& value, tTemplateRecord& record);

// The template names in the store, sorted; with includeDefault the default name first.
QStringList ListTemplates(QSettings& store, bool includeDefault);
bool TemplateExists(QSettings& store, const QString& name);
// The stored value of a template; empty for the default and for a missing template.
QByteArray TemplateValue(QSettings& store, const QString& name);

// False for the default template and an empty name; otherwise stores the song's record.
bool SaveTemplate(QSettings& store, const QString& name, const tLyrimoData& song);
// False (and the song untouched) for the default template and a missing or empty value.
bool ApplyTemplate(QSettings& store, const QString& name, tLyrimoData& song);
bool ApplyTemplateValue(const QByteArray& value, tLyrimoData& song);
void DeleteTemplate(QSettings& store, const QString& name);

} // namespace lyrimo
