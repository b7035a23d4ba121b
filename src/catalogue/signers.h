#pragma once
// Whose program an entry starts, by the signature of its file: Windows' own
// entries are set apart, and a program that changes its own entry to a new
// version of itself is told from a change by somebody else.
#include <optional>
#include <set>
#include <utility>
#include <vector>
#include <string>

#include "catalogue/entry.h"
#include "platform/shell.h"

namespace korvane {

// The file whose signature speaks for the entry: the DLL that rundll32 is
// told to run (in the system folder when it names no folder), else its
// program (for a service of svchost, already its DLL).
std::wstring SignedFile(const StartupEntry& row);

// The signer an entry records: the verified signer's name; empty for a file
// that is not signed, whose signature does not verify, or that is missing.
std::wstring RecordedSigner(const std::optional<FileSignature>& signature);

// The signature of a file, checked once and again only when the file's size
// or last-write time changed; shared by every thread of the process. Takes
// time for a file not checked before: call it off the window's thread.
// Nothing when the check itself failed.
std::optional<FileSignature> KnownFileSignature(const std::wstring& path);
// The signer recorded last for the file by KnownFileSignature, without
// looking at the file; nothing when it was never checked.
std::optional<std::wstring> LastSignerOf(const std::wstring& path);

// The signer of each file through KnownFileSignature (`check`), or only from
// what is known already (`!check`, at once); nothing where it is not known.
std::vector<std::optional<std::wstring>> SignersOf(const std::vector<std::wstring>& files,
                                                   bool check);
// SignedFile of each row.
std::vector<std::wstring> SignedFiles(const StartupList& rows);
// Fills every row's signer as SignersOf finds it, keeping what a row knew
// where nothing is found.
void SignRows(StartupList& rows, bool check);
// Forgets what was checked (a test's new world).
void ForgetCheckedSignatures();

// "Microsoft Windows" and "Microsoft Windows Publisher": the names that the
// system's own files are signed with.
bool IsWindowsSigner(const std::wstring& signer);
// An entry of Windows' own: its file's verified signer is Windows'. False
// while the signer is not known: a row is never set apart by a guess.
bool IsWindowsEntry(const StartupEntry& row);

// What tells a program across its versions and folders: the signed file's
// name, in one letter case.
std::wstring ProgramKey(const StartupEntry& row);

// The programs seen before, by ProgramKey and verified signer. An entry
// that is new or changed since is a program's own update when its program
// is verified and signed by the signer of a program of the same file name
// seen there: the same vendor's next version, in whatever folder. An
// unsigned program, another signer, another file name, or a signer not known
// yet is no update.
class SeenPrograms {
 public:
  explicit SeenPrograms(const StartupList& seen);
  bool IsUpdate(const StartupEntry& now) const;

 private:
  std::set<std::pair<std::wstring, std::wstring>> signed_;
};

}  // namespace korvane
