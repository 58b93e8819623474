// The main of the window tests: the program's own application object, so that errors escaping
// event handling reach the error box as they do in the program.

#include "app/TApplication.h"
#include "tests/support/TestServers.h"

#include <gmock/gmock.h>

int main(int argc, char** argv) {
    EnsureTestServers();
    TApplication::PrepareAttributes();
    TApplication application(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
