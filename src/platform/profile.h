#pragma once
// Profile (ini) files: win.ini and .url files. Section and key names match
// without regard to case. Values are read whole, however long.
#include <string>

namespace korvane {

class TIniFile {
 public:
  explicit TIniFile(std::wstring file_name) : file_name_(std::move(file_name)) {}
  const std::wstring& FileName() const { return file_name_; }

  std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                          const std::wstring& default_value);
  // Throws PlatformError naming the file when the write fails.
  void WriteString(const std::wstring& section, const std::wstring& key,
                   const std::wstring& value);

 private:
  std::wstring file_name_;
};

// The Windows directory's win.ini: the directory, a backslash unless it ends
// in one, and "win.ini".
std::wstring WinIniPath();

}  // namespace korvane
