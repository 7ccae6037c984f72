#include "render/font_backend.h"

#include "document/song_records.h"
#include "render/text_order.h"

#include <QFile>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>
#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

namespace lyrimo {
namespace {

// The largest em height drawn; sizes beyond any screen would only cost memory.
constexpr int kMaxPixelSize = 2000;
// Face instances kept beyond those fonts still hold (each size of a face is one instance).
constexpr size_t kCachedFaces = 64;

// The language a character set is written in, so that fontconfig prefers faces that can
// show it (a Cyrillic-capable face for 204, a Hebrew one for 177, ...).
const char* LanguageForCharset(int charset) {
    switch (charset) {
    case 238: return "cs";
    case 204: return "ru";
    case 161: return "el";
    case 162: return "tr";
    case 177: return "he";
    case 178: return "ar";
    case 186: return "lt";
    case 163: return "vi";
    case 222: return "th";
    case 128: return "ja";
    case 134: return "zh-cn";
    case 129: return "ko";
    case 136: return "zh-tw";
    default: return nullptr;
    }
}

bool IsDoubleByteCharset(int charset) {
    return charset == 128 || charset == 129 || charset == 134 || charset == 136;
}

// Characters that show no ink: their absence from a face does not make text unshapeable.
bool IsBlank(char32_t c) {
    if (c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0x1680 || (c >= 0x2000 && c <= 0x200F) ||
        (c >= 0x2028 && c <= 0x202F) || (c >= 0x2060 && c <= 0x206F) || c == 0x3000 || c == 0xFEFF)
        return true;
    return QChar::category(c) == QChar::Other_Format;
}

int RoundPixels(hb_position_t value26dot6) { return int(std::floor(value26dot6 / 64.0 + 0.5)); }

struct tFaceChoice {
    std::string file;
    int index = 0;
    bool embolden = false;
    bool oblique = false;

    std::string Key() const {
        return file + '#' + std::to_string(index) + (embolden ? "b" : "") + (oblique ? "i" : "");
    }
};

// Reads the face fontconfig chose for a pattern after the configuration's edits
// (synthetic bold and slant among them).
std::optional<tFaceChoice> ChoiceOf(FcPattern* request, FcPattern* font) {
    FcPattern* prepared = FcFontRenderPrepare(nullptr, request, font);
    if (!prepared)
        return std::nullopt;
    std::optional<tFaceChoice> choice;
    FcChar8* file = nullptr;
    if (FcPatternGetString(prepared, FC_FILE, 0, &file) == FcResultMatch) {
        choice.emplace();
        choice->file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(prepared, FC_INDEX, 0, &choice->index);
        FcBool embolden = FcFalse;
        FcPatternGetBool(prepared, FC_EMBOLDEN, 0, &embolden);
        choice->embolden = embolden;
        FcMatrix* matrix = nullptr;
        choice->oblique =
            FcPatternGetMatrix(prepared, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix->xy != 0;
    }
    FcPatternDestroy(prepared);
    return choice;
}

FcPattern* RequestPattern(const QString& name, uint8_t style) {
    FcPattern* pattern = FcPatternCreate();
    if (!name.isEmpty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.toUtf8().constData()));
    FcPatternAddInteger(pattern, FC_WEIGHT, (style & kFontBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, (style & kFontItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    return pattern;
}

// Walks the faces fontconfig ranks for a request, best first, until accept takes one.
template <typename Accept>
std::optional<tFaceChoice> FirstAccepted(FcPattern* request, Accept accept) {
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult result = FcResultNoMatch;
    FcFontSet* set = FcFontSort(nullptr, request, FcFalse, nullptr, &result);
    std::optional<tFaceChoice> choice;
    if (set) {
        for (int i = 0; i < set->nfont && !choice; ++i) {
            if (accept(set->fonts[i]))
                choice = ChoiceOf(request, set->fonts[i]);
        }
        FcFontSetDestroy(set);
    }
    return choice;
}

} // namespace

namespace {

struct tGlyphImage {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> coverage; // width × height, 0 to 255
};

} // namespace

class tFontFace {
public:
    tFontFace(FT_Library library, const tFaceChoice& choice, std::shared_ptr<const QByteArray> data, int ppem,
              int charset);
    ~tFontFace();
    tFontFace(const tFontFace&) = delete;
    tFontFace& operator=(const tFontFace&) = delete;

    bool IsOpen() const { return hb_ != nullptr; }
    uint32_t GlyphIndex(char32_t c) const { return face_ ? FT_Get_Char_Index(face_, c) : 0; }
    int GlyphAdvance(uint32_t glyph) const {
        return hb_ ? RoundPixels(hb_font_get_glyph_h_advance(hb_, glyph)) : 0;
    }
    const tGlyphImage& Glyph(uint32_t glyph, bool mono);
    // Advances of single characters this face has, cached.
    int CachedAdvance(char32_t c);

    hb_font_t* Hb() const { return hb_; }
    FT_Face Ft() const { return face_; }

    std::string file;
    QString family;
    int ppem = 0;
    int ascent = 0, descent = 0;
    int underlineOffset = 0, underlineThickness = 1; // below the baseline
    int strikeOffset = 0, strikeThickness = 1;       // above the baseline
    int32_t languageFlags = 0;
    hb_language_t language = HB_LANGUAGE_INVALID;

private:
    void ReadMetrics();
    tGlyphImage Render(uint32_t glyph, bool mono) const;

    std::shared_ptr<const QByteArray> data_;
    FT_Face face_ = nullptr;
    hb_font_t* hb_ = nullptr;
    bool embolden_ = false, oblique_ = false;
    std::unordered_map<uint32_t, tGlyphImage> glyphs_[2];
    std::unordered_map<char32_t, int> advances_;
};

namespace {

// The program-wide font machinery. Never destroyed: fonts held by other long-lived
// objects may outlive any point at which it could be.
class tFontSystem {
public:
    static tFontSystem& Get() {
        static tFontSystem* system = new tFontSystem;
        return *system;
    }

    std::shared_ptr<tFontFace> FaceFor(const QString& name, uint8_t style, int charset, int ppem) {
        return Instance(Resolve(name, style, charset), ppem, charset);
    }

    // A face of the same size that has a character the font's own face lacks; null when
    // no installed face has it.
    std::shared_ptr<tFontFace> FallbackFor(const tFontFace& primary, const QString& name, uint8_t style,
                                           int charset, char32_t c) {
        auto key = std::make_pair(name.toStdString() + '#' + std::to_string(style), c);
        auto found = fallbacks_.find(key);
        if (found == fallbacks_.end()) {
            FcPattern* request = RequestPattern(name, style);
            FcCharSet* wanted = FcCharSetCreate();
            FcCharSetAddChar(wanted, c);
            FcPatternAddCharSet(request, FC_CHARSET, wanted);
            auto choice = FirstAccepted(request, [c](FcPattern* font) {
                FcCharSet* has = nullptr;
                return FcPatternGetCharSet(font, FC_CHARSET, 0, &has) == FcResultMatch &&
                       FcCharSetHasChar(has, c);
            });
            FcCharSetDestroy(wanted);
            FcPatternDestroy(request);
            found = fallbacks_.emplace(key, choice).first;
        }
        if (!found->second || found->second->file == primary.file)
            return nullptr;
        return Instance(*found->second, primary.ppem, charset);
    }

private:
    tFontSystem() {
        FcInit();
        if (FT_Init_FreeType(&library_) != 0)
            library_ = nullptr;
    }

    // The face for a name, style and character set: fontconfig's best match, passed over
    // for the best face that covers the character set's language when it does not.
    tFaceChoice Resolve(const QString& name, uint8_t style, int charset) {
        std::string key = name.toStdString() + '#' + std::to_string(style & (kFontBold | kFontItalic)) + '#' +
                          std::to_string(charset);
        auto found = choices_.find(key);
        if (found != choices_.end())
            return found->second;
        const char* language = LanguageForCharset(charset);
        auto covers = [language](FcPattern* font) {
            FcLangSet* languages = nullptr;
            return !language || (FcPatternGetLangSet(font, FC_LANG, 0, &languages) == FcResultMatch &&
                                 FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>(language)) !=
                                     FcLangDifferentLang);
        };
        FcPattern* request = RequestPattern(name, style);
        if (language)
            FcPatternAddString(request, FC_LANG, reinterpret_cast<const FcChar8*>(language));
        auto choice = FirstAccepted(request, covers);
        if (!choice) // nothing covers the language: the best match regardless
            choice = FirstAccepted(request, [](FcPattern*) { return true; });
        FcPatternDestroy(request);
        return choices_[key] = choice.value_or(tFaceChoice{});
    }

    std::shared_ptr<tFontFace> Instance(const tFaceChoice& choice, int ppem, int charset) {
        std::string key = choice.Key() + '@' + std::to_string(ppem) + '/' + std::to_string(charset);
        auto found = instances_.find(key);
        if (found != instances_.end()) {
            recent_.splice(recent_.begin(), recent_, found->second.second);
            return found->second.first;
        }
        auto face = std::make_shared<tFontFace>(library_, choice, FileData(choice.file), ppem, charset);
        recent_.push_front(key);
        instances_[key] = {face, recent_.begin()};
        if (recent_.size() > kCachedFaces) {
            instances_.erase(recent_.back());
            recent_.pop_back();
        }
        return face;
    }

    std::shared_ptr<const QByteArray> FileData(const std::string& path) {
        auto& data = files_[path];
        if (!data) {
            QFile file(QString::fromStdString(path));
            data = std::make_shared<const QByteArray>(file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                                     : QByteArray());
        }
        return data;
    }

    FT_Library library_ = nullptr;
    std::map<std::string, tFaceChoice> choices_;
    std::map<std::pair<std::string, char32_t>, std::optional<tFaceChoice>> fallbacks_;
    std::map<std::string, std::shared_ptr<const QByteArray>> files_;
    std::list<std::string> recent_;
    std::unordered_map<std::string, std::pair<std::shared_ptr<tFontFace>, std::list<std::string>::iterator>>
        instances_;
};

} // namespace

tFontFace::tFontFace(FT_Library library, const tFaceChoice& choice, std::shared_ptr<const QByteArray> data,
                     int size, int charset)
    : file(choice.file), ppem(size), data_(std::move(data)), embolden_(choice.embolden),
      oblique_(choice.oblique) {
    const char* tag = LanguageForCharset(charset);
    language = tag ? hb_language_from_string(tag, -1) : hb_language_get_default();
    if (!library || data_->isEmpty())
        return;
    auto bytes = reinterpret_cast<const FT_Byte*>(data_->constData());
    if (FT_New_Memory_Face(library, bytes, FT_Long(data_->size()), choice.index, &face_) != 0) {
        face_ = nullptr;
        return;
    }
    if (FT_Set_Pixel_Sizes(face_, 0, FT_UInt(ppem)) != 0 && face_->num_fixed_sizes > 0)
        FT_Select_Size(face_, 0);
    family = QString::fromUtf8(face_->family_name ? face_->family_name : "");
    hb_ = hb_ft_font_create(face_, nullptr);
    // Hinted advances, whole pixels as the glyphs are drawn in, whatever the anti-aliasing.
    hb_ft_font_set_load_flags(hb_, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO);
    ReadMetrics();

    hb_face_t* hbFace = hb_font_get_face(hb_);
    if (IsDoubleByteCharset(charset))
        languageFlags |= fontflags::Dbcs;
    if (GlyphIndex(0x05D0) || GlyphIndex(0x0627))
        languageFlags |= fontflags::Reorder;
    if (FT_HAS_KERNING(face_) || hb_ot_layout_has_positioning(hbFace))
        languageFlags |= fontflags::UseKerning;
    if (hb_ot_layout_has_substitution(hbFace))
        languageFlags |= fontflags::GlyphShape | fontflags::Ligate;
}

tFontFace::~tFontFace() {
    if (hb_)
        hb_font_destroy(hb_);
    if (face_)
        FT_Done_Face(face_);
}

// Ascent and descent as the Windows metrics of the face give them (what song layouts
// were made with), else as FreeType's size metrics do.
void tFontFace::ReadMetrics() {
    double scale = face_->units_per_EM ? double(ppem) / face_->units_per_EM : 0;
    auto pixels = [scale](double units) { return int(std::ceil(units * scale - 1e-6)); };
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && scale > 0 && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = pixels(os2->usWinAscent);
        descent = pixels(os2->usWinDescent);
    } else if (face_->size) {
        ascent = int((face_->size->metrics.ascender + 63) >> 6);
        descent = int((-face_->size->metrics.descender + 63) >> 6);
    }
    if (scale > 0) {
        underlineThickness = std::max(1, int(std::lround(face_->underline_thickness * scale)));
        underlineOffset =
            std::max(1, int(std::lround(-face_->underline_position * scale)) - underlineThickness / 2);
        bool strike = os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0;
        strikeThickness =
            strike ? std::max(1, int(std::lround(os2->yStrikeoutSize * scale))) : underlineThickness;
        strikeOffset = strike ? int(std::lround(os2->yStrikeoutPosition * scale)) : ascent / 3;
    } else {
        underlineOffset = std::max(1, descent / 2);
        strikeOffset = ascent / 3;
    }
}

tGlyphImage tFontFace::Render(uint32_t glyph, bool mono) const {
    tGlyphImage image;
    if (!face_)
        return image;
    FT_Int32 flags = FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face_, glyph, flags) != 0)
        return image;
    FT_GlyphSlot slot = face_->glyph;
    if (embolden_)
        FT_GlyphSlot_Embolden(slot);
    if (oblique_)
        FT_GlyphSlot_Oblique(slot);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return image;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return image;
    image.left = slot->bitmap_left;
    image.top = slot->bitmap_top;
    image.width = int(bitmap.width);
    image.height = int(bitmap.rows);
    image.coverage.resize(size_t(image.width) * size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
        uint8_t* out = image.coverage.data() + size_t(y) * size_t(image.width);
        for (int x = 0; x < image.width; ++x) {
            uint8_t value =
                bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255 : row[x];
            out[x] = mono ? (value >= 128 ? 255 : 0) : value;
        }
    }
    return image;
}

const tGlyphImage& tFontFace::Glyph(uint32_t glyph, bool mono) {
    auto& cache = glyphs_[mono ? 1 : 0];
    auto found = cache.find(glyph);
    if (found == cache.end())
        found = cache.emplace(glyph, Render(glyph, mono)).first;
    return found->second;
}

int tFontFace::CachedAdvance(char32_t c) {
    auto found = advances_.find(c);
    if (found == advances_.end())
        found = advances_.emplace(c, GlyphAdvance(GlyphIndex(c))).first;
    return found->second;
}

namespace {

// The space glyph stands in for control characters, which show nothing.
uint32_t SpaceGlyphOf(const tFontFace& face) { return face.GlyphIndex(' '); }

struct tRun {
    int start = 0;
    int length = 0;
    uint8_t level = 0;
    hb_script_t script = HB_SCRIPT_COMMON;
};

// Splits text into runs of one embedding level and one script; characters common to
// all scripts (spaces, punctuation, marks) join the run they stand in.
std::vector<tRun> SplitRuns(const QString& text, const std::vector<uint8_t>& levels) {
    std::vector<tRun> runs;
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    for (int i = 0; i < text.size();) {
        int length = 1;
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            length = 2;
        }
        hb_script_t script = hb_unicode_script(unicode, c);
        bool neutral =
            script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
        uint8_t level = levels[size_t(i)];
        bool startsRun = runs.empty() || runs.back().level != level ||
                         (!neutral && runs.back().script != HB_SCRIPT_COMMON && runs.back().script != script);
        if (startsRun)
            runs.push_back({i, 0, level, neutral ? HB_SCRIPT_COMMON : script});
        else if (!neutral && runs.back().script == HB_SCRIPT_COMMON)
            runs.back().script = script;
        runs.back().length += length;
        i += length;
    }
    return runs;
}

hb_buffer_t* ShapingBuffer() {
    static hb_buffer_t* buffer = hb_buffer_create();
    return buffer;
}

} // namespace

int PointsToPixels(int points) {
    int64_t scaled = std::abs(int64_t{points}) * 96;
    return int((scaled + 36) / 72);
}

tFont::tFont(const QString& name, int size, uint8_t style, int charset)
    : name_(name), size_(size), style_(style), charset_(charset) {}

void tFont::SetName(const QString& name) {
    if (name != name_) {
        name_ = name;
        Changed();
    }
}

void tFont::SetSize(int points) {
    if (points != size_) {
        size_ = points;
        Changed();
    }
}

void tFont::SetStyle(uint8_t style) {
    // Underline and strike-out are drawn over the glyphs; only bold and italic pick a face.
    if ((style ^ style_) & (kFontBold | kFontItalic))
        Changed();
    style_ = style;
}

void tFont::SetCharset(int charset) {
    if (charset != charset_) {
        charset_ = charset;
        Changed();
    }
}

int tFont::PixelSize() const { return std::clamp(PointsToPixels(size_), 1, kMaxPixelSize); }

const std::shared_ptr<tFontFace>& tFont::Face() const {
    if (!face_)
        face_ = tFontSystem::Get().FaceFor(name_, style_, charset_, PixelSize());
    return face_;
}

QString tFont::FamilyName() const { return Face()->family; }
QString tFont::FilePath() const { return QString::fromStdString(Face()->file); }
int tFont::Ascent() const { return Face()->ascent; }
int tFont::Height() const { return Face()->ascent + Face()->descent; }
int32_t tFont::LanguageFlags() const { return Face()->languageFlags; }

bool tFont::Shape(const QString& text, bool rightToLeft, int32_t languageFlags, int maxGlyphs,
                  std::vector<uint16_t>& glyphs, std::vector<int32_t>& advances) const {
    glyphs.clear();
    advances.clear();
    tFontFace& face = *Face();
    if (text.isEmpty() || !face.IsOpen())
        return false;
    for (int i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[i + 1]), ++i;
        if (!IsBlank(c) && face.GlyphIndex(c) == 0)
            return false;
    }

    std::vector<hb_feature_t> features;
    if (!(languageFlags & fontflags::UseKerning))
        features.push_back({HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END});
    if (!(languageFlags & fontflags::Ligate)) {
        features.push_back({HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END});
        features.push_back({HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END});
    }

    std::vector<uint8_t> levels = ResolveLevels(text, rightToLeft);
    std::vector<tRun> runs = SplitRuns(text, levels);
    std::vector<uint8_t> runLevels;
    for (const tRun& run : runs)
        runLevels.push_back(run.level);
    hb_buffer_t* buffer = ShapingBuffer();
    auto utf16 = reinterpret_cast<const uint16_t*>(text.utf16());
    for (int index : ReorderRuns(runLevels)) {
        const tRun& run = runs[size_t(index)];
        hb_buffer_clear_contents(buffer);
        hb_buffer_add_utf16(buffer, utf16, int(text.size()), unsigned(run.start), run.length);
        hb_buffer_set_direction(buffer, run.level % 2 ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        hb_buffer_set_script(buffer, run.script);
        hb_buffer_set_language(buffer, face.language);
        hb_buffer_set_not_found_glyph(buffer, SpaceGlyphOf(face));
        hb_shape(face.Hb(), buffer, features.data(), unsigned(features.size()));
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
        const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
        if (glyphs.size() + count > size_t(std::max(maxGlyphs, 0)) || info == nullptr) {
            glyphs.clear();
            advances.clear();
            return false;
        }
        for (unsigned k = 0; k < count; ++k) {
            glyphs.push_back(uint16_t(info[k].codepoint));
            advances.push_back(RoundPixels(position[k].x_advance));
        }
    }
    return true;
}

int tFont::CharacterAdvance(char32_t c) const {
    tFontFace& face = *Face();
    if (c < 0x20)
        return face.CachedAdvance(' ');
    if (face.GlyphIndex(c) != 0)
        return face.CachedAdvance(c);
    if (auto fallback = tFontSystem::Get().FallbackFor(face, name_, style_, charset_, c))
        return fallback->CachedAdvance(c);
    // A blank nobody has is a space; anything else shows the face's sign for a missing character.
    return face.CachedAdvance(IsBlank(c) ? U' ' : c);
}

void tFont::LayoutCharacters(const QString& text, bool rightToLeft, QString& displayText,
                             std::vector<int32_t>& advances) const {
    std::vector<uint8_t> levels = ResolveLevels(text, rightToLeft);
    std::vector<int> order = DisplayOrder(text, levels);
    displayText.clear();
    displayText.reserve(text.size());
    advances.clear();
    for (size_t k = 0; k < order.size(); ++k) {
        int i = order[k];
        bool pair = text[i].isHighSurrogate() && k + 1 < order.size() && order[k + 1] == i + 1 &&
                    text[i + 1].isLowSurrogate();
        char32_t c = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        if (levels[size_t(i)] % 2)
            c = QChar::mirroredChar(c);
        if (pair) {
            displayText += QString::fromUcs4(&c, 1);
            advances.push_back(CharacterAdvance(c));
            advances.push_back(0);
            ++k;
        } else {
            displayText += QChar(char16_t(c));
            advances.push_back(text[i].isSurrogate() ? CharacterAdvance(0xFFFD) : CharacterAdvance(c));
        }
    }
}

int tFont::TextWidth(const QString& text, bool rightToLeft) const {
    std::vector<uint16_t> glyphs;
    std::vector<int32_t> advances;
    if (!Shape(text, rightToLeft, LanguageFlags(), int(text.size()) * 4 + 16, glyphs, advances)) {
        QString display;
        LayoutCharacters(text, rightToLeft, display, advances);
    }
    int64_t width = 0;
    for (int32_t advance : advances)
        width += advance;
    return int(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX));
}

namespace {

// Where drawing may happen: the bitmap, within the clip rectangle when there is one.
tMyRect DrawingBounds(const Bitmap& target, const tMyRect* clip) {
    tMyRect bounds{0, 0, target.Width(), target.Height()};
    if (clip) {
        bounds.Left = std::max(bounds.Left, clip->Left);
        bounds.Top = std::max(bounds.Top, clip->Top);
        bounds.Right = std::min(bounds.Right, clip->Right);
        bounds.Bottom = std::min(bounds.Bottom, clip->Bottom);
    }
    return bounds;
}

uint32_t MixChannels(uint32_t from, uint32_t to, unsigned coverage, int shift, uint32_t mask) {
    uint32_t a = (from >> shift) & mask, b = (to >> shift) & mask;
    return ((b * coverage + a * (255 - coverage) + 127) / 255) << shift;
}

// Puts a glyph image on the bitmap with its origin at (x, baseline). Mono fonts set
// covered pixels; anti-aliased ones blend the colour by coverage.
void PutGlyph(Bitmap& target, const tGlyphImage& glyph, int64_t x, int64_t baseline, tColour colour,
              bool mono, const tMyRect& bounds) {
    int64_t left = x + glyph.left, top = baseline - glyph.top;
    int64_t fromX = std::max<int64_t>(left, bounds.Left),
            toX = std::min<int64_t>(left + glyph.width, bounds.Right);
    int64_t fromY = std::max<int64_t>(top, bounds.Top),
            toY = std::min<int64_t>(top + glyph.height, bounds.Bottom);
    if (fromX >= toX || fromY >= toY)
        return;
    const bool narrow = target.Format() == tPixelFormat::Bits16;
    const uint32_t value = target.PixelValue(colour);
    const uint32_t textRgb = Bitmap::PixelValue(colour, tPixelFormat::Bits32);
    for (int64_t y = fromY; y < toY; ++y) {
        const uint8_t* coverage =
            glyph.coverage.data() + size_t(y - top) * size_t(glyph.width) + size_t(fromX - left);
        for (int64_t px = fromX; px < toX; ++px, ++coverage) {
            unsigned c = *coverage;
            if (c == 0)
                continue;
            int col = int(px), row = int(y);
            if (mono || c == 255) {
                if (narrow)
                    target.Row16(row)[col] = uint16_t(value);
                else
                    target.Row32(row)[col] = value;
                continue;
            }
            uint32_t under = narrow ? Bitmap::PixelValue(target.Pixel(col, row), tPixelFormat::Bits32)
                                    : target.Row32(row)[col];
            uint32_t mixed = MixChannels(under, textRgb, c, 16, 0xFF) |
                             MixChannels(under, textRgb, c, 8, 0xFF) |
                             MixChannels(under, textRgb, c, 0, 0xFF);
            if (narrow)
                target.Row16(row)[col] =
                    uint16_t(target.PixelValue(Bitmap::ColourOf(mixed, tPixelFormat::Bits32)));
            else
                target.Row32(row)[col] = mixed;
        }
    }
}

void FillClipped(Bitmap& target, int64_t left, int64_t top, int64_t right, int64_t bottom, tColour colour,
                 const tMyRect& bounds) {
    left = std::max<int64_t>(left, bounds.Left), right = std::min<int64_t>(right, bounds.Right);
    top = std::max<int64_t>(top, bounds.Top), bottom = std::min<int64_t>(bottom, bounds.Bottom);
    if (left < right && top < bottom)
        target.FillRect(int(left), int(top), int(right - left), int(bottom - top), colour);
}

// Underline and strike-out, drawn as the text's own lines over its whole advance.
void DrawDecorations(Bitmap& target, const tFont& font, const tFontFace& face, int64_t x, int64_t baseline,
                     int64_t width, const tMyRect& bounds) {
    if (font.Style() & kFontUnderline) {
        int64_t top = baseline + face.underlineOffset;
        FillClipped(target, x, top, x + width, top + face.underlineThickness, font.Colour(), bounds);
    }
    if (font.Style() & kFontStrikeOut) {
        int64_t top = baseline - face.strikeOffset;
        FillClipped(target, x, top, x + width, top + face.strikeThickness, font.Colour(), bounds);
    }
}

} // namespace

namespace {

// Walks a run with explicit advances: drawOne(i, face, pen, baseline, mono, bounds) draws item i
// at the pen; underline and strike-out follow over the whole run.
template <class DrawOne>
void DrawRun(Bitmap& target, const tFont& font, int x, int y, const int32_t* advances, int count,
             const tMyRect* clip, DrawOne drawOne) {
    tFontFace& face = *font.Face();
    tMyRect bounds = DrawingBounds(target, clip);
    if (count <= 0 || bounds.IsEmpty())
        return;
    const bool mono = !font.AntiAliased();
    const int64_t baseline = int64_t{y} + face.ascent;
    int64_t pen = x;
    for (int i = 0; i < count; pen += advances[i], ++i)
        drawOne(i, face, pen, baseline, mono, bounds);
    DrawDecorations(target, font, face, x, baseline, pen - x, bounds);
}

} // namespace

void DrawGlyphRun(Bitmap& target, const tFont& font, int x, int y, const uint16_t* glyphs,
                  const int32_t* advances, int count, const tMyRect* clip) {
    DrawRun(target, font, x, y, advances, count, clip,
            [&](int i, tFontFace& face, int64_t pen, int64_t baseline, bool mono, const tMyRect& bounds) {
                PutGlyph(target, face.Glyph(glyphs[i], mono), pen, baseline, font.Colour(), mono, bounds);
            });
}

void DrawCharacterRun(Bitmap& target, const tFont& font, int x, int y, const QChar* units,
                      const int32_t* advances, int count, const tMyRect* clip) {
    DrawRun(target, font, x, y, advances, count, clip,
            [&](int i, tFontFace& face, int64_t pen, int64_t baseline, bool mono, const tMyRect& bounds) {
                char32_t c = units[i].unicode();
                if (units[i].isHighSurrogate() && i + 1 < count && units[i + 1].isLowSurrogate())
                    c = QChar::surrogateToUcs4(units[i], units[i + 1]);
                else if (units[i].isSurrogate())
                    c = units[i].isLowSurrogate() && i > 0 && units[i - 1].isHighSurrogate() ? 0x20 : 0xFFFD;
                if (IsBlank(c))
                    return;
                tFontFace* drawing = &face;
                std::shared_ptr<tFontFace> fallback;
                uint32_t glyph = face.GlyphIndex(c);
                if (glyph == 0) {
                    fallback =
                        tFontSystem::Get().FallbackFor(face, font.Name(), font.Style(), font.Charset(), c);
                    if (fallback)
                        drawing = fallback.get(), glyph = fallback->GlyphIndex(c);
                }
                PutGlyph(target, drawing->Glyph(glyph, mono), pen, baseline, font.Colour(), mono, bounds);
            });
}

int DrawText(Bitmap& target, const tFont& font, int x, int y, const QString& text, bool rightToLeft,
             const tMyRect* clip) {
    std::vector<uint16_t> glyphs;
    std::vector<int32_t> advances;
    if (font.Shape(text, rightToLeft, font.LanguageFlags(), int(text.size()) * 4 + 16, glyphs, advances)) {
        DrawGlyphRun(target, font, x, y, glyphs.data(), advances.data(), int(glyphs.size()), clip);
    } else {
        QString display;
        font.LayoutCharacters(text, rightToLeft, display, advances);
        DrawCharacterRun(target, font, x, y, display.constData(), advances.data(), int(display.size()), clip);
    }
    int64_t width = 0;
    for (int32_t advance : advances)
        width += advance;
    return int(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX));
}

} // namespace lyrimo
