#pragma once
// Work that must not hold a window: it runs on a thread of its own while the
// window's thread goes on answering messages.
#include <windows.h>

#include <functional>

namespace korvane {

// Runs `work` on a thread of its own (with COM ready) and answers this
// thread's messages meanwhile, the accelerators of `window` translated;
// returns once the work has ended. A quit request that comes meanwhile is
// posted again for the loop outside. Where no thread can be made, the work
// runs here.
void RunBesideMessages(const std::function<void()>& work, HWND window, HACCEL accelerators);

}  // namespace korvane
