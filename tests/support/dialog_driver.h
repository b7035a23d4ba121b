#pragma once
// Plays the user at a modal dialog of the test's own thread, by control id:
// the dialog's modal loop dispatches a timer of ours, which runs one step
// at a time while the dialog is the window in front, and answers the file
// choosers and message boxes that open over it.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace korvane::testing {

class DialogDriver {
 public:
  using Step = std::function<void(HWND dialog)>;
  // Drives the first visible window of `dialog_class` with `steps`. When the
  // steps are done and the dialog is still open a while later, or after
  // 60 seconds in all, the dialog is closed and `LeftOpen()` says so.
  DialogDriver(const wchar_t* dialog_class, std::vector<Step> steps);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // The next file chooser gets these texts typed into its name box, each
  // confirmed with OK (a folder's path opens that folder); none: Cancel.
  void AnswerChooser(std::vector<std::wstring> typed) { choosers_.push_back(std::move(typed)); }
  // How message boxes are answered, one answer each (IDOK, IDYES, IDNO);
  // the last answer stands for every later box.
  void AnswerBoxes(std::vector<int> answers) { box_answers_ = std::move(answers); }

  struct Box {
    std::wstring caption, text;
  };
  const std::vector<Box>& Boxes() const { return boxes_; }
  int ChoosersShown() const { return choosers_shown_; }
  bool LeftOpen() const { return left_open_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();
  bool AnswerCommonDialog();

  std::wstring class_;
  std::vector<Step> steps_;
  size_t next_step_ = 0;
  std::deque<std::vector<std::wstring>> choosers_;
  std::vector<std::wstring> typing_;
  HWND chooser_ = nullptr;
  int choosers_shown_ = 0;
  std::vector<int> box_answers_ = {IDOK};
  std::vector<Box> boxes_;
  std::vector<HWND> answered_;
  int idle_ticks_ = 0;
  int ticks_ = 0;
  bool left_open_ = false;
  UINT_PTR timer_ = 0;
};

// Clicks a button of a dialog without waiting for what the click opens.
void Click(HWND dialog, UINT id);
// Clicks a check box or radio button as the mouse does, at once.
void Press(HWND dialog, UINT id);
// A key pressed in a control, as the dialog's loop sees it.
void PressKey(HWND dialog, UINT id, WPARAM key);
// Sets a control's text (an edit's change notification runs at once).
void SetText(HWND dialog, UINT id, const std::wstring& text);
std::wstring Text(HWND dialog, UINT id);
bool Enabled(HWND dialog, UINT id);
bool Checked(HWND dialog, UINT id);

}  // namespace korvane::testing
