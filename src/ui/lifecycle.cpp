#include "ui/lifecycle.h"

#include "platform/text.h"

namespace korvane {

const wchar_t kExitQuestion[] = L"Are you really want to close Korvane?";
const wchar_t kExitQuestionCaption[] = L"Please, confirm exit";

CloseAction CloseQuery(bool& exit_requested, const AppSettings& settings) {
  if (exit_requested) {
    if (settings.confirm_exit) return CloseAction::Ask;
    exit_requested = false;
    return CloseAction::Close;
  }
  if (settings.close_to_tray) return CloseAction::Minimise;
  return settings.confirm_exit ? CloseAction::Ask : CloseAction::Close;
}

bool CloseAfterAnswer(bool answered_yes, bool& exit_requested) {
  if (!answered_yes) exit_requested = false;
  return answered_yes;
}

std::wstring InstanceMarkerName(const std::wstring& executable_path) {
  return AsciiUpper(ExtractFileName(executable_path));
}

namespace {

std::wstring CutText(const std::wstring& text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t length = limit;
  if constexpr (sizeof(wchar_t) == 2) {
    const wchar_t last = text[length - 1];
    if (last >= 0xD800 && last <= 0xDBFF) --length;  // keep the pair whole
  }
  return text.substr(0, length);
}

}  // namespace

std::wstring BalloonTitle(const std::wstring& title) {
  return CutText(title, 63);
}
std::wstring BalloonText(const std::wstring& text) {
  return CutText(text, 255);
}

}  // namespace korvane
