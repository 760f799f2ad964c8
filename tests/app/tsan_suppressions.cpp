// Qt is not built with ThreadSanitizer: its own locks and atomics are
// invisible to it, so what Qt allocates in one thread and frees in another
// looks unordered. Interceptions from Qt's libraries are left out; our
// code's handovers go through std::mutex and stay checked.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n"
         "called_from_lib:libqoffscreen.so\n";
}
#endif
