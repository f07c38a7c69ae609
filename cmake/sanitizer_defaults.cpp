// Defaults of the sanitizers for every program of a sanitized build, so that a
// test, a fuzz target or Orbek started by hand behaves as under CI. The
// environment (ASAN_OPTIONS, UBSAN_OPTIONS) still overrides them.
//
// There are no leak suppressions: Qt and the system libraries are not
// instrumented, but none of them has shown a finding here. Should one ever
// need suppressing, name only that library's own function, never a frame of
// ours and never a whole library that calls into our code.

extern "C" {

const char* __asan_default_options() {
    return "detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1";
}

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

}  // extern "C"
