// Change notifications: RegNotifyChangeKeyValue and FindFirstChangeNotification,
// each handle waited on by the thread pool, so that there is no limit to the
// places watched and a wait costs nothing until something changes.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/changes.h"
#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace korvane {

namespace {

// Windows 8 and later keep a key's watch when the thread that set it ends;
// earlier systems, and Wine, take the watch without it.
constexpr DWORD kThreadAgnostic = 0x10000000;  // REG_NOTIFY_THREAD_AGNOSTIC
constexpr DWORD kKeyChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
constexpr DWORD kFolderChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                 FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

// The path one level up; empty above the top ("C:\" for a folder on C:).
std::wstring Parent(const std::wstring& path, bool folder) {
  const size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash == 0) return {};
  if (folder && slash == 2 && path[1] == L':') return path.size() > 3 ? path.substr(0, 3) : L"";
  return path.substr(0, slash);
}

}  // namespace

struct TChangeNotifier::State {
  // One handle the system signals for one place: its key or folder, or the
  // nearest parent of it that exists.
  struct Arm {
    State* state = nullptr;
    size_t index = 0;  // in arms
    size_t place = 0;  // in places
    bool folder = false;
    RootKey root = RootKey::CurrentUser;
    std::wstring path;
    bool subtree = false;
    bool at_place = false;  // the place itself is watched, not a parent
    // A guard watches the parent of another arm's key or folder for the
    // names under it: a watched key that is deleted tells nothing more, and
    // one made again under its name is another key.
    Arm* guarded = nullptr;
    win32::RegKey key;
    win32::KernelHandle key_changed{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE folder_changed = INVALID_HANDLE_VALUE;
    HANDLE wait = nullptr;  // the thread pool's wait on the handle

    ~Arm() { Disarm(); }

    void Disarm() {
      // Waits until a callback that has begun has ended.
      if (wait) UnregisterWaitEx(wait, INVALID_HANDLE_VALUE);
      wait = nullptr;
      if (folder_changed != INVALID_HANDLE_VALUE) FindCloseChangeNotification(folder_changed);
      folder_changed = INVALID_HANDLE_VALUE;
      key.reset();
    }

    // The arm's key, deleted since it was opened (or never opened).
    bool Gone() const {
      if (folder) return true;
      return !key ||
             RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_KEY_DELETED;
    }

    // Watches the place, or its nearest parent that exists for a subkey or
    // subfolder made there; false when nothing could be watched.
    bool Rearm() {
      Disarm();
      for (std::wstring at = path; !at.empty(); at = Parent(at, folder)) {
        const bool whole = at.size() == path.size() && !guarded;
        if (folder ? WatchFolder(at, whole) : WatchKey(at, whole)) {
          at_place = whole;
          break;
        }
      }
      HANDLE signalled = folder ? folder_changed : key ? key_changed.get() : nullptr;
      if (signalled == INVALID_HANDLE_VALUE || !signalled) return false;
      return RegisterWaitForSingleObject(&wait, signalled, &State::Fired, this, INFINITE,
                                         WT_EXECUTEONLYONCE | WT_EXECUTEINWAITTHREAD) != FALSE;
    }

    bool WatchKey(const std::wstring& at, bool whole) {
      // A key path as the registry accessor takes it: its leading backslash
      // goes, and every key in the 64-bit view, as the scan reads them.
      const std::wstring relative = at.substr(at.front() == L'\\' ? 1 : 0);
      if (RegOpenKeyExW(win32::RootHandle(root), relative.c_str(), 0, KEY_NOTIFY | KEY_WOW64_64KEY,
                        key.put()) != ERROR_SUCCESS) {
        key.reset();
        return false;
      }
      ResetEvent(key_changed.get());
      const BOOL tree = whole && subtree;
      LONG result = RegNotifyChangeKeyValue(key.get(), tree, kKeyChanges | kThreadAgnostic,
                                            key_changed.get(), TRUE);
      if (result != ERROR_SUCCESS) {
        result = RegNotifyChangeKeyValue(key.get(), tree, kKeyChanges, key_changed.get(), TRUE);
      }
      if (result != ERROR_SUCCESS) key.reset();
      return result == ERROR_SUCCESS;
    }

    bool WatchFolder(const std::wstring& at, bool whole) {
      folder_changed =
          whole ? FindFirstChangeNotificationW(at.c_str(), subtree, kFolderChanges)
                : FindFirstChangeNotificationW(at.c_str(), FALSE, FILE_NOTIFY_CHANGE_DIR_NAME);
      return folder_changed != INVALID_HANDLE_VALUE;
    }
  };

  std::vector<WatchedPlace> places;
  std::vector<std::unique_ptr<Arm>> arms;
  win32::KernelHandle any_fired{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  win32::KernelHandle stopped{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::mutex lock;
  std::vector<bool> fired;  // per arm, set by the thread pool

  static VOID CALLBACK Fired(PVOID context, BOOLEAN /*timed_out*/) {
    auto* arm = static_cast<Arm*>(context);
    State& state = *arm->state;
    {
      std::lock_guard<std::mutex> held(state.lock);
      state.fired[arm->index] = true;
    }
    SetEvent(state.any_fired.get());
  }

  Arm& NewArm(size_t place, bool folder, RootKey root, std::wstring path) {
    arms.push_back(std::make_unique<Arm>());
    Arm& arm = *arms.back();
    arm.state = this;
    arm.index = arms.size() - 1;
    arm.place = place;
    arm.folder = folder;
    arm.root = root;
    arm.path = std::move(path);
    while (arm.path.size() > 1 && arm.path.back() == L'\\') arm.path.pop_back();
    return arm;
  }

  // The place's own arm, and a guard on its parent.
  void Add(size_t place, bool folder, RootKey root, std::wstring path, bool subtree) {
    Arm& watched = NewArm(place, folder, root, std::move(path));
    watched.subtree = subtree;
    const std::wstring parent = Parent(watched.path, folder);
    if (!parent.empty()) NewArm(place, folder, root, parent).guarded = &watched;
  }
};

TChangeNotifier::TChangeNotifier(std::vector<WatchedPlace> places)
    : state_(std::make_unique<State>()), places_(places.size()) {
  State& state = *state_;
  state.places = std::move(places);
  for (size_t i = 0; i < state.places.size(); ++i) {
    const WatchedPlace& place = state.places[i];
    switch (place.kind) {
      case WatchedPlace::Kind::Key:
        state.Add(i, false, place.root, place.path, place.subtree);
        break;
      case WatchedPlace::Kind::Folder:
        state.Add(i, true, place.root, place.path, place.subtree);
        break;
      case WatchedPlace::Kind::Tasks:
        // The scheduler keeps its tasks in the registry and each definition
        // in a file; the files are the system folder's, which a 32-bit
        // build reaches past the redirection of its own.
        state.Add(i, false, RootKey::LocalMachine,
                  L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache", true);
        state.Add(i, true, RootKey::LocalMachine, win32::NativeSystemDirectory() + L"\\Tasks",
                  true);
        break;
      case WatchedPlace::Kind::Services:
        state.Add(i, false, RootKey::LocalMachine, L"\\System\\CurrentControlSet\\Services", true);
        break;
    }
  }
  state.fired.assign(state.arms.size(), false);
  for (auto& arm : state.arms) arm->Rearm();
}

TChangeNotifier::~TChangeNotifier() {
  // Each arm waits for its callback before the state goes.
  state_->arms.clear();
}

std::vector<size_t> TChangeNotifier::WaitForChanges(uint32_t milliseconds) {
  State& state = *state_;
  const HANDLE handles[] = {state.stopped.get(), state.any_fired.get()};
  const ULONGLONG until = GetTickCount64() + milliseconds;
  std::vector<size_t> places;
  while (places.empty()) {
    const ULONGLONG now = GetTickCount64();
    if (milliseconds != INFINITE && now > until) break;
    const DWORD wait = milliseconds == INFINITE ? INFINITE : static_cast<DWORD>(until - now);
    if (WaitForMultipleObjects(2, handles, FALSE, wait) != WAIT_OBJECT_0 + 1) break;
    std::vector<bool> fired;
    {
      std::lock_guard<std::mutex> held(state.lock);
      fired.swap(state.fired);
      state.fired.assign(state.arms.size(), false);
    }
    std::vector<bool> changed(state.places.size(), false);
    for (size_t i = 0; i < fired.size(); ++i) {
      if (!fired[i]) continue;
      State::Arm& fired_arm = *state.arms[i];
      fired_arm.Rearm();
      // A guard's parent changed: the place matters only when its key went.
      if (fired_arm.guarded && !fired_arm.guarded->Gone()) continue;
      State::Arm& arm = fired_arm.guarded ? *fired_arm.guarded : fired_arm;
      const bool was_at_place = arm.at_place;
      if (fired_arm.guarded) arm.Rearm();
      // A parent's change tells of the place only when it made the place (or
      // took it away); otherwise the wait goes on.
      if (was_at_place || arm.at_place) changed[arm.place] = true;
    }
    for (size_t i = 0; i < changed.size(); ++i) {
      if (changed[i]) places.push_back(i);
    }
  }
  return places;
}

void TChangeNotifier::Stop() {
  SetEvent(state_->stopped.get());
}

size_t TChangeNotifier::WatchedCount() const {
  std::vector<bool> watched(state_->places.size(), false);
  for (const auto& arm : state_->arms) {
    if (arm->wait && !arm->guarded) watched[arm->place] = true;
  }
  return static_cast<size_t>(std::count(watched.begin(), watched.end(), true));
}

}  // namespace korvane
