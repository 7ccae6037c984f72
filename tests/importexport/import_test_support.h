// A fresh headless user interface per test, and small helpers for reading imported songs.
#pragma once

#include "app/app_services.h"
#include "document/song.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

#include <vector>

namespace lyrimo::test {

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui.printMessages = false;
        SetApp(&ui);
    }
    void TearDown() override { SetApp(nullptr); }

    // Writes bytes to a file of the scratch folder and returns its path.
    static QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = ScratchFolder() + "/" + name;
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }

    tHeadlessServices ui;
};

using tTimings = std::vector<std::pair<int, int>>; // (position, delta)

inline tTimings TimingsOf(const tTimingsLineType& line) {
    tTimings timings;
    for (const tTimingRecord& t : line.Timings())
        timings.emplace_back(t.Position(), t.Delta());
    return timings;
}

inline QStringList LineTexts(const tLyricsData& part) {
    QStringList texts;
    for (int l = 0; l < part.LineCount(); ++l)
        texts << part.GetLine(l)->WideText();
    return texts;
}

} // namespace lyrimo::test
