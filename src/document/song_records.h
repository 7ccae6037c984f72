// The stored records of a song: each field list below is the byte layout of the
// record in the song file, and generates both the named accessors and the field
// table that tools (the JSON dump) walk in stored order.
#pragma once

#include "document/byte_record.h"

#include <span>

namespace lyrimo {

enum class tFieldKind { U8, U16, I16, I32, STR, FONT, ANIM };

struct tFieldInfo {
    const char* name;
    int offset;
    tFieldKind kind;
    int capacity; // characters of a STR field, unused otherwise
};

constexpr int kFontRecordSize = 38;
constexpr int kAnimationPictureRecordSize = 272;

constexpr int FieldSize(const tFieldInfo& f) {
    switch (f.kind) {
    case tFieldKind::U8: return 1;
    case tFieldKind::U16:
    case tFieldKind::I16: return 2;
    case tFieldKind::I32: return 4;
    case tFieldKind::STR: return f.capacity + 1;
    case tFieldKind::FONT: return kFontRecordSize;
    case tFieldKind::ANIM: return kAnimationPictureRecordSize;
    }
    return 0;
}

// True when the fields follow one another without gaps and fill the record exactly.
template <std::size_t N>
constexpr bool FieldsCoverRecord(const tFieldInfo (&fields)[N], int recordSize) {
    int next = 0;
    for (const tFieldInfo& f : fields) {
        if (f.offset != next)
            return false;
        next += FieldSize(f);
    }
    return next == recordSize;
}

class tFontRecord;
class tAnimationPictureRecord;

#define LYM_ACCESSOR_U8(Name, Off, Arg)                                                                      \
    uint8_t Name() const { return u8(Off); }                                                                 \
    void set##Name(uint8_t v) { setU8(Off, v); }
#define LYM_ACCESSOR_U16(Name, Off, Arg)                                                                     \
    uint16_t Name() const { return u16(Off); }                                                               \
    void set##Name(uint16_t v) { setU16(Off, v); }
#define LYM_ACCESSOR_I16(Name, Off, Arg)                                                                     \
    int16_t Name() const { return i16(Off); }                                                                \
    void set##Name(int16_t v) { setI16(Off, v); }
#define LYM_ACCESSOR_I32(Name, Off, Arg)                                                                     \
    int32_t Name() const { return i32(Off); }                                                                \
    void set##Name(int32_t v) { setI32(Off, v); }
#define LYM_ACCESSOR_STR(Name, Off, Arg)                                                                     \
    QByteArray Name() const { return str(Off, Arg); }                                                        \
    void set##Name(const QByteArray& v) { setStr(Off, Arg, v); }
#define LYM_ACCESSOR_FONT(Name, Off, Arg)                                                                    \
    tFontRecord Name() const { return sub<tFontRecord>(Off); }                                               \
    void set##Name(const tFontRecord& v) { setSub(Off, v); }
#define LYM_ACCESSOR_ANIM(Name, Off, Arg)                                                                    \
    tAnimationPictureRecord Name() const { return sub<tAnimationPictureRecord>(Off); }                       \
    void set##Name(const tAnimationPictureRecord& v) { setSub(Off, v); }

#define LYM_ACCESSOR(Name, Off, Kind, Arg) LYM_ACCESSOR_##Kind(Name, Off, Arg)
#define LYM_FIELD_INFO(Name, Off, Kind, Arg) tFieldInfo{#Name, Off, tFieldKind::Kind, Arg},

// Declares a record class from its field list, with a checked field table.
// clang-format off
#define LYM_RECORD(Class, Size, Fields)                                                                      \
    class Class : public tByteRecord<Size> {                                                                 \
    public:                                                                                                  \
        Fields(LYM_ACCESSOR)                                                                                 \
        static constexpr tFieldInfo kFields[] = {Fields(LYM_FIELD_INFO)};                                    \
        static std::span<const tFieldInfo> fields() { return kFields; }                                      \
    };                                                                                                       \
    static_assert(FieldsCoverRecord(Class::kFields, Size), #Class " fields do not match its size");
// clang-format on

#define LYM_FONT_RECORD_FIELDS(X)                                                                            \
    X(name, 0, STR, 31)                                                                                      \
    X(colour, 32, I32, 0)                                                                                    \
    X(size, 36, U8, 0)                                                                                       \
    X(style, 37, U8, 0)
LYM_RECORD(tFontRecord, kFontRecordSize, LYM_FONT_RECORD_FIELDS)

// Font style bits.
constexpr uint8_t kFontBold = 1, kFontItalic = 2, kFontUnderline = 4, kFontStrikeOut = 8;

#define LYM_ANIMATION_PICTURE_FIELDS(X)                                                                      \
    X(Enabled, 0, U8, 0)                                                                                     \
    X(Embedded, 1, U8, 0)                                                                                    \
    X(FileName, 2, STR, 255)                                                                                 \
    X(FrameCount, 258, U8, 0)                                                                                \
    X(DataOffset, 259, I32, 0)                                                                               \
    X(DataSize, 263, I32, 0)                                                                                 \
    X(TransparentColour, 267, I32, 0)                                                                        \
    X(Placement, 271, U8, 0)
LYM_RECORD(tAnimationPictureRecord, kAnimationPictureRecordSize, LYM_ANIMATION_PICTURE_FIELDS)

#define LYM_SONG_SETTINGS_FIELDS(X)                                                                          \
    X(SongName, 0, STR, 80)                                                                                  \
    X(ArtistName, 81, STR, 80)                                                                               \
    X(AlbumName, 162, STR, 80)                                                                               \
    X(MediaFileName, 243, STR, 255)                                                                          \
    X(UseMediaFile, 499, U8, 0)                                                                              \
    X(CdTrack, 500, U16, 0)                                                                                  \
    X(LegacyLineCount, 502, U16, 0)                                                                          \
    X(BackgroundColour, 504, I32, 0)                                                                         \
    X(TitleFont, 508, FONT, 0)                                                                               \
    X(TitleEffect, 546, U8, 0)                                                                               \
    X(TitleEffectSpeed, 547, U8, 0)                                                                          \
    X(LegacyLyricsFont, 548, FONT, 0)                                                                        \
    X(LegacyHighlightBackground, 586, I32, 0)                                                                \
    X(LegacyEffectCode, 590, U8, 0)                                                                          \
    X(LegacyTimingsFlag, 591, U8, 0)                                                                         \
    X(LegacyStartOffset, 592, I32, 0)                                                                        \
    X(HasVideo, 596, U8, 0)                                                                                  \
    X(EmbedMedia, 597, U8, 0)                                                                                \
    X(EmbeddedMediaSize, 598, I32, 0)                                                                        \
    X(EmbeddedMediaOffset, 602, I32, 0)                                                                      \
    X(Reserved606, 606, U16, 0)                                                                              \
    X(SlideShowEnabled, 608, U8, 0)                                                                          \
    X(PictureCount, 609, I32, 0)                                                                             \
    X(SlideCount, 613, I32, 0)                                                                               \
    X(EmbedPictures, 617, U8, 0)                                                                             \
    X(PictureListOffset, 618, I32, 0)                                                                        \
    X(SlideListOffset, 622, I32, 0)                                                                          \
    X(Reserved626, 626, U16, 0)                                                                              \
    X(ReservedText, 628, STR, 44)                                                                            \
    X(LegacyBallNumber, 673, U8, 0)                                                                          \
    X(LegacyBallNumberHigh, 674, U8, 0)                                                                      \
    X(LegacyBallSpin, 675, U8, 0)                                                                            \
    X(PlayWidth, 676, I32, 0)                                                                                \
    X(PlayHeight, 680, I32, 0)                                                                               \
    X(SplitSize, 684, I32, 0)                                                                                \
    X(BackgroundFileName, 688, STR, 255)                                                                     \
    X(EmbedBackground, 944, U8, 0)                                                                           \
    X(EmbeddedBackgroundSize, 945, I32, 0)                                                                   \
    X(EmbeddedBackgroundOffset, 949, I32, 0)                                                                 \
    X(BackgroundTile, 953, U8, 0)                                                                            \
    X(BackgroundEnabled, 954, U8, 0)                                                                         \
    X(BackgroundTransparent, 955, U8, 0)                                                                     \
    X(LegacyBallNoBounce, 956, U8, 0)                                                                        \
    X(LegacyBallNoAnimation, 957, U8, 0)                                                                     \
    X(FullScreenSlideShow, 958, U8, 0)                                                                       \
    X(TweakWinampTimings, 959, U8, 0)                                                                        \
    X(AdjustWinampTimingsForWmp, 960, U8, 0)                                                                 \
    X(PartsTableOffset, 961, I32, 0)                                                                         \
    X(PartCount, 965, U16, 0)                                                                                \
    X(LegacyLyricsPosition, 967, U8, 0)                                                                      \
    X(SlideShowStartOffset, 968, I32, 0)                                                                     \
    X(MaintainBackgroundAspect, 972, U8, 0)                                                                  \
    X(LyricsAtBottom, 973, U8, 0)                                                                            \
    X(FullScreenVideo, 974, U8, 0)                                                                           \
    X(LegacyTextFormat, 975, U8, 0)                                                                          \
    X(LegacyFormattingColour, 976, I32, 0)                                                                   \
    X(LegacyTextSpacing, 980, U8, 0)                                                                         \
    X(LegacyBallPicture, 981, ANIM, 0)                                                                       \
    X(BallPictureTableOffset, 1253, I32, 0)                                                                  \
    X(RightToLeft, 1257, U8, 0)                                                                              \
    X(AnimationPictureTableOffset, 1258, I32, 0)                                                             \
    X(VerticalShift, 1262, I16, 0)                                                                           \
    X(Reserved1264, 1264, I32, 0)                                                                            \
    X(CutoutText, 1268, U8, 0)                                                                               \
    X(ExtraBreakChar, 1269, U8, 0)                                                                           \
    X(SongYear, 1270, STR, 80)                                                                               \
    X(TitleFontCharset, 1351, U8, 0)                                                                         \
    X(PartExtrasOffset, 1352, I32, 0)                                                                        \
    X(PartExtrasSize, 1356, I32, 0)                                                                          \
    X(UnicodeText, 1360, U8, 0)                                                                              \
    X(BackgroundDuringTitle, 1361, U8, 0)                                                                    \
    X(TitleFadeIn, 1362, U8, 0)                                                                              \
    X(TitleFadeOut, 1363, U8, 0)                                                                             \
    X(PreferredPlayer, 1364, U8, 0)                                                                          \
    X(MultiLineMode, 1365, U8, 0)                                                                            \
    X(FirstLineTop, 1366, U8, 0)                                                                             \
    X(PreviewBelow, 1367, U8, 0)                                                                             \
    X(PreviewAlign, 1368, U8, 0)                                                                             \
    X(PreviewHalfSize, 1369, U8, 0)                                                                          \
    X(PreviewBlend, 1370, U8, 0)                                                                             \
    X(PreviewFadeIn, 1371, U8, 0)                                                                            \
    X(TransparentShadows, 1372, U8, 0)                                                                       \
    X(SongNameHigh, 1373, STR, 80)                                                                           \
    X(ArtistNameHigh, 1454, STR, 80)                                                                         \
    X(AlbumNameHigh, 1535, STR, 80)                                                                          \
    X(SongYearHigh, 1616, STR, 80)                                                                           \
    X(ExtraBreakCharHigh, 1697, U8, 0)                                                                       \
    X(AltDrawMode, 1698, U8, 0)
LYM_RECORD(tSongSettings, 1699, LYM_SONG_SETTINGS_FIELDS)

#define LYM_PART_RECORD_FIELDS(X)                                                                            \
    X(StartOffset, 0, I32, 0)                                                                                \
    X(LineCount, 4, U16, 0)                                                                                  \
    X(TimingsRecorded, 6, U8, 0)                                                                             \
    X(PartName, 7, STR, 40)                                                                                  \
    X(LegacyEffectCode, 48, U8, 0)                                                                           \
    X(LyricsFont, 49, FONT, 0)                                                                               \
    X(BallNumber, 87, U8, 0)                                                                                 \
    X(BallNumberHigh, 88, U8, 0)                                                                             \
    X(BallSpinForward, 89, U8, 0)                                                                            \
    X(BallNoBounce, 90, U8, 0)                                                                               \
    X(BallNoAnimation, 91, U8, 0)
LYM_RECORD(tPartRecord, 92, LYM_PART_RECORD_FIELDS)

#define LYM_PART_EXTRAS_FIELDS(X)                                                                            \
    X(FontCharset, 0, U8, 0)                                                                                 \
    X(LyricsPosition, 1, U8, 0)                                                                              \
    X(BallStyle, 2, U8, 0)                                                                                   \
    X(Underline, 3, U8, 0)                                                                                   \
    X(TextMode, 4, U8, 0)                                                                                    \
    X(TextFormat, 5, U8, 0)                                                                                  \
    X(FormattingColour, 6, I32, 0)                                                                           \
    X(TextSpacing, 10, U8, 0)                                                                                \
    X(InstrumentalAnimation, 11, U8, 0)
LYM_RECORD(tPartExtras, 12, LYM_PART_EXTRAS_FIELDS)

#define LYM_LINE_RECORD_FIELDS(X)                                                                            \
    X(Text, 0, STR, 160)                                                                                     \
    X(TimingCount, 161, U8, 0)                                                                               \
    X(LineStart, 162, I32, 0)                                                                                \
    X(NormalColour, 166, I32, 0)                                                                             \
    X(HighlightColour, 170, I32, 0)                                                                          \
    X(HighlightBackground, 174, I32, 0)                                                                      \
    X(TextHigh, 178, STR, 160)                                                                               \
    X(FormatColour, 339, I32, 0)                                                                             \
    X(HighlightFormatColour, 343, I32, 0)
LYM_RECORD(tLineRecord, 347, LYM_LINE_RECORD_FIELDS)

#define LYM_TIMING_RECORD_FIELDS(X)                                                                          \
    X(Position, 0, U8, 0)                                                                                    \
    X(Delta, 1, U16, 0)
LYM_RECORD(tTimingRecord, 3, LYM_TIMING_RECORD_FIELDS)

#define LYM_PICTURE_RECORD_FIELDS(X)                                                                         \
    X(Name, 0, STR, 20)                                                                                      \
    X(FileName, 21, STR, 255)                                                                                \
    X(EmbeddedSize, 277, I32, 0)                                                                             \
    X(Tile, 281, U8, 0)
LYM_RECORD(tPictureRecord, 282, LYM_PICTURE_RECORD_FIELDS)

#define LYM_SLIDE_RECORD_FIELDS(X)                                                                           \
    X(Picture, 0, U16, 0)                                                                                    \
    X(Transition, 2, U8, 0)                                                                                  \
    X(TransitionDuration, 3, U8, 0)                                                                          \
    X(LeaveUntilRemoved, 4, U8, 0)                                                                           \
    X(ShowTime, 5, I32, 0)                                                                                   \
    X(RemoveTime, 9, I32, 0)
LYM_RECORD(tSlideRecord, 13, LYM_SLIDE_RECORD_FIELDS)

inline tTimingRecord MakeTiming(uint8_t position, uint16_t delta) {
    tTimingRecord t;
    t.setPosition(position);
    t.setDelta(delta);
    return t;
}

// Sizes a reader must know for the older layouts.
constexpr int kLineRecordWithColours = 178;    // shorter records hold a preset colour index
constexpr int kLineRecordWithFormatting = 339; // shorter records have no shadow colours
constexpr int kLegacyPictureRecordSize = 281;  // before the tile byte was added

} // namespace lyrimo
