// Leaks inside system libraries that Kivu does not own (font and display caches kept until exit), for
// LeakSanitizer in every test program however it is started. tests/lsan.supp lists the same for
// programs that are not tests.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libQt6\n"
         "leak:libdbus\n"
         "leak:libwayland-client\n";
}
