// Leak-checker suppressions for the GUI tests.
//
// Mesa's software driver keeps the selection-mode buffers of a context that
// picked (see tests/render/lsan_suppressions.cpp). Under a Qt application two
// more system libraries keep what they allocated for the whole process:
// fontconfig its font-pattern cache (freed only by FcFini, which Qt does not
// call) and libdbus the connection Qt's platform theme opens. All three are
// excluded by module; whatever the program allocates itself is still checked.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:swrast_dri.so\nleak:libfontconfig.so\nleak:libdbus-1.so\n";
}
