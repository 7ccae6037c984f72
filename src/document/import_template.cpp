#include "document/import_template.h"

#include "document/binary_file.h"
#include "document/song.h"

#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace lyrimo {
namespace {

const QString kTemplatesSection = QStringLiteral("Templates");

// Pictures named by a template are read whole; anything larger is not a picture.
constexpr int64_t kMaxTemplatePictureSize = 64 << 20;

// The store would take '/' and '\' in a key for section separators, so a name keeps them
// (and '%', which introduces the escapes) as %XX.
QString KeyForName(const QString& name) {
    QString key;
    key.reserve(name.size());
    for (QChar c : name) {
        if (c == u'%' || c == u'/' || c == u'\\')
            key += u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            key += c;
    }
    return key;
}

QString NameForKey(const QString& key) {
    QString name;
    name.reserve(key.size());
    for (qsizetype i = 0; i < key.size(); ++i) {
        bool ok = false;
        const int code = key[i] == u'%' && i + 2 < key.size() ? key.mid(i + 1, 2).toInt(&ok, 16) : 0;
        if (ok) {
            name += QChar(code);
            i += 2;
        } else {
            name += key[i];
        }
    }
    return name;
}

QString StoredKey(const QString& name) { return kTemplatesSection + '/' + KeyForName(name); }

bool ExistingFile(const QByteArray& field) {
    const QString path = PathFromField(field);
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// Reads the picture a template names into a slot; a file that has gone leaves the slot as it was.
void LoadTemplatePicture(const QByteArray& fileName, tPictureSlot& slot) {
    if (!ExistingFile(fileName))
        return;
    if (!ReadWholeFile(PathFromField(fileName), slot.Bytes, kMaxTemplatePictureSize))
        slot.Bytes.clear();
    slot.Record.setFileName(fileName);
}

void ApplyToSongSettings(const tTemplateRecord& t, tLyrimoData& song) {
    tSongSettings& s = song.SongSettings;
    s.setBackgroundColour(t.BackgroundColour());
    s.setTitleFont(t.TitleFont());
    s.setTitleEffect(t.TitleEffect());
    s.setTitleEffectSpeed(t.TitleEffectSpeed());
    s.setPlayWidth(t.PlayWidth());
    s.setPlayHeight(t.PlayHeight());
    s.setSplitSize(t.SplitSize());
    s.setBackgroundTile(t.BackgroundTile());
    // The song shows the picture it holds, so the bytes come with the name.
    if (ExistingFile(t.BackgroundFileName())) {
        s.setBackgroundFileName(t.BackgroundFileName());
        if (!ReadWholeFile(PathFromField(t.BackgroundFileName()), song.BackgroundStream,
                           kMaxTemplatePictureSize))
            song.BackgroundStream.clear();
    }
    s.setBackgroundEnabled(t.BackgroundEnabled());
    s.setBackgroundTransparent(t.BackgroundTransparent());
    s.setMaintainBackgroundAspect(t.MaintainBackgroundAspect());
    s.setLyricsAtBottom(t.LyricsAtBottom());
    s.setLegacyTextFormat(t.TextFormat());
    s.setLegacyFormattingColour(t.FormattingColour());
    s.setLegacyTextSpacing(t.TextSpacing());
    s.setEmbedBackground(t.EmbedBackground());
}

void ApplyToPart(const tTemplateRecord& t, tLyricsData& part) {
    tPartExtras& extras = part.PartExtras;
    extras.setLyricsPosition(t.LyricsPosition());
    extras.setTextFormat(t.TextFormat());
    extras.setFormattingColour(t.FormattingColour());
    extras.setTextSpacing(t.TextSpacing());

    tPartRecord& r = part.PartRecord;
    r.setLegacyEffectCode(t.EffectCode());
    r.setLyricsFont(t.LyricsFont());
    r.setBallNumber(t.BallNumber());
    r.setBallNumberHigh(t.BallNumberHigh());
    r.setBallSpinForward(t.BallSpinForward());
    r.setBallNoBounce(t.BallNoBounce());
    r.setBallNoAnimation(t.BallNoAnimation());

    tPictureSlot& ball = part.Slots[kBallSlot];
    ball.Record.setEnabled(t.BallPictureEnabled());
    LoadTemplatePicture(t.BallPictureFileName(), ball);
    ball.Record.setFrameCount(t.BallPictureFrames());
    ball.Record.setTransparentColour(t.BallPictureTransparentColour());
    ball.Record.setEmbedded(t.BallPictureEmbedded());

    tPictureSlot& animation = part.Slots[kAnimationSlot];
    animation.Record.setEnabled(t.AnimationEnabled());
    LoadTemplatePicture(t.AnimationFileName(), animation);
    animation.Record.setFrameCount(t.AnimationFrames());
    animation.Record.setTransparentColour(t.AnimationTransparentColour());
    animation.Record.setPlacement(t.AnimationPlacement());
    animation.Record.setEmbedded(t.AnimationEmbedded());

    for (int i = 0; i < part.LineCount(); ++i) {
        tLineRecord& line = part.GetLine(i)->LineRecord;
        line.setNormalColour(t.NormalColour());
        line.setHighlightColour(t.HighlightColour());
        line.setHighlightBackground(t.HighlightBackground());
        line.setFormatColour(t.FormattingColour());
        line.setHighlightFormatColour(t.FormattingColour());
    }
    // Text mode, ball style and underline travel in the effect code alone.
    DecodeLegacyEffectCode(r.LegacyEffectCode(), extras);
}

} // namespace

tTemplateRecord TemplateFromSong(const tLyrimoData& song) {
    tTemplateRecord t;
    const tSongSettings& s = song.SongSettings;
    t.setBackgroundColour(s.BackgroundColour());
    t.setTitleFont(s.TitleFont());
    t.setTitleEffect(s.TitleEffect());
    t.setTitleEffectSpeed(s.TitleEffectSpeed());
    t.setPlayWidth(s.PlayWidth());
    t.setPlayHeight(s.PlayHeight());
    t.setSplitSize(s.SplitSize());
    t.setBackgroundFileName(s.BackgroundFileName());
    t.setBackgroundTile(s.BackgroundTile());
    t.setBackgroundEnabled(s.BackgroundEnabled());
    t.setBackgroundTransparent(s.BackgroundTransparent());
    t.setMaintainBackgroundAspect(s.MaintainBackgroundAspect());
    t.setLyricsAtBottom(s.LyricsAtBottom());
    t.setEmbedBackground(s.EmbedBackground());

    const tLyricsData* part = song.GetPart(0);
    if (!part)
        return t;
    const tPartExtras& extras = part->PartExtras;
    t.setTextFormat(extras.TextFormat());
    t.setFormattingColour(extras.FormattingColour());
    t.setTextSpacing(extras.TextSpacing());
    t.setEffectCode(EncodeLegacyEffectCode(extras));
    t.setLyricsPosition(extras.LyricsPosition());

    const tPartRecord& r = part->PartRecord;
    t.setLyricsFont(r.LyricsFont());
    t.setBallNumber(r.BallNumber());
    t.setBallNumberHigh(r.BallNumberHigh());
    t.setBallSpinForward(r.BallSpinForward());
    t.setBallNoBounce(r.BallNoBounce());
    t.setBallNoAnimation(r.BallNoAnimation());

    if (const tTimingsLineType* line = part->GetLine(0)) {
        t.setNormalColour(line->LineRecord.NormalColour());
        t.setHighlightColour(line->LineRecord.HighlightColour());
        t.setHighlightBackground(line->LineRecord.HighlightBackground());
    }

    const tAnimationPictureRecord& ball = part->Slots[kBallSlot].Record;
    t.setBallPictureEnabled(ball.Enabled());
    t.setBallPictureFileName(ball.FileName());
    t.setBallPictureFrames(ball.FrameCount());
    t.setBallPictureTransparentColour(ball.TransparentColour());
    t.setBallPictureEmbedded(ball.Embedded());

    const tAnimationPictureRecord& animation = part->Slots[kAnimationSlot].Record;
    t.setAnimationEnabled(animation.Enabled());
    t.setAnimationFileName(animation.FileName());
    t.setAnimationFrames(animation.FrameCount());
    t.setAnimationTransparentColour(animation.TransparentColour());
    t.setAnimationPlacement(animation.Placement());
    t.setAnimationEmbedded(animation.Embedded());
    return t;
}

void ApplyTemplateRecord(const tTemplateRecord& record, tLyrimoData& song) {
    ApplyToSongSettings(record, song);
    for (int i = 0; i < song.PartCount(); ++i)
        ApplyToPart(record, *song.GetPart(i));
}

bool TemplateRecordFromValue(const QByteArray& value, tTemplateRecord& record) {
    record.clear();
    if (value.size() <= 1)
        return false;
    record.assign(value.constData(),
                  static_cast<int>(std::min<qsizetype>(value.size(), tTemplateRecord::kSize)));
    return true;
}

QStringList ListTemplates(QSettings& store, bool includeDefault) {
    store.beginGroup(kTemplatesSection);
    const QStringList keys = store.childKeys();
    store.endGroup();
    QStringList names;
    for (const QString& key : keys)
        if (const QString name = NameForKey(key); name != kDefaultTemplateName)
            names << name;
    names.sort();
    if (includeDefault)
        names.prepend(kDefaultTemplateName);
    return names;
}

bool TemplateExists(QSettings& store, const QString& name) {
    return name != kDefaultTemplateName && store.contains(StoredKey(name));
}

QByteArray TemplateValue(QSettings& store, const QString& name) {
    if (name == kDefaultTemplateName || name.isEmpty())
        return {};
    return store.value(StoredKey(name)).toByteArray();
}

bool SaveTemplate(QSettings& store, const QString& name, const tLyrimoData& song) {
    if (name == kDefaultTemplateName || name.isEmpty())
        return false;
    store.setValue(StoredKey(name), TemplateFromSong(song).toByteArray());
    store.sync();
    return store.status() == QSettings::NoError;
}

bool ApplyTemplateValue(const QByteArray& value, tLyrimoData& song) {
    tTemplateRecord record;
    if (!TemplateRecordFromValue(value, record))
        return false;
    ApplyTemplateRecord(record, song);
    return true;
}

bool ApplyTemplate(QSettings& store, const QString& name, tLyrimoData& song) {
    return ApplyTemplateValue(TemplateValue(store, name), song);
}

void DeleteTemplate(QSettings& store, const QString& name) {
    if (name.isEmpty())
        return;
    store.remove(StoredKey(name));
    store.sync();
}

} // namespace lyrimo
