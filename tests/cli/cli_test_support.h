// What the tests of lyrimo-cli's commands share: a fresh folder per test and a command's printed
// output.
#pragma once

#include "test_support.h"

#include <QDir>
#include <QString>

#include <gtest/gtest.h>

#include <functional>

namespace lyrimo::test {

// What the command printed on standard output; what it said on standard error is dropped. rc
// is its exit code.
inline QString CapturedOutput(int& rc, const std::function<int()>& run) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    rc = run();
    testing::internal::GetCapturedStderr();
    return QString::fromStdString(testing::internal::GetCapturedStdout());
}

// A test with a folder of its own, named after what it holds.
class tFolderTest : public ::testing::Test {
protected:
    explicit tFolderTest(const char* name) : name_(name) {}
    void SetUp() override {
        static int runs = 0;
        folder_ = ScratchFolder() + "/" + name_ + "-" + QString::number(++runs);
        ASSERT_TRUE(QDir().mkpath(folder_));
    }

    QString folder_;

private:
    const char* name_;
};

} // namespace lyrimo::test
