#include "app/gui/KeyboardLocks.h"

#include <QGuiApplication>

#ifdef KORVEX_HAVE_X11
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace korvex::gui {

std::optional<KeyboardLocks> ReadKeyboardLocks() {
#ifdef KORVEX_HAVE_X11
  auto* x11 = qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 == nullptr ? nullptr : x11->display();
  if (display == nullptr) return std::nullopt;
  const auto lit = [display](const char* name) {
    Bool on = False;
    Bool real = False;
    int index = 0;
    XkbIndicatorMapRec map{};
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None) return false;  // the keymap has no such indicator
    if (!XkbGetNamedIndicator(display, atom, &index, &on, &map, &real)) return false;
    return on == True;
  };
  KeyboardLocks locks;
  locks.kana = lit("Kana");
  locks.caps = lit("Caps Lock");
  locks.num = lit("Num Lock");
  locks.scroll = lit("Scroll Lock");
  return locks;
#else
  return std::nullopt;
#endif
}

}  // namespace korvex::gui
