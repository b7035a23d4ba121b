#pragma once
// Driving the program's windows from a test on the test's own thread.
#include <windows.h>

#include <string>
#include <vector>

namespace korvane::testing {

// Answers every message box this thread shows, as soon as it is activated,
// with `answer` (IDYES, IDNO, IDOK), and keeps what each box said.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(int answer);
  ~MessageBoxAnswerer();
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  struct Shown {
    std::wstring caption, text;
  };
  const std::vector<Shown>& Boxes() const { return boxes_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam);
  HHOOK hook_;
  int answer_;
  std::vector<Shown> boxes_;
};

// Dispatches what is waiting in this thread's queue, without waiting.
void PumpMessages();

// Counts the scans a main window makes, by the wait text each shows in its
// status bar, for as long as it lives.
class ScanCounter {
 public:
  explicit ScanCounter(HWND status_bar);
  ~ScanCounter();
  ScanCounter(const ScanCounter&) = delete;
  ScanCounter& operator=(const ScanCounter&) = delete;
  int Scans() const { return scans_; }

 private:
  static LRESULT CALLBACK Count(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                DWORD_PTR self);
  HWND status_bar_;
  int scans_ = 0;
};

// A menu item's caption as the user reads it: no "&", no accelerator text.
std::wstring MenuCaption(HMENU menu, UINT position);
// Every caption of a menu, "-" for separators.
std::vector<std::wstring> MenuCaptions(HMENU menu);
bool MenuItemEnabled(HMENU menu, UINT id);

}  // namespace korvane::testing
