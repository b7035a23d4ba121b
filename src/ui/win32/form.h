#pragma once
// What every window of the program shares: a window class per form, the
// error box that keeps exceptions out of window procedures, DPI scaling,
// owners for the GDI and user objects the forms keep, and showing a form modally.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/win32/handles.h"

namespace korvane {

// Owners of the user-interface objects a form keeps for its lifetime.
namespace detail {
inline void FreeDc(HDC dc) {
  DeleteDC(dc);
}
inline void FreeAccelerators(HACCEL table) {
  DestroyAcceleratorTable(table);
}
inline void FreeImageList(HIMAGELIST images) {
  ImageList_Destroy(images);
}
}  // namespace detail
using UniqueGdiObject = win32::GdiObject;
using UniqueFont = win32::Unique<HFONT, win32::detail::FreeGdiObject>;
using UniqueBitmap = win32::Unique<HBITMAP, win32::detail::FreeGdiObject>;
using UniqueDc = win32::Unique<HDC, detail::FreeDc>;
using UniqueMenu = win32::Menu;
using UniqueAccelerators = win32::Unique<HACCEL, detail::FreeAccelerators>;
using UniqueImageList = win32::Unique<HIMAGELIST, detail::FreeImageList>;

// A size given at 96 DPI, scaled to the screen's DPI.
int Scale(int size_at_96dpi);

// The standard error box: caption "Korvane", the error's text.
void ShowErrorBox(HWND owner, const std::wstring& text);
// Runs `action`; an exception ends it and is shown in the error box.
void Guarded(HWND owner, const std::function<void()>& action);

// The program's font for dialogs and lists: "MS Sans Serif", 8 point.
HFONT FormFont();
// The application's icon (resource MAINICON), or the system's default one.
HICON ApplicationIcon(bool small_icon);

// A top-level window with its own class. Derived forms handle messages in
// HandleMessage; the window procedure catches every exception.
class TForm {
 public:
  TForm() = default;
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  HWND Handle() const { return handle_; }

  // Shows the form over `owner`, with the owner disabled, until EndModal.
  // Returns the value given to EndModal.
  int ShowModal(HWND owner);
  void EndModal(int result);
  bool InModal() const { return in_modal_; }

 protected:
  // Creates the window of class `class_name` (registered on first use).
  void CreateForm(const wchar_t* class_name, const std::wstring& caption, DWORD style,
                  DWORD ex_style, int width, int height, HWND owner);
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // Called when ShowModal is about to show the form.
  virtual void BeforeShowModal() {}

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HWND handle_ = nullptr;
  bool in_modal_ = false;
  int modal_result_ = 0;
};

// A form whose contents come later: created hidden, shown modally, closed
// by its close box.
class TEmptyDialogForm : public TForm {
 public:
  TEmptyDialogForm(const wchar_t* class_name, const std::wstring& caption);
};

}  // namespace korvane
