// Scan benchmark: builds a large startup configuration in the platform (the
// memory world natively, the Wine prefix on Windows) and measures the scan
// against a floor that only enumerates the same locations.
//
//   korvane_scan_bench [repetitions]     default 5; prints the median of each
//
// It replaces the startup configuration of the platform it runs on (Run keys,
// Startup folders, win.ini words): under Wine, run it in a prefix of its own.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/location.h"
#include "catalogue/scan.h"
#include "bench.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

constexpr int kRegistryValues = 2000;
constexpr int kFolderFiles = 500;
constexpr int kWinIniWords = 100;
constexpr int kPrograms = 40;

const std::wstring kBase = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\";

std::wstring Program(int i) {
  return test::kRoot + L"\\Program Files\\Vendor " + std::to_wstring(i % kPrograms) + L"\\app" +
         std::to_wstring(i % kPrograms) + L".exe";
}

std::wstring Tool(int i) {
  return test::kRoot + L"\\Tools\\t" + std::to_wstring(i % kPrograms) + L".exe";
}

// The command forms seen in real Run keys, in rough proportion.
std::wstring Command(int i) {
  switch (i % 10) {
    case 0:
    case 1:
    case 2:
      return L"\"" + Program(i) + L"\" /background";
    case 3:
      return L"\"" + Program(i) + L"\"";
    case 4:
      return Program(i) + L" -minimized";
    case 5:
      return Tool(i);
    case 6:
      return L"rundll32.exe " + Tool(i) + L",Start";
    case 7:
      return L"kvbench /autorun";
    case 8:
      return L"%ProgramFiles%\\Vendor\\app.exe";
    default:
      return test::kRoot + L"\\Uninstalled\\gone" + std::to_wstring(i) + L".exe -q";
  }
}

void BuildConfiguration() {
  test::ResetWorld();
  for (int i = 0; i < kPrograms; ++i) {
    test::PutFile(Program(i));
    test::PutFile(Tool(i));
  }
  test::PutFile(test::SystemFolder() + L"\\kvbench.exe");
  test::PutFile(test::SystemFolder() + L"\\rundll32.exe");

  const std::pair<RootKey, std::wstring> keys[] = {
      {RootKey::CurrentUser, kBase + L"Run"},      {RootKey::CurrentUser, kBase + L"RunOnce"},
      {RootKey::LocalMachine, kBase + L"Run"},     {RootKey::LocalMachine, kBase + L"RunServices"},
      {RootKey::LocalMachine, kBase + L"RunOnce"}, {RootKey::Users, L"\\.Default" + kBase + L"Run"},
  };
  for (int i = 0; i < kRegistryValues; ++i) {
    const auto& [root, key] = keys[i % std::size(keys)];
    TRegistry reg;
    reg.SetRootKey(root);
    reg.OpenKey(key, true);
    reg.WriteString(L"Entry " + std::to_wstring(i), Command(i));
  }

  const std::wstring folders[] = {test::kRoot + L"\\Startup", test::kRoot + L"\\Startup\\Tools",
                                  test::kRoot + L"\\Common Startup",
                                  test::kRoot + L"\\Common Startup\\Vendor\\Deep"};
  for (const std::wstring& f : folders) test::MakeFolder(f);
  test::PutFile(folders[0] + L"\\desktop.ini", "[.ShellClassInfo]\r\n");
  for (int i = 0; i < kFolderFiles; ++i) {
    const std::wstring& folder = folders[i % std::size(folders)];
    std::wstring name = folder + L"\\item" + std::to_wstring(i);
    switch (i % 5) {
      case 0:
      case 1:
        CreateStartupShortcut(Program(i), name + L".lnk", L"", L"/tray");
        break;
      case 2:
        CreateStartupShortcut(L"kvbench.exe", name + L".lnk", L"", L"");
        break;
      case 3:
        test::PutFile(name + L".url", "[InternetShortcut]\r\nURL=http://example.com/\r\n");
        break;
      default:
        test::PutFile(name + L".txt");
        break;
    }
  }

  std::wstring run, load;
  for (int i = 0; i < kWinIniWords; ++i) {
    std::wstring& words = i % 2 ? load : run;
    if (!words.empty()) words += L' ';
    words += i % 4 == 3 ? L"missing" + std::to_wstring(i) + L".exe" : Tool(i);
  }
  test::SetWinIni(L"run", run);
  test::SetWinIni(L"load", load);
}

// The same locations enumerated, with one existence test per entry.
size_t Floor() {
  size_t entries = 0;
  std::function<void(const std::wstring&)> walk = [&](const std::wstring& folder) {
    for (const FolderItem& item : ListFolder(folder)) {
      if (item.name == L"." || item.name == L"..") continue;
      if (item.is_folder) {
        walk(folder + item.name + L"\\");
      } else {
        entries += FileExists(folder + item.name);
      }
    }
  };
  for (const StartupLocation& location : StartupLocations()) {
    switch (location.kind) {
      case StartupLocationKind::RegistryKeyLocation: {
        TRegistry reg;
        reg.SetRootKey(location.root);
        if (!reg.OpenKey(location.path, false)) break;
        for (const auto& [name, value] : reg.GetValues()) {
          entries += FileExists(RegistryText(value).value_or(L""));
        }
        break;
      }
      case StartupLocationKind::StartupFolderLocation:
        if (!location.path.empty()) walk(IncludeTrailingBackslash(location.path));
        break;
      case StartupLocationKind::WinIniLocation: {
        std::wstring words = TIniFile(location.path).ReadString(L"Windows", location.key, L"");
        for (size_t start = 0; start < words.size();) {
          size_t end = std::min(words.find(L' ', start), words.size());
          entries += FileExists(words.substr(start, end - start));
          start = end + 1;
        }
        break;
      }
    }
  }
  return entries;
}

double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int Run(int repetitions) {
  std::printf("building %d registry values, %d folder files, %d win.ini words...\n",
              kRegistryValues, kFolderFiles, kWinIniWords);
  double build = Seconds(BuildConfiguration);
  std::printf("built in %.2f s\n", build);

  // The first scan of the process is the cold one (the program's start);
  // the ones after it rescan the same configuration, as the refresh does.
  std::vector<double> warm_scans, floors;
  StartupList list;
  uint64_t before = FileSearchCalls();
  double cold = Seconds([&] { ScanStartupList(list); });
  uint64_t cold_searches = FileSearchCalls() - before, warm_searches = 0;
  floors.push_back(Seconds([] { Floor(); }));
  for (int r = 0; r < repetitions; ++r) {
    before = FileSearchCalls();
    warm_scans.push_back(Seconds([&] { ScanStartupList(list); }));
    warm_searches = FileSearchCalls() - before;
    floors.push_back(Seconds([] { Floor(); }));
  }
  double warm = Median(warm_scans), floor = Median(floors);
  auto per_entry = [&](uint64_t searches) { return static_cast<double>(searches) / list.size(); };
  std::printf("entries listed:          %zu\n", list.size());
  std::printf("floor (median of %d):     %.1f ms\n", repetitions + 1, floor * 1000);
  std::printf("cold scan:               %.1f ms, %.2f x floor, %.0f entries/s\n", cold * 1000,
              cold / floor, list.size() / cold);
  std::printf("warm scan (median of %d): %.1f ms, %.2f x floor, %.0f entries/s\n", repetitions,
              warm * 1000, warm / floor, list.size() / warm);
  std::printf("file searches per entry: %.2f cold, %.2f warm (SearchPath/FindExecutable calls)\n",
              per_entry(cold_searches), per_entry(warm_searches));
  return 0;
}

}  // namespace
}  // namespace korvane

int main(int argc, char** argv) {
  return korvane::bench::Main(argc, argv, 5, korvane::Run);
}
