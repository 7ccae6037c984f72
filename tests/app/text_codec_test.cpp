#include "app/text_codec.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <thread>
#include <vector>

using namespace lyrimo;

namespace {

// A converter opened for this one text, as a reference; empty unless all of it converts.
QByteArray FreshConversion(const char* to, const char* from, const QByteArray& src) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    QByteArray out(src.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(src.constData());
    size_t inLeft = static_cast<size_t>(src.size());
    char* outPtr = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1))
        return {};
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

QString FreshDecode(const QByteArray& bytes, const char* codePage) {
    const QByteArray utf16 = FreshConversion("UTF-16LE", codePage, bytes);
    return QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2);
}

// More code pages than a thread keeps open at once.
const char* const kCodePages[] = {
    "WINDOWS-1250", "WINDOWS-1251", "WINDOWS-1252", "WINDOWS-1253", "WINDOWS-1254", "WINDOWS-1255",
    "WINDOWS-1256", "ISO-8859-13",  "WINDOWS-1258", "ISO-8859-1",   "ISO-8859-2",   "ISO-8859-5",
    "ISO-8859-7",   "KOI8-R",       "IBM852",       "IBM866",       "CP874",        "CP932",
    "CP936",        "CP949",        "CP950",
};

// Letters in every one of them; a pair of characters in the double-byte ones.
const QByteArray kHighBytes = "Ab\xB0\xA1 z";

} // namespace

TEST(TextCodec, UnconvertibleTextIsReplacedAndUnknownCodePagesGiveNothing) {
    EXPECT_EQ(DecodeText("a\xFFz", "UTF-8"), QString("a") + QChar(0xFFFD) + "z");
    EXPECT_EQ(EncodeText(QString::fromUtf8("a日b"), "WINDOWS-1250"), "a?b");
    EXPECT_EQ(EncodeText(QString::fromUtf8("Dvořák"), "WINDOWS-1250"), "Dvo\xF8\xE1k");
    // Failing twice: a code page that cannot be opened is not remembered as if it could.
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(DecodeText("abc", "NO-SUCH-CODE-PAGE").isEmpty());
        EXPECT_TRUE(EncodeText("abc", "NO-SUCH-CODE-PAGE").isEmpty());
    }
}

// A text that leaves a converter in a shift state, or stops it at a bad byte, must not change
// how the next text converts.
TEST(TextCodec, EveryTextConvertsAsWithAConverterOfItsOwn) {
    const QString japanese = QString::fromUtf8("日本");
    const QByteArray first = EncodeText(japanese, "ISO-2022-JP");
    ASSERT_TRUE(first.startsWith("\x1B$B")) << first.toHex().constData();
    EXPECT_EQ(EncodeText(japanese, "ISO-2022-JP"), first);
    EXPECT_EQ(DecodeText("abc", "ISO-2022-JP"), "abc");

    EXPECT_EQ(DecodeText("\xE6\x97", "UTF-8"), QString(2, QChar(0xFFFD)));
    EXPECT_EQ(DecodeText("ok", "UTF-8"), "ok");
}

TEST(TextCodec, ManyCodePagesInTurnEachConvertAsAFreshConverterDoes) {
    for (int round = 0; round < 3; ++round) {
        for (const char* codePage : kCodePages) {
            const QString expected = FreshDecode(kHighBytes, codePage);
            ASSERT_FALSE(expected.isEmpty()) << codePage;
            EXPECT_EQ(DecodeText(kHighBytes, codePage), expected) << codePage << " round " << round;
        }
    }
}

TEST(TextCodec, ThreadsConvertAtTheSameTime) {
    const QString text = QString::fromUtf8("Příliš žluťoučký kůň");
    const QByteArray centralEuropean = EncodeText(text, "WINDOWS-1250");
    const QByteArray latin2 = EncodeText(text, "ISO-8859-2");
    ASSERT_NE(centralEuropean, latin2);
    auto convert = [&](const char* codePage, const QByteArray& expected, bool& allRight) {
        allRight = true;
        for (int i = 0; i < 2000 && allRight; ++i)
            allRight = EncodeText(text, codePage) == expected && DecodeText(expected, codePage) == text;
    };
    bool firstRight = false, secondRight = false;
    std::thread first(convert, "WINDOWS-1250", std::cref(centralEuropean), std::ref(firstRight));
    std::thread second(convert, "ISO-8859-2", std::cref(latin2), std::ref(secondRight));
    first.join();
    second.join();
    EXPECT_TRUE(firstRight);
    EXPECT_TRUE(secondRight);
}
