// Leak-checker suppressions for the rendering tests.
//
// Mesa's software driver (swrast_dri.so, Debian's Mesa 22.3) does not free
// the buffers of its selection-mode pipeline when a context that has picked
// is destroyed: about 1 MB in two blocks per context, allocated and owned
// wholly inside the driver. Only that module is excluded; whether the engine
// releases its own GL objects is checked by the tests themselves
// (glIsList after a tree goes).
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }
