#pragma once
// Profile (ini) files: win.ini and .url files. Section and key names match
// without regard to case. Values are read whole, however long.
#include <string>

namespace korvane {

class TIniFile {
 public:
  explicit TIniFile(std::wstring file_name) : file_name_(std::move(file_name)) {}
  const std::wstring& FileName() const { return file_name_; }

  // The value; `default_value` when the file or the key is missing, or when
  // the file cannot be read.
  std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                          const std::wstring& default_value);
  // The value that a change will be written over: empty when the file or the
  // key is missing. Throws PlatformError naming the file when the file cannot
  // be read, so that what was never read is never written back.
  std::wstring ReadStringForUpdate(const std::wstring& section, const std::wstring& key);
  // Throws PlatformError naming the file when the write fails.
  void WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);

 private:
  std::wstring file_name_;
};

// The Windows directory's win.ini: the directory, a backslash unless it ends
// in one, and "win.ini".
std::wstring WinIniPath();

}  // namespace korvane
