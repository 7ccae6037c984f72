#include "document/song.h"

#include <gtest/gtest.h>

using namespace lyrimo;

TEST(SongModel, Placeholder) {
    tLyrimoData song;
    EXPECT_EQ(song.PartCount(), 1);
}
