// SPDX-License-Identifier: GPL-2.0-or-later
// The main of the tests of the main window and its handlers: the program's own application object, so
// that errors escaping event handling reach the error box as they do in the program.

#include "app/TApplication.h"
#include "tests/support/TestServers.h"

#include <gmock/gmock.h>

#ifdef __SANITIZE_ADDRESS__
// The application object brings up GStreamer, whose quarks outgrow GLib's first quark block, which
// GLib then drops on purpose. Only a full unwind shows that the block came from GLib's constructor,
// where the leak suppressions can recognise it.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
#endif

int main(int argc, char** argv) {
    EnsureTestServers();
    TApplication::PrepareAttributes();
    TApplication application(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
