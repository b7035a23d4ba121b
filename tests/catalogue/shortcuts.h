#pragma once
// Shortcuts with every field set, made and read on either backend: through
// the memory world natively, through the shell's own link object under Wine.
#include <cstdint>
#include <string>
#include <utility>

#include <ostream>

#include "platform/shell.h"
#include "platform/text.h"

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <stdexcept>

#include "platform/win32/handles.h"
#else
#include "platform/memory/arrange.h"
#endif

namespace korvane::test {

struct Shortcut {
  std::wstring target, arguments, working_directory, icon_location;
  int icon_index = 0;
  uint16_t hot_key = 0;
  ShowCommand show = ShowCommand::Normal;
  bool operator==(const Shortcut&) const = default;
  friend void PrintTo(const Shortcut& s, std::ostream* out) {
    *out << ToUtf8(s.target) << " | " << ToUtf8(s.arguments) << " | " << ToUtf8(s.working_directory)
         << " | " << ToUtf8(s.icon_location) << "," << s.icon_index << " | " << s.hot_key << " | "
         << static_cast<int>(s.show);
  }
};

inline Shortcut LinkTo(std::wstring target, std::wstring arguments = {},
                       std::wstring working_directory = {}) {
  Shortcut s;
  s.target = std::move(target);
  s.arguments = std::move(arguments);
  s.working_directory = std::move(working_directory);
  return s;
}

// Makes the folders on the way.
inline void PutShortcut(const std::wstring& file, const Shortcut& s) {
#ifdef _WIN32
  std::filesystem::create_directories(std::filesystem::path(file).parent_path());
  win32::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.put_void()))) {
    throw std::runtime_error("no shell link object");
  }
  link->SetPath(s.target.c_str());
  link->SetArguments(s.arguments.c_str());
  link->SetWorkingDirectory(s.working_directory.c_str());
  link->SetIconLocation(s.icon_location.c_str(), s.icon_index);
  link->SetHotkey(s.hot_key);
  link->SetShowCmd(s.show == ShowCommand::Maximized   ? SW_SHOWMAXIMIZED
                   : s.show == ShowCommand::Minimized ? SW_SHOWMINIMIZED
                                                      : SW_SHOWNORMAL);
  win32::ComPtr<IPersistFile> persist = link.As<IPersistFile>(IID_IPersistFile);
  if (!persist || FAILED(persist->Save(file.c_str(), TRUE))) {
    throw std::runtime_error("shortcut not saved");
  }
#else
  memory::ShortcutData d;
  d.path = s.target;
  d.arguments = s.arguments;
  d.working_directory = s.working_directory;
  d.icon_location = s.icon_location;
  d.icon_index = s.icon_index;
  d.hot_key = s.hot_key;
  d.show_cmd = s.show;
  memory::PutShortcut(file, d);
#endif
}

// The fields as the program reads them; an empty target when it is no shortcut.
inline Shortcut ReadShortcut(const std::wstring& file) {
  TLMDShellLink link;
  if (!link.LoadShellLink(file, 0)) return {};
  return {link.Path,      link.Arguments, link.WorkingDirectory, link.IconLocation,
          link.IconIndex, link.HotKey,    link.ShowCmd};
}

}  // namespace korvane::test
