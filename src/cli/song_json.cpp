#include "cli/song_json.h"

#include "cli/json_writer.h"

namespace lyrimo {
namespace {

template <class Record>
void WriteRecord(tJsonWriter& json, const char* key, const Record& record);

// Writes one field of a record, walking nested records by their own field tables.
template <class Record>
void WriteField(tJsonWriter& json, const Record& r, const tFieldInfo& f) {
    switch (f.kind) {
    case tFieldKind::U8: json.Int(f.name, r.u8(f.offset)); break;
    case tFieldKind::U16: json.Int(f.name, r.u16(f.offset)); break;
    case tFieldKind::I16: json.Int(f.name, r.i16(f.offset)); break;
    case tFieldKind::I32: json.Int(f.name, r.i32(f.offset)); break;
    case tFieldKind::STR: json.Bytes(f.name, r.str(f.offset, f.capacity)); break;
    case tFieldKind::FONT: WriteRecord(json, f.name, r.template sub<tFontRecord>(f.offset)); break;
    case tFieldKind::ANIM:
        WriteRecord(json, f.name, r.template sub<tAnimationPictureRecord>(f.offset));
        break;
    }
}

template <class Record>
void WriteRecord(tJsonWriter& json, const char* key, const Record& record) {
    json.BeginObject(key);
    for (const tFieldInfo& f : Record::fields())
        WriteField(json, record, f);
    json.EndObject();
}

void WriteLine(tJsonWriter& json, const tTimingsLineType& line) {
    json.BeginObject();
    for (const tFieldInfo& f : tLineRecord::fields())
        WriteField(json, line.LineRecord, f);
    json.BeginArray("timings");
    for (const tTimingRecord& t : line.Timings()) {
        json.BeginArray();
        json.Int(t.Position());
        json.Int(t.Delta());
        json.EndArray();
    }
    json.EndArray();
    json.EndObject();
}

void WritePart(tJsonWriter& json, const tLyricsData& part) {
    json.BeginObject();
    WriteRecord(json, "PartRecord", part.PartRecord);
    WriteRecord(json, "PartExtras", part.PartExtras);
    WriteRecord(json, "BallPicture", part.Slots[kBallSlot].Record);
    WriteRecord(json, "AnimationPicture", part.Slots[kAnimationSlot].Record);
    json.Int("BallPictureBytes", part.Slots[kBallSlot].Bytes.size());
    json.Int("AnimationPictureBytes", part.Slots[kAnimationSlot].Bytes.size());
    json.BeginArray("lines");
    for (int i = 0; i < part.LineCount(); ++i)
        WriteLine(json, *part.GetLine(i));
    json.EndArray();
    json.EndObject();
}

void WritePictures(tJsonWriter& json, const tSlideShowPictureList& pictures) {
    json.BeginArray("pictures");
    for (int i = 0; i < pictures.Count(); ++i) {
        json.BeginObject();
        for (const tFieldInfo& f : tPictureRecord::fields())
            WriteField(json, pictures.GetPictureRecord(i), f);
        json.Int("Bytes", pictures.GetPicture(i)->size());
        json.EndObject();
    }
    json.EndArray();
}

void WriteSlides(tJsonWriter& json, const tSlideShowSlideList& slides) {
    json.BeginArray("slides");
    for (int i = 0; i < slides.Count(); ++i)
        WriteRecord(json, nullptr, slides.GetSlide(i));
    json.EndArray();
}

} // namespace

QByteArray SongToJson(const tLyrimoData& song, int result) {
    tJsonWriter json;
    json.BeginObject();
    json.Int("result", result);
    json.Int("FileVersion", song.FileVersion);
    json.Int("NewerVersion", song.NewerVersion);
    WriteRecord(json, "SongSettings", song.SongSettings);
    json.BeginArray("parts");
    for (int i = 0; i < song.PartCount(); ++i)
        WritePart(json, *song.GetPart(i));
    json.EndArray();
    WritePictures(json, song.Pictures);
    WriteSlides(json, song.Slides);
    json.Int("BackgroundBytes", song.BackgroundStream.size());
    json.String("TempMediaPath", song.TempMediaPath());
    json.BeginArray("LoadDamage");
    for (const QString& lost : song.LoadDamage)
        json.String(nullptr, lost);
    json.EndArray();
    json.EndObject();
    return json.Text();
}

QByteArray SettingsRecordToJson(bool ok, const tSongSettings& settings) {
    tJsonWriter json;
    json.BeginObject();
    json.Int("ok", ok);
    WriteRecord(json, "SongSettings", settings);
    json.EndObject();
    return json.Text();
}

} // namespace lyrimo
