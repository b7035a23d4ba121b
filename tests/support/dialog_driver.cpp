#include "support/dialog_driver.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <algorithm>

namespace korvane::testing {

namespace {

DialogDriver* current = nullptr;
constexpr UINT kTickMs = 30;
constexpr int kGiveUpTicks = 60000 / kTickMs;
constexpr int kLingerTicks = 1500 / kTickMs;

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

struct Search {
  const wchar_t* window_class;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (IsWindowVisible(window) && std::wstring(name) == search->window_class) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The first visible top-level window of this thread with the class.
HWND FindThreadWindow(const wchar_t* window_class) {
  Search search = {window_class, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ChooserNameBox(HWND chooser) {
  HWND box = GetDlgItem(chooser, cmb13);
  return box ? box : GetDlgItem(chooser, edt1);
}

}  // namespace

DialogDriver::DialogDriver(const wchar_t* dialog_class, std::vector<Step> steps)
    : class_(dialog_class), steps_(std::move(steps)) {
  if (current) ADD_FAILURE() << "one dialog driver at a time";
  current = this;
  timer_ = SetTimer(nullptr, 0, kTickMs, Tick);
}

DialogDriver::~DialogDriver() {
  KillTimer(nullptr, timer_);
  current = nullptr;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (current) current->OnTick();
}

bool DialogDriver::AnswerCommonDialog() {
  HWND box = FindThreadWindow(L"#32770");
  if (!box) {
    chooser_ = nullptr;  // the next chooser is a new one, whatever its handle
    return false;
  }
  if (HWND name_box = ChooserNameBox(box)) {
    if (box != chooser_) {
      chooser_ = box;
      ++choosers_shown_;
      typing_.clear();
      if (!choosers_.empty()) {
        typing_ = std::move(choosers_.front());
        choosers_.pop_front();
      }
      std::reverse(typing_.begin(), typing_.end());
    }
    if (typing_.empty()) {
      PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    } else {
      SetWindowTextW(name_box, typing_.back().c_str());
      typing_.pop_back();
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return true;
  }
  if (std::find(answered_.begin(), answered_.end(), box) == answered_.end()) {
    answered_.push_back(box);
    boxes_.push_back({WindowText(box), WindowText(GetDlgItem(box, 0xFFFF))});
    const size_t n = std::min(boxes_.size(), box_answers_.size()) - 1;
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(box_answers_[n]), 0);
  }
  return true;
}

void DialogDriver::OnTick() {
  HWND dialog = FindThreadWindow(class_.c_str());
  if (++ticks_ > kGiveUpTicks) {
    left_open_ = true;
    if (HWND box = FindThreadWindow(L"#32770")) PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    if (dialog) PostMessageW(dialog, WM_CLOSE, 0, 0);
    return;
  }
  if (AnswerCommonDialog() || !dialog || !IsWindowEnabled(dialog)) return;
  if (next_step_ < steps_.size()) {
    steps_[next_step_++](dialog);
    return;
  }
  if (++idle_ticks_ > kLingerTicks) {
    left_open_ = true;
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  }
}

void Click(HWND dialog, UINT id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, static_cast<int>(id))));
}

void Press(HWND dialog, UINT id) {
  HWND button = GetDlgItem(dialog, static_cast<int>(id));
  // Wine's buttons never return from a click while disabled; a user can't
  // click them at all.
  if (!IsWindowEnabled(button)) {
    ADD_FAILURE() << "control " << id << " is disabled";
    return;
  }
  SendMessageW(button, BM_CLICK, 0, 0);
}

void PressKey(HWND dialog, UINT id, WPARAM key) {
  HWND control = GetDlgItem(dialog, static_cast<int>(id));
  SetFocus(control);
  PostMessageW(control, WM_KEYDOWN, key, 1);
  PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}

void SetText(HWND dialog, UINT id, const std::wstring& text) {
  SetDlgItemTextW(dialog, static_cast<int>(id), text.c_str());
}

std::wstring Text(HWND dialog, UINT id) {
  return WindowText(GetDlgItem(dialog, static_cast<int>(id)));
}

bool Enabled(HWND dialog, UINT id) {
  return IsWindowEnabled(GetDlgItem(dialog, static_cast<int>(id))) != FALSE;
}

bool Checked(HWND dialog, UINT id) {
  return IsDlgButtonChecked(dialog, static_cast<int>(id)) == BST_CHECKED;
}

}  // namespace korvane::testing
