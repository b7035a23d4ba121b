#include "platform/win32/change_watch.h"

namespace korvane::win32 {

namespace {

// Windows 8 and later keep a key's watch when the thread that set it ends
// (the first scan runs on a thread of its own); earlier systems, and Wine,
// take the watch without it.
constexpr DWORD kThreadAgnostic = 0x10000000;  // REG_NOTIFY_THREAD_AGNOSTIC
constexpr DWORD kKeyChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
constexpr DWORD kFolderChanges =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
    FILE_NOTIFY_CHANGE_SIZE;

bool Signalled(HANDLE handle) {
  return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

}  // namespace

ChangeWatch::ChangeWatch(HKEY root, const std::wstring& key_path, const std::wstring& folder) {
  if (!key_path.empty() &&
      RegOpenKeyExW(root, key_path.c_str(), 0, KEY_NOTIFY | KEY_WOW64_64KEY, key_.put()) !=
          ERROR_SUCCESS) {
    key_.reset();
  }
  if (key_) key_changed_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!folder.empty()) {
    folder_changed_ = FindFirstChangeNotificationW(folder.c_str(), TRUE, kFolderChanges);
  }
}

ChangeWatch::~ChangeWatch() {
  if (folder_changed_ != INVALID_HANDLE_VALUE) FindCloseChangeNotification(folder_changed_);
}

bool ChangeWatch::Unchanged() const {
  if (!key_armed_ && !folder_armed_) return false;
  if (key_armed_ && Signalled(key_changed_.get())) return false;
  if (folder_armed_ && Signalled(folder_changed_)) return false;
  return true;
}

void ChangeWatch::Rearm() {
  // A watch still waiting stays; one that fired (or was never set) is set.
  if (key_changed_ && (!key_armed_ || Signalled(key_changed_.get()))) {
    ResetEvent(key_changed_.get());
    LONG result = RegNotifyChangeKeyValue(key_.get(), TRUE, kKeyChanges | kThreadAgnostic,
                                          key_changed_.get(), TRUE);
    if (result != ERROR_SUCCESS) {
      result = RegNotifyChangeKeyValue(key_.get(), TRUE, kKeyChanges, key_changed_.get(), TRUE);
    }
    key_armed_ = result == ERROR_SUCCESS;
  }
  if (folder_changed_ != INVALID_HANDLE_VALUE && (!folder_armed_ || Signalled(folder_changed_))) {
    folder_armed_ = folder_armed_ ? FindNextChangeNotification(folder_changed_) != FALSE : true;
  }
}

}  // namespace korvane::win32
