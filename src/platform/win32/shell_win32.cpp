#include <windows.h>
#include "platform/win32/write_hook.h"
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <cwchar>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/lazy_libraries.h"
#include "platform/win32/system.h"

namespace korvane {

namespace {

// IShellLink's getters cannot say that they cut a text short, so every text
// is read into a buffer as long as the longest path the system allows.
constexpr int kLongestText = 32768;

struct ShellLinkObject {
  win32::ComPtr<IShellLinkW> link;
  win32::ComPtr<IPersistFile> file;
};

ShellLinkObject CreateShellLinkObject() {
  win32::ComPtr<IUnknown> object;
  HRESULT result =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                       IID_IUnknown, object.put_void());
  if (FAILED(result)) {
    win32::ThrowCallError(L"CoCreateInstance", L"the shell link object",
                          static_cast<DWORD>(result));
  }
  ShellLinkObject link{object.As<IShellLinkW>(IID_IShellLinkW),
                       object.As<IPersistFile>(IID_IPersistFile)};
  if (!link.link || !link.file) {
    win32::ThrowCallError(L"QueryInterface", L"the shell link object",
                          static_cast<DWORD>(E_NOINTERFACE));
  }
  return link;
}

template <typename Get>
std::wstring ReadText(Get get) {
  std::wstring buffer(kLongestText, L'\0');
  if (FAILED(get(buffer.data(), kLongestText))) return {};
  buffer.resize(wcsnlen(buffer.data(), buffer.size()));
  return buffer;
}

// The shell link file's layout, as far as the environment data block needs it.
constexpr size_t kHeaderSize = 0x4C;
constexpr size_t kFlagsAt = 0x14;
constexpr uint32_t kHasIdList = 0x1, kHasLinkInfo = 0x2, kUnicode = 0x80, kHasExpString = 0x200;
constexpr uint32_t kExpStringSignature = 0xA0000001;
constexpr uint32_t kExpStringSize = 8 + MAX_PATH + 2 * MAX_PATH;

uint32_t ReadU32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

void WriteU32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  win32::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 20)) return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
      read != bytes.size()) {
    return std::nullopt;
  }
  return bytes;
}

// Where the extra data blocks of a shell link file start; nothing when the
// file is cut short.
std::optional<size_t> ExtraDataStart(const std::string& bytes) {
  if (bytes.size() < kHeaderSize || ReadU32(bytes, 0) != kHeaderSize) return std::nullopt;
  const uint32_t flags = ReadU32(bytes, kFlagsAt);
  size_t at = kHeaderSize;
  if (flags & kHasIdList) {
    if (at + 2 > bytes.size()) return std::nullopt;
    at += 2 + (static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
  }
  if (flags & kHasLinkInfo) {
    if (at + 4 > bytes.size()) return std::nullopt;
    at += ReadU32(bytes, at);
  }
  // Name, relative path, working folder, arguments, icon location.
  for (uint32_t bit = 0x4; bit <= 0x40; bit <<= 1) {
    if (!(flags & bit)) continue;
    if (at + 2 > bytes.size()) return std::nullopt;
    const size_t count = static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
    at += 2 + count * ((flags & kUnicode) ? 2 : 1);
  }
  if (at > bytes.size()) return std::nullopt;
  return at;
}

// The environment data block's place and size, or the terminal block's place
// (size 0) when the file has none; nothing when the blocks do not add up.
std::optional<std::pair<size_t, size_t>> FindExpStringBlock(const std::string& bytes) {
  std::optional<size_t> at = ExtraDataStart(bytes);
  if (!at) return std::nullopt;
  while (*at + 4 <= bytes.size()) {
    const uint32_t size = ReadU32(bytes, *at);
    if (size < 4) return std::pair(*at, size_t{0});
    if (size < 8 || *at + size > bytes.size()) return std::nullopt;
    if (ReadU32(bytes, *at + 4) == kExpStringSignature) return std::pair(*at, size_t{size});
    *at += size;
  }
  return std::pair(std::min(*at, bytes.size()), size_t{0});
}

std::wstring ReadExpandableTarget(const std::wstring& file) {
  std::optional<std::string> bytes = ReadWholeFile(file);
  if (!bytes) return {};
  std::optional<std::pair<size_t, size_t>> block = FindExpStringBlock(*bytes);
  if (!block || block->second < kExpStringSize) return {};
  std::wstring target;
  for (size_t i = block->first + 8 + MAX_PATH; i + 1 < block->first + kExpStringSize; i += 2) {
    const wchar_t c = static_cast<wchar_t>(static_cast<uint8_t>((*bytes)[i]) |
                                           static_cast<uint8_t>((*bytes)[i + 1]) << 8);
    if (c == 0) break;
    target += c;
  }
  return target;
}

// Writes the environment data block into a saved shortcut file, as the
// shell's own data list would (not every shell link object takes one).
void WriteExpandableTarget(const std::wstring& file, const std::wstring& target) {
  std::optional<std::string> bytes = ReadWholeFile(file);
  std::optional<std::pair<size_t, size_t>> block;
  if (bytes) block = FindExpStringBlock(*bytes);
  if (!block) {
    win32::ThrowCallError(L"ReadFile", L"the shortcut \"" + file + L"\"",
                          static_cast<DWORD>(ERROR_BAD_FORMAT));
  }
  std::string data(kExpStringSize, '\0');
  WriteU32(data, 0, kExpStringSize);
  WriteU32(data, 4, kExpStringSignature);
  WideCharToMultiByte(CP_ACP, 0, target.c_str(), -1, data.data() + 8, MAX_PATH - 1, nullptr,
                      nullptr);
  for (size_t i = 0; i < target.size() && i + 1 < MAX_PATH; ++i) {
    data[8 + MAX_PATH + 2 * i] = static_cast<char>(target[i] & 0xFF);
    data[8 + MAX_PATH + 2 * i + 1] = static_cast<char>((target[i] >> 8) & 0xFF);
  }
  std::string& all = *bytes;
  if (block->second == 0 && block->first + 4 > all.size()) {
    all.resize(block->first);
    all += data;
    all += std::string(4, '\0');  // the terminal block
  } else {
    all.replace(block->first, block->second, data);
  }
  WriteU32(all, kFlagsAt, ReadU32(all, kFlagsAt) | kHasExpString);
  WriteFileBytes(file, all);
}

}  // namespace

struct TLMDShellLink::Object : ShellLinkObject {};

TLMDShellLink::TLMDShellLink()
    : object_(std::make_unique<Object>(Object{CreateShellLinkObject()})) {}
TLMDShellLink::~TLMDShellLink() = default;

bool TLMDShellLink::LoadShellLink(const std::wstring& file, uint32_t mode) {
  if (FAILED(object_->file->Load(file.c_str(), mode))) return false;
  IShellLinkW* link = object_->link.get();
  Path = ReadText(
      [link](wchar_t* text, int size) { return link->GetPath(text, size, nullptr, SLGP_RAWPATH); });
  int icon_index = 0;
  IconLocation = ReadText([link, &icon_index](wchar_t* text, int size) {
    return link->GetIconLocation(text, size, &icon_index);
  });
  IconIndex = icon_index;
  Description =
      ReadText([link](wchar_t* text, int size) { return link->GetDescription(text, size); });
  Arguments = ReadText([link](wchar_t* text, int size) { return link->GetArguments(text, size); });
  WORD hot_key = 0;
  link->GetHotkey(&hot_key);
  HotKey = hot_key;
  WorkingDirectory =
      ReadText([link](wchar_t* text, int size) { return link->GetWorkingDirectory(text, size); });
  int show = SW_SHOWNORMAL;
  link->GetShowCmd(&show);
  ShowCmd = show == SW_SHOWMAXIMIZED   ? ShowCommand::Maximized
            : show == SW_SHOWMINIMIZED ? ShowCommand::Minimized
                                       : ShowCommand::Normal;
  ExpandableTarget = ReadExpandableTarget(file);
  return true;
}

void CreateStartupShortcut(const std::wstring& target, const std::wstring& shortcut_path,
                           const std::wstring& description, const std::wstring& arguments,
                           const std::wstring& working_directory,
                           const std::wstring& expandable_target) {
  ShellLinkObject object = CreateShellLinkObject();
  object.link->SetArguments(arguments.c_str());
  if (!working_directory.empty()) object.link->SetWorkingDirectory(working_directory.c_str());
  object.link->SetDescription(description.c_str());
  object.link->SetPath(target.c_str());
  // A move deletes the entry it came from once the shortcut is written, so a
  // shortcut that could not be saved must not pass for one that was.
  // It is made whole under a temporary name and then moved into place, so
  // that the folder never holds half a shortcut, nor one without its
  // environment data.
  const std::wstring temporary =
      shortcut_path + L"." + std::to_wstring(GetCurrentProcessId()) + L".new";
  const std::wstring subject = L"the file \"" + shortcut_path + L"\"";
  HRESULT result = object.file->Save(temporary.c_str(), FALSE);
  if (FAILED(result)) {
    DeleteFileW(temporary.c_str());
    win32::ThrowCallError(L"IPersistFile::Save", subject, static_cast<DWORD>(result));
  }
  try {
    if (!expandable_target.empty()) WriteExpandableTarget(temporary, expandable_target);
    win32::FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !FlushFileBuffers(file.get())) {
      win32::ThrowCallError(L"FlushFileBuffers", subject, GetLastError());
    }
  } catch (const PlatformError&) {
    DeleteFileW(temporary.c_str());
    throw;
  }
  if (!MoveFileExW(temporary.c_str(), shortcut_path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    win32::ThrowCallError(L"MoveFileExW", subject, error);
  }
  KORVANE_WRITE_DONE();
}

namespace {

// The version functions of version.dll, loaded from the system folder on
// first use: the library is none of those Windows always takes from there,
// so a copy beside the program would be loaded in its place.
struct VersionApi {
  using SizeFn = DWORD(WINAPI*)(const wchar_t*, DWORD*);
  using InfoFn = BOOL(WINAPI*)(const wchar_t*, DWORD, DWORD, void*);
  using QueryFn = BOOL(WINAPI*)(const void*, const wchar_t*, void**, UINT*);
  win32::Module library;
  SizeFn size = nullptr;
  InfoFn info = nullptr;
  QueryFn query = nullptr;
};

const VersionApi& LoadVersionApi() {
  // The window's thread and the list's worker both read versions.
  static VersionApi api;
  static std::mutex loading;
  const std::lock_guard<std::mutex> lock(loading);
  if (!api.library) {
    win32::Module library = win32::LoadSystemLibrary(L"version.dll");
    if (!library) win32::ThrowCallError(L"LoadLibraryExW", L"version.dll", GetLastError());
    api.size = win32::Export<VersionApi::SizeFn>(library.get(), "GetFileVersionInfoSizeW");
    api.info = win32::Export<VersionApi::InfoFn>(library.get(), "GetFileVersionInfoW");
    api.query = win32::Export<VersionApi::QueryFn>(library.get(), "VerQueryValueW");
    api.library = std::move(library);
  }
  return api;
}

}  // namespace

void TLMDVersionInfo::Read(const std::wstring& path) {
  const VersionApi& api = LoadVersionApi();
  DWORD ignored = 0;
  DWORD size = api.size(path.c_str(), &ignored);
  if (size == 0) return;
  std::vector<BYTE> data(size);
  if (!api.info(path.c_str(), 0, size, data.data())) return;

  std::wstring table = L"\\StringFileInfo\\040904E4\\";
  void* found = nullptr;
  UINT length = 0;
  if (api.query(data.data(), L"\\VarFileInfo\\Translation", &found, &length) &&
      length >= 2 * sizeof(WORD)) {
    const WORD* pair = static_cast<const WORD*>(found);
    wchar_t code[16];
    swprintf(code, 16, L"%04X%04X", pair[0], pair[1]);
    table = L"\\StringFileInfo\\" + std::wstring(code) + L"\\";
    Language = win32::ReadGrowing(
        [language = pair[0]](wchar_t* buffer, DWORD capacity) {
          return VerLanguageNameW(language, buffer, capacity);
        },
        256);
  }
  const std::pair<const wchar_t*, std::wstring*> names[] = {
      {L"ProductName", &ProductName},           {L"CompanyName", &CompanyName},
      {L"ProductVersion", &ProductVersion},     {L"LegalCopyright", &LegalCopyright},
      {L"LegalTrademarks", &LegalTrademarks},   {L"Comments", &Comments},
      {L"OriginalFilename", &OriginalFilename}, {L"InternalName", &InternalFilename},
      {L"FileDescription", &FileDescription},   {L"FileVersion", &FileVersion},
  };
  for (const auto& [name, property] : names) {
    if (api.query(data.data(), (table + name).c_str(), &found, &length) && length > 0) {
      const wchar_t* text = static_cast<const wchar_t*>(found);
      property->assign(text, wcsnlen(text, length));
    }
  }
}

int SystemIconIndex(const std::wstring& path) {
  // The shell copies the path into buffers of its own (a long URL may come here).
  if (path.size() >= kMaxPath) return 0;
  SHFILEINFOW info = {};
  if (!win32::Shell().SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info),
                                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON)) {
    return 0;
  }
  return info.iIcon;
}

bool TLMDShellObjectPropertiesDialog::Execute() {
  // The shell exports its object-properties function by ordinal only.
  using PropertiesFn = BOOL(WINAPI*)(HWND, UINT, const void*, const void*);
  constexpr UINT kFilePath = 2;
  win32::Module shell = win32::LoadSystemLibrary(L"shell32.dll");
  if (!shell) return false;
  FARPROC proc = GetProcAddress(shell.get(), MAKEINTRESOURCEA(178));
  if (!proc) return false;
  auto properties = reinterpret_cast<PropertiesFn>(reinterpret_cast<void*>(proc));
  HWND owner = nullptr;
  if (OwnerHandle == OwnerWindow::OwnerForm) owner = static_cast<HWND>(owner_form);
  if (OwnerHandle == OwnerWindow::Application) owner = static_cast<HWND>(application);
  if (PlatformId() == VER_PLATFORM_WIN32_NT) {
    return properties(owner, kFilePath, ObjectName.c_str(),
                      InitialTab.empty() ? nullptr : InitialTab.c_str()) != FALSE;
  }
  // The Windows 95 family's shell takes ANSI text here.
  auto ansi = [](const std::wstring& text) {
    std::string result(
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, result.data(), static_cast<int>(result.size()),
                        nullptr, nullptr);
    return result;
  };
  const std::string name = ansi(ObjectName), tab = ansi(InitialTab);
  return properties(owner, kFilePath, name.c_str(), InitialTab.empty() ? nullptr : tab.c_str()) !=
         FALSE;
}

void ShellOpen(const std::wstring& file, const std::wstring& parameters,
               const std::wstring& folder) {
  // A program that only the 64-bit system folder holds starts from there.
  std::wstring target = file, directory = folder;
  const std::wstring native = win32::InSixtyFourBitSystemFolder(file);
  if (!native.empty() && GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES &&
      GetFileAttributesW(native.c_str()) != INVALID_FILE_ATTRIBUTES) {
    target = native;
    if (SameText(IncludeTrailingBackslash(folder), ExtractFilePath(file))) {
      directory = ExtractFilePath(native);
    }
  }
  win32::Shell().ShellExecuteW(nullptr, L"open", target.c_str(),
                               parameters.empty() ? nullptr : parameters.c_str(),
                               directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL);
}

bool RunsElevated() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  const win32::KernelHandle token(raw);
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
         elevation.TokenIsElevated != 0;
}

ElevatedRun RunElevated(const std::wstring& program, const std::wstring& parameters, bool wait,
                        void* owner) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.hwnd = static_cast<HWND>(owner);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"runas";
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = wait ? SW_HIDE : SW_SHOWNORMAL;
  if (!win32::Shell().ShellExecuteExW(&info)) {
    const DWORD error = GetLastError();
    if (error == ERROR_CANCELLED) return {ElevatedRun::Outcome::Declined, 0, {}};
    return {ElevatedRun::Outcome::Failed, 0, win32::SystemMessage(error)};
  }
  const win32::KernelHandle process(info.hProcess);
  if (!wait) return {ElevatedRun::Outcome::Started, 0, {}};
  DWORD exit_code = 0;
  if (!process || WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.get(), &exit_code)) {
    return {ElevatedRun::Outcome::Failed, 0, win32::SystemMessage(GetLastError())};
  }
  return {ElevatedRun::Outcome::Ended, exit_code, {}};
}

}  // namespace korvane
