// SPDX-License-Identifier: GPL-2.0-or-later
// GLib allocates its first block of quark names in its library constructor and never frees it when
// the table grows (readers take no lock); GStreamer registers enough quarks to grow it. The
// suppression for allocations made in library constructors (tests/lsan.supp) can only match when
// LeakSanitizer unwinds through GLib, which has no frame pointers: hence full unwinding here.
extern "C" const char* __lsan_default_options() {
    return "fast_unwind_on_malloc=0";
}
