// Golden pictures: drawn results compared pixel for pixel with pictures kept under tests/data.
// Running the tests with LYRIMO_UPDATE_GOLDEN=1 rewrites the kept pictures instead (on purpose only).
#pragma once

#include "picture/bitmap.h"
#include "picture/bitmap_png.h"
#include "test_support.h"

#include <QDir>
#include <QString>

#include <gtest/gtest.h>

namespace lyrimo::test {

// A folder below tests/data: where ctest says it is, else the source tree's (the target defines
// LYRIMO_SOURCE_TEST_DATA).
inline QString TestDataFolder(const QString& sub) {
    const QByteArray fromEnvironment = qgetenv("LYRIMO_TEST_DATA");
    const QString data =
        fromEnvironment.isEmpty() ? QStringLiteral(LYRIMO_SOURCE_TEST_DATA) : QString(fromEnvironment);
    return data + "/" + sub;
}

// Pixels that differ; -1 when the sizes differ.
inline int DifferentPixels(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return -1;
    int different = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x)
            different += a.Pixel(x, y) != b.Pixel(x, y);
    }
    return different;
}

// Compares drawn with folder/name (or rewrites it); a differing picture is kept in the scratch
// folder for a person to look at.
inline void ExpectMatchesGolden(const Bitmap& drawn, const QString& folder, const QString& name) {
    const QString path = folder + "/" + name;
    if (qEnvironmentVariableIsSet("LYRIMO_UPDATE_GOLDEN")) {
        QDir().mkpath(folder);
        ASSERT_TRUE(SavePng(drawn, path)) << qPrintable(path);
        return;
    }
    Bitmap expected;
    ASSERT_TRUE(LoadPng(path, expected))
        << "missing " << qPrintable(path) << " (run with LYRIMO_UPDATE_GOLDEN=1 to make it)";
    const int different = DifferentPixels(drawn, expected);
    if (different != 0) {
        const QString actual = ScratchFolder() + "/" + name;
        SavePng(drawn, actual);
        ADD_FAILURE() << name.toStdString() << ": " << different
                      << " pixels differ (-1: the size); drawn picture kept at " << qPrintable(actual);
    }
}

} // namespace lyrimo::test
