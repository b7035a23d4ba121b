#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>

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
  return true;
}

void CreateStartupShortcut(const std::wstring& target, const std::wstring& shortcut_path,
                           const std::wstring& description, const std::wstring& arguments,
                           const std::wstring& working_directory) {
  ShellLinkObject object = CreateShellLinkObject();
  object.link->SetArguments(arguments.c_str());
  if (!working_directory.empty()) object.link->SetWorkingDirectory(working_directory.c_str());
  object.link->SetDescription(description.c_str());
  object.link->SetPath(target.c_str());
  // A move deletes the entry it came from once the shortcut is written, so a
  // shortcut that could not be saved must not pass for one that was.
  HRESULT result = object.file->Save(shortcut_path.c_str(), FALSE);
  if (FAILED(result)) {
    win32::ThrowCallError(L"IPersistFile::Save", L"the file \"" + shortcut_path + L"\"",
                          static_cast<DWORD>(result));
  }
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
  static VersionApi api;
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

}  // namespace korvane
