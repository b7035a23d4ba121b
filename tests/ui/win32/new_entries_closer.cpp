// The main window's tests act on startup entries that the refresh cycle
// reports as new: the new entries dialog is closed by its close box as soon
// as it becomes active, so that no test waits on it.
#include "ui/win32/new_entries_closer.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

bool closing = true;

LRESULT CALLBACK CloseNewEntries(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && closing) {
    auto window = reinterpret_cast<HWND>(wparam);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, L"TNewEntriesForm") == 0) PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

class NewEntriesCloser : public testing::Environment {
 public:
  void SetUp() override {
    hook_ = SetWindowsHookExW(WH_CBT, CloseNewEntries, nullptr, GetCurrentThreadId());
  }
  void TearDown() override { UnhookWindowsHookEx(hook_); }

 private:
  HHOOK hook_ = nullptr;
};

const testing::Environment* const closer = testing::AddGlobalTestEnvironment(new NewEntriesCloser);

}  // namespace

namespace korvane::test {

KeepNewEntriesOpen::KeepNewEntriesOpen() {
  closing = false;
}
KeepNewEntriesOpen::~KeepNewEntriesOpen() {
  closing = true;
}

}  // namespace korvane::test
