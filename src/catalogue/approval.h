#pragma once
// Whether Windows may start an entry: Windows 8 and later keep it, for the
// Run values of the user and of the machine and for the items of the two
// Startup folders, as one 12-byte value per entry under the StartupApproved
// keys, always in the 64-bit registry view. No value means on.
#include <cstdint>
#include <optional>
#include <string>

#include "catalogue/entry.h"
#include "platform/registry.h"

namespace korvane {

// Where the approval of an entry lives.
struct ApprovalPlace {
  RootKey root = RootKey::CurrentUser;
  std::wstring key_path;  // ...\Explorer\StartupApproved\Run, Run32 or StartupFolder
  std::wstring value_name;
  bool operator==(const ApprovalPlace&) const = default;
};

// The approval value of the entry, whether or not the system honours it:
// a value of a Run key named as the value; the machine's 32-bit Run key in
// Run32; a file directly in the user's or the all users' Startup folder by
// its file name. Nothing for every other place.
std::optional<ApprovalPlace> ApprovalPlaceOf(const StartupEntry& entry);

// The approval places of a Run value, and of a file of a Startup folder
// among `folders` (the user's and the all users', read once for many rows);
// nothing for other keys and folders.
std::optional<ApprovalPlace> ApprovalPlaceOfValue(const RegistrySource& source);
struct GovernedFolders {
  GovernedFolders();
  std::wstring user, all;
};
std::optional<ApprovalPlace> ApprovalPlaceOfFile(const FolderSource& source,
                                                 const GovernedFolders& folders);

// Sets `enabled` of every row that Windows keeps an approval for, on
// Windows 8 and later, from the approval keys as they stand now.
void ReadApprovals(StartupList& rows);

// What an approval value says: off when bit 0 of its first byte is set. A
// value without data says on.
bool ApprovalSaysOff(const RegistryValue& value);

// The value Windows writes: 02 and eleven zero bytes to switch on; 03 00 00
// 00 and the FILETIME of the moment to switch off.
RegistryValue ApprovalValue(bool enabled, uint64_t file_time);

// Reads the approval; nothing when there is no value (on).
std::optional<RegistryValue> ReadApproval(const ApprovalPlace& place);
// Writes the approval as Windows does. Throws the platform's error when the
// key cannot be opened or the value not written.
void WriteApproval(const ApprovalPlace& place, bool enabled);
// Writes the value as it is given (an approval put back as it was).
void WriteApprovalValue(const ApprovalPlace& place, const RegistryValue& value);
// Deletes the approval value, so that a later entry of that name is not born
// switched off. True when no value is left.
bool DeleteApproval(const ApprovalPlace& place);
// Deletes the approval of the entry, if it has a place for one: after the
// entry was removed, or when Korvane writes a new entry there, which starts
// switched on. True when no approval is left.
bool ClearApproval(const StartupEntry& entry);

}  // namespace korvane
