// Change notifications of the memory platform: nothing runs beside the tests,
// so a wait looks at once at what each place holds and tells which differ
// from the last look.
#include <exception>
#include <string>

#include "platform/changes.h"
#include "platform/files.h"
#include "platform/tasks.h"

namespace korvane {

namespace {

void KeyText(TRegistry& reg, const std::wstring& path, bool subtree, std::wstring& text) {
  if (!reg.OpenKeyReadOnly(path)) return;
  text += L"[" + path + L"]";
  for (const auto& [name, value] : reg.GetValues()) {
    text += name + L"=" + std::to_wstring(static_cast<int>(value.type)) + L":";
    for (uint8_t byte : value.data) text += static_cast<wchar_t>(byte + 1);
    text += L"\n";
  }
  for (const std::wstring& sub : reg.GetKeyNames()) {
    text += L"<" + sub + L">";
    if (subtree) KeyText(reg, path + L"\\" + sub, true, text);
  }
}

void FolderText(const std::wstring& folder, bool subtree, std::wstring& text) {
  for (const FolderItem& item : ListFolder(folder)) {
    if (item.name == L"." || item.name == L"..") continue;
    text += item.name + L":" + std::to_wstring(item.size) + (item.is_folder ? L"/" : L"") + L"\n";
    if (subtree && item.is_folder) FolderText(folder + L"\\" + item.name, true, text);
  }
}

std::wstring Contents(const WatchedPlace& place) {
  std::wstring text;
  try {
    switch (place.kind) {
      case WatchedPlace::Kind::Key: {
        TRegistry reg;
        reg.SetRootKey(place.root);
        KeyText(reg, place.path, place.subtree, text);
        break;
      }
      case WatchedPlace::Kind::Folder:
        if (FolderExists(place.path)) text = L"[]";
        FolderText(place.path, place.subtree, text);
        break;
      case WatchedPlace::Kind::Tasks:
        for (const ScheduledTask& task : ListScheduledTasks()) {
          text += task.path + (task.enabled ? L"+" : L"-") + (task.at_logon_or_boot ? L"!" : L"");
          for (const TaskAction& action : task.actions)
            text += L"|" + action.command + L" " + action.arguments;
          text += L"\n";
        }
        break;
      case WatchedPlace::Kind::Services:
        for (const ServiceRecord& service : ListServices()) {
          text += service.name + L"|" + service.image_path + L"|" + service.service_dll + L"|" +
                  std::to_wstring(static_cast<uint32_t>(service.start)) +
                  (service.delayed ? L"d" : L"") + L"\n";
        }
        break;
    }
  } catch (const std::exception&) {
    text = L"?";
  }
  return text;
}

}  // namespace

struct TChangeNotifier::State {
  std::vector<WatchedPlace> places;
  std::vector<std::wstring> seen;
  bool stopped = false;
};

TChangeNotifier::TChangeNotifier(std::vector<WatchedPlace> places)
    : state_(std::make_unique<State>()), places_(places.size()) {
  state_->places = std::move(places);
  for (const WatchedPlace& place : state_->places) state_->seen.push_back(Contents(place));
}

TChangeNotifier::~TChangeNotifier() = default;

std::vector<size_t> TChangeNotifier::WaitForChanges(uint32_t /*milliseconds*/) {
  std::vector<size_t> changed;
  if (state_->stopped) return changed;
  for (size_t i = 0; i < state_->places.size(); ++i) {
    std::wstring now = Contents(state_->places[i]);
    if (now == state_->seen[i]) continue;
    state_->seen[i] = std::move(now);
    changed.push_back(i);
  }
  return changed;
}

void TChangeNotifier::Stop() {
  state_->stopped = true;
}

size_t TChangeNotifier::WatchedCount() const {
  return state_->places.size();
}

}  // namespace korvane
