#pragma once
// The form base every window of the program stands on: a window class per
// form, a window procedure that lets no exception out, and the modal loop.
#include <windows.h>

#include <string>

namespace korvane {

// The application's icon (resource MAINICON), or the system's default one,
// at the system's size for a large or a small icon.
HICON ApplicationIcon(bool small_icon);

// A top-level window with its own class. Derived forms handle messages in
// HandleMessage; the window procedure catches every exception (timers
// included, as their ticks come as WM_TIMER) and shows it in the error box.
class TForm {
 public:
  TForm() = default;
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  HWND Handle() const { return handle_; }

  // Shows the form over `owner`, with the owner disabled, until EndModal.
  // The form is placed on its owner and kept whole on the owner's monitor.
  // Returns the value given to EndModal (IDCANCEL when closed otherwise).
  int ShowModal(HWND owner);
  void EndModal(int result);
  bool InModal() const { return in_modal_; }

 protected:
  // Set before CreateForm by a window that scales itself when it moves to
  // a monitor of another DPI (WM_DPICHANGED); the others are system-aware.
  bool ScalesPerMonitor = false;
  // Creates the window of class `class_name` (registered on first use).
  void CreateForm(const wchar_t* class_name, const std::wstring& caption, DWORD style,
                  DWORD ex_style, int width, int height, HWND owner);
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HWND handle_ = nullptr;
  bool in_modal_ = false;
  int modal_result_ = 0;
};

// A dialog whose contents come later: an empty modal window with a caption,
// closed by its close box.
int ShowEmptyDialog(HWND owner, const wchar_t* class_name, const std::wstring& caption);

}  // namespace korvane
