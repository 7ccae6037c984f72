// Entry point of the external player's tests: they run on a session bus of their own, never on
// the user's. Unless already on one, the program runs itself again under dbus-run-session.
#include "test_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kPrivateBusVariable = "LYRIMO_PRIVATE_SESSION_BUS";

void RunOnPrivateBus(int argc, char** argv) {
    ::setenv(kPrivateBusVariable, "1", 1);
    std::vector<char*> command = {const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    command.insert(command.end(), argv, argv + argc);
    command.push_back(nullptr);
    ::execvp(command[0], command.data());
    // No dbus-run-session: no bus at all, so that nothing reaches the user's.
    ::setenv(kPrivateBusVariable, "missing", 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/lyrimo-no-bus", 1);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv(kPrivateBusVariable))
        RunOnPrivateBus(argc, argv);
    lyrimo::test::IsolateEnvironment();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
