// The main of the controller tests: the program's own application object, so that errors escaping a
// handler reach the same error box as in the program.

#include "app/TApplication.h"
#include "tests/support/TestServers.h"

#include <gmock/gmock.h>

#ifdef __SANITIZE_ADDRESS__
// GLib drops its first quark block on purpose once GStreamer's quarks outgrow it; only a full unwind
// lets the leak suppressions see that the block came from GLib's constructor.
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
