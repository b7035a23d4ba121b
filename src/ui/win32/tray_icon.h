#pragma once
// The icon in the notification area, its menu and its balloons.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "gui/form.h"

namespace korvane {

enum class BalloonIcon { None, Info, Warning, Error };

// The icon's messages come to a hidden window of its own.
class TCoolTrayIcon : public TForm {
 public:
  static constexpr UINT kIconMessage = WM_USER + 1024;

  // `menu` opens on a right button press; its default item runs on a left
  // double-click. Menu commands go to `on_command`.
  TCoolTrayIcon(HMENU menu, std::function<void(UINT)> on_command);
  ~TCoolTrayIcon() override;

  // Adds the icon; false when the shell refused it.
  bool ShowIcon();
  void HideIcon();
  bool Visible() const { return visible_; }

  // Replaces any balloon now shown. False when the shell refused it.
  bool ShowBalloonHint(const std::wstring& title, const std::wstring& text, BalloonIcon icon,
                       int timeout_seconds);

  std::function<void()> OnBalloonHintClick;

  // The shell's broadcast after the taskbar was re-created.
  static UINT TaskbarCreatedMessage();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  NOTIFYICONDATAW IconData(UINT flags) const;
  void PopupMenuAtCursor();
  HMENU menu_;
  std::function<void(UINT)> on_command_;
  bool visible_ = false;
};

}  // namespace korvane
