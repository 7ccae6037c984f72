// A language file of the interface: read from the user's language folder, listed, and used to
// translate texts and captions with accelerators.
#include "fuzz_support.h"

#include "app/translation.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    const QString folder = fuzz::ScratchFolder() + "/Languages";
    QDir().mkpath(folder);
    const QString input = fuzz::InputFile(data, size, ".ini");
    QFile::remove(folder + "/Fuzz.ini");
    QFile::rename(input, folder + "/Fuzz.ini");
    tTranslator translator(tLanguageFolders{folder, QString()});
    translator.Load("Fuzz");
    translator.ListLanguages();
    for (const char* text : {"Open", "Play song", "Line %d of %d", "Cannot open \"%s\"."})
        translator.Translate(QString::fromLatin1(text));
    for (const char* caption : {"&Open", "E&xit", "Save &As...", "&&Copy"})
        translator.TranslateCaption(QString::fromLatin1(caption));
    return 0;
}
