#include <windows.h>
#include "platform/win32/write_hook.h"
#include <shellapi.h>
#include <shlobj.h>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/lazy_libraries.h"
#include "platform/win32/system.h"

namespace korvane {

namespace {

uint64_t file_search_calls = 0;

DWORD LiteralAttributes(const std::wstring& path) {
  if (path.empty() || path.find_first_of(L"*?") != std::wstring::npos || !FitsPathLimit(path)) {
    return INVALID_FILE_ATTRIBUTES;
  }
  return GetFileAttributesW(path.c_str());
}

// The attributes of a path taken literally: a name with wildcards names no
// file here, whatever FindFirstFile would make of it as a pattern. A path in
// the system folder is also looked for where 64-bit programs see it.
DWORD Attributes(const std::wstring& path) {
  DWORD attributes = LiteralAttributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) return attributes;
  const std::wstring native = win32::InSixtyFourBitSystemFolder(path);
  return native.empty() ? attributes : LiteralAttributes(native);
}

}  // namespace

bool FileExists(const std::wstring& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MayChangeFolder(const std::wstring& folder) {
  if (!FitsPathLimit(folder)) return true;
  win32::FileHandle handle(CreateFileW(folder.c_str(), FILE_ADD_FILE | FILE_DELETE_CHILD,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                       nullptr));
  return handle || GetLastError() != ERROR_ACCESS_DENIED;
}

bool FolderExists(const std::wstring& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<FileStamp> ReadFileStamp(const std::wstring& path) {
  auto read = [](const std::wstring& name) -> std::optional<FileStamp> {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (name.empty() || !FitsPathLimit(name) ||
        !GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return std::nullopt;
    }
    auto join = [](DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; };
    return FileStamp{join(data.nFileSizeHigh, data.nFileSizeLow),
                     join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
  };
  if (std::optional<FileStamp> stamp = read(path)) return stamp;
  const std::wstring native = win32::InSixtyFourBitSystemFolder(path);
  return native.empty() ? std::nullopt : read(native);
}

bool AnyItemWithStem(const std::wstring& path) {
  const std::wstring stem = ExtractFileName(path);
  if (stem.empty()) return true;
  auto any_in = [&stem](const std::wstring& name) {
    if (name.empty() || name.find_first_of(L"*?") != std::wstring::npos ||
        !FitsPathLimit(name + L"*")) {
      return false;
    }
    WIN32_FIND_DATAW data;
    win32::FindHandle find(FindFirstFileW((name + L"*").c_str(), &data));
    if (!find) return false;
    do {
      if (HasStem(data.cFileName, stem) || HasStem(data.cAlternateFileName, stem)) return true;
    } while (FindNextFileW(find.get(), &data));
    return false;
  };
  if (any_in(path)) return true;
  const std::wstring native = win32::InSixtyFourBitSystemFolder(path);
  return !native.empty() && any_in(native);
}

bool RemoveFile(const std::wstring& path) {
  if (!DeleteFileW(path.c_str())) return false;
  KORVANE_WRITE_DONE();
  return true;
}

bool MoveFileTo(const std::wstring& from, const std::wstring& to) {
  // Without MOVEFILE_REPLACE_EXISTING the call fails on a file that is there.
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED)) return false;
  KORVANE_WRITE_DONE();
  return true;
}

std::vector<FolderItem> ListFolder(const std::wstring& folder) {
  std::vector<FolderItem> items;
  WIN32_FIND_DATAW data;
  win32::FindHandle find(
      FindFirstFileW((IncludeTrailingBackslash(folder) + L"*.*").c_str(), &data));
  if (!find) return items;
  do {
    items.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                     (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                     (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
  } while (FindNextFileW(find.get(), &data));
  return items;
}

std::optional<std::wstring> SearchPathFor(const std::wstring& name) {
  if (!FitsPathLimit(name)) return std::nullopt;
  ++file_search_calls;
  std::wstring path = win32::ReadGrowing([&name](wchar_t* buffer, DWORD capacity) {
    return SearchPathW(nullptr, name.c_str(), nullptr, capacity, buffer, nullptr);
  });
  if (!path.empty()) return path;
  // A program that only the 64-bit system folder holds, named by its path
  // there or by its name alone (the system folder is on every search path).
  const std::wstring in_system = ExtractFilePath(name).empty()
                                     ? IncludeTrailingBackslash(win32::SystemDirectory()) + name
                                     : name;
  if (!win32::InSixtyFourBitSystemFolder(in_system).empty() && FileExists(in_system))
    return in_system;
  return std::nullopt;
}

std::optional<std::wstring> FindExecutableFor(const std::wstring& file,
                                              const std::wstring& directory) {
  if (file.size() >= kMaxPath || directory.size() >= kMaxPath) return std::nullopt;
  ++file_search_calls;
  // FindExecutable takes no buffer size: it writes at most MAX_PATH characters
  // and no longer result can be asked of it.
  wchar_t result[MAX_PATH] = {};
  HINSTANCE code = win32::Shell().FindExecutableW(
      file.c_str(), directory.empty() ? nullptr : directory.c_str(), result);
  if (reinterpret_cast<INT_PTR>(code) <= 32) return std::nullopt;
  return std::wstring(result);
}

std::wstring ExpandEnvironment(const std::wstring& text) {
  if (text.empty()) return text;
  std::wstring expanded = win32::ReadGrowing([&text](wchar_t* buffer, DWORD capacity) {
    return ExpandEnvironmentStringsW(text.c_str(), buffer, capacity);
  });
  // A text the call refuses (longer than it takes) is left as it stands.
  return expanded.empty() ? text : expanded;
}

std::wstring WindowsDirectory() {
  return win32::ReadGrowing(
      [](wchar_t* buffer, DWORD capacity) { return GetWindowsDirectoryW(buffer, capacity); });
}

std::wstring OwnExecutablePath() {
  return win32::ReadGrowing([](wchar_t* buffer, DWORD capacity) {
    return GetModuleFileNameW(nullptr, buffer, capacity);
  });
}

std::wstring KnownStartupFolder(bool all_users) {
  // The shell's folder paths are bounded by MAX_PATH in this call's contract.
  wchar_t path[MAX_PATH] = {};
  if (FAILED(win32::Shell().SHGetFolderPathW(nullptr,
                                             all_users ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP,
                                             nullptr, SHGFP_TYPE_CURRENT, path))) {
    return {};
  }
  return path;
}

void WriteAnsiTextFile(const std::wstring& path, const std::wstring& text) {
  std::string ansi;
  if (!text.empty()) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    ansi.resize(size);
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), size,
                        nullptr, nullptr);
  }
  WriteFileBytes(path, ansi);
}

namespace {

// Writes the file whole; with `flushed`, also on the disk before it returns.
void WriteWhole(const std::wstring& path, std::string_view bytes, bool flushed) {
  const std::wstring subject = L"the file \"" + path + L"\"";
  win32::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) win32::ThrowCallError(L"CreateFileW", subject, GetLastError());
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size() || (flushed && !FlushFileBuffers(file.get()))) {
    win32::ThrowCallError(L"WriteFile", subject, GetLastError());
  }
}

}  // namespace

void WriteFileBytes(const std::wstring& path, std::string_view bytes) {
  WriteWhole(path, bytes, false);
}

namespace {

// A name beside `path` that no other writer uses at the same time: the
// window and korvanec may write the same store at once.
std::wstring TemporaryNameFor(const std::wstring& path) {
  static LONG counter = 0;
  const unsigned long n = static_cast<unsigned long>(InterlockedIncrement(&counter));
  return path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(n) + L".new";
}

// Writes the bytes flushed under a temporary name and moves that to `path`
// with `flags`. False when the move fails with ERROR_ALREADY_EXISTS or
// ERROR_FILE_EXISTS and `may_exist` is set; throws on every other failure.
bool WriteThroughTemporary(const std::wstring& path, std::string_view bytes, DWORD flags,
                           bool may_exist) {
  const std::wstring temporary = TemporaryNameFor(path);
  try {
    WriteWhole(temporary, bytes, true);
  } catch (const PlatformError&) {
    DeleteFileW(temporary.c_str());
    throw;
  }
  if (!MoveFileExW(temporary.c_str(), path.c_str(), flags)) {
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    if (may_exist && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) return false;
    win32::ThrowCallError(L"MoveFileExW", L"the file \"" + path + L"\"", error);
  }
  KORVANE_WRITE_DONE();
  return true;
}

}  // namespace

void ReplaceFileBytes(const std::wstring& path, std::string_view bytes) {
  WriteThroughTemporary(path, bytes, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, false);
}

bool CreateFileWhole(const std::wstring& path, std::string_view bytes) {
  return WriteThroughTemporary(path, bytes, MOVEFILE_WRITE_THROUGH, true);
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  win32::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
       got != bytes.size())) {
    return std::nullopt;
  }
  return bytes;
}

namespace {

uint64_t FromFileTime(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t time) {
  return {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

}  // namespace

std::optional<FileTimes> ReadFileTimes(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return FileTimes{data.dwFileAttributes, FromFileTime(data.ftCreationTime),
                   FromFileTime(data.ftLastAccessTime), FromFileTime(data.ftLastWriteTime)};
}

bool WriteFileTimes(const std::wstring& path, const FileTimes& times) {
  {
    win32::FileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const FILETIME created = ToFileTime(times.created), accessed = ToFileTime(times.accessed),
                   written = ToFileTime(times.written);
    if (!file || !SetFileTime(file.get(), &created, &accessed, &written)) return false;
  }
  if (!SetFileAttributesW(path.c_str(), times.attributes)) return false;
  KORVANE_WRITE_DONE();
  return true;
}

bool CreateFolder(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) || FolderExists(path);
}

std::wstring ShellLocalAppDataFolder() {
  // The shell's folder paths are bounded by MAX_PATH in this call's contract.
  wchar_t path[MAX_PATH] = {};
  if (FAILED(win32::Shell().SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr,
                                             SHGFP_TYPE_CURRENT, path))) {
    return {};
  }
  return path;
}

uint64_t FileSearchCalls() {
  return file_search_calls;
}

bool StartupApprovalsHonoured() {
  // Without a manifest entry for later systems GetVersionEx says 6.2 on
  // every Windows from 8 on: still enough to tell 8 and later from 7.
  static const bool honoured = [] {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExW(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion >= 2));
  }();
  return honoured;
}

uint64_t FileTimeNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

uint32_t PlatformId() {
  static const uint32_t id = [] {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExW(&info) ? info.dwPlatformId : VER_PLATFORM_WIN32_NT;
  }();
  return id;
}

}  // namespace korvane
