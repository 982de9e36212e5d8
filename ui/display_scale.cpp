#include "ui/display_scale.h"

#include <windows.h>

#include <atomic>

#include "framework/gdi.h"

namespace {

// 0 until the first call has read the screen. Any thread may ask (the bars paint on the worker's);
// a race only reads the same value twice.
std::atomic<int> g_systemDpi{0};

int ReadScreenDpi() {
  ScopedWindowDC screen(nullptr);
  return screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
}

}  // namespace

DisplayScale SystemDisplayScale() {
  int dpi = g_systemDpi.load();
  if (dpi <= 0) {
    dpi = DisplayScale(ReadScreenDpi()).Dpi();
    g_systemDpi.store(dpi);
  }
  return DisplayScale(dpi);
}
