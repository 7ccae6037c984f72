#include "app/text_codec.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <thread>

using namespace lyrimo;

namespace {

// The text decoded by a converter opened for it alone; empty unless all of it converts.
QString FreshDecode(const QByteArray& bytes, const char* codePage) {
    iconv_t cd = iconv_open("UTF-16LE", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    char16_t out[64];
    char* in = const_cast<char*>(bytes.constData());
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = static_cast<size_t>(bytes.size()), outLeft = sizeof out;
    const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1))
        return {};
    return QString::fromUtf16(out, static_cast<qsizetype>((sizeof out - outLeft) / 2));
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
    auto convertOften = [&text](const char* codePage, bool& allRight) {
        const QByteArray expected = EncodeText(text, codePage);
        allRight = !expected.isEmpty();
        for (int i = 0; i < 2000 && allRight; ++i)
            allRight = EncodeText(text, codePage) == expected && DecodeText(expected, codePage) == text;
    };
    bool firstRight = false, secondRight = false;
    std::thread first(convertOften, "WINDOWS-1250", std::ref(firstRight));
    std::thread second(convertOften, "ISO-8859-2", std::ref(secondRight));
    first.join();
    second.join();
    EXPECT_TRUE(firstRight);
    EXPECT_TRUE(secondRight);
}
