#pragma once
// Shell services: shortcuts, version information, icons, the properties sheet
// and starting a program or opening a document.
#include <cstdint>
#include <memory>
#include <string>

namespace korvane {

enum class ShowCommand { Normal, Maximized, Minimized };

// Reads shortcut (.lnk) files. Properties keep the last shortcut that loaded.
class TLMDShellLink {
 public:
  TLMDShellLink();  // creates the shell link object; throws when it cannot
  ~TLMDShellLink();
  TLMDShellLink(const TLMDShellLink&) = delete;
  TLMDShellLink& operator=(const TLMDShellLink&) = delete;

  // True when loaded; on failure every property stays as it was.
  bool LoadShellLink(const std::wstring& file, uint32_t mode = 0);

  std::wstring Path;  // raw target: environment references unexpanded
  std::wstring Arguments;
  std::wstring WorkingDirectory;
  std::wstring Description;
  std::wstring IconLocation;
  int IconIndex = 0;
  uint16_t HotKey = 0;
  ShowCommand ShowCmd = ShowCommand::Normal;
  std::wstring FileName;  // never set by loading
  // The target with its environment references, as the shortcut's
  // environment data block holds it; empty when it has none.
  std::wstring ExpandableTarget;

  struct Object;

 private:
  std::unique_ptr<Object> object_;
};

// Writes a shortcut file (replacing one of that name) with the target, the
// arguments, the description and the working folder (none when empty); no
// icon or hot key. An `expandable_target` (the target with environment
// references, which the shell expands when it starts the shortcut) goes
// into the shortcut's environment data block.
// Throws when the shell link object cannot be created.
void CreateStartupShortcut(const std::wstring& target, const std::wstring& shortcut_path,
                           const std::wstring& description, const std::wstring& arguments,
                           const std::wstring& working_directory = {},
                           const std::wstring& expandable_target = {});

class TLMDVersionInfo {
 public:
  // Rereads every property, but only when `file` differs from the current
  // name (exact comparison); empty stands for the running program itself.
  void SetRetrieveFilename(const std::wstring& file);
  const std::wstring& RetrieveFilename() const { return retrieve_filename_; }
  int ReadCount() const { return read_count_; }  // how often a file was read

  std::wstring FileDescription, CompanyName, ProductVersion, Language, ProductName, FileVersion,
      OriginalFilename, InternalFilename, LegalCopyright, LegalTrademarks, Comments;

 private:
  void Read(const std::wstring& path);
  std::wstring retrieve_filename_;
  bool assigned_ = false;
  int read_count_ = 0;
};

// What a file's Authenticode signature says: embedded in the file, or for
// the system's own files through its catalogs.
enum class SignatureState { NotSigned, Verified, NotVerified };
struct FileSignature {
  SignatureState state = SignatureState::NotSigned;
  std::wstring signer;  // Verified: the signer's name from its certificate
  std::wstring reason;  // NotVerified: why the check failed
  bool operator==(const FileSignature&) const = default;
};
// Checks the signature offline: revocation is not looked up on the network.
// Takes time (hashing the whole file); call it off the window's thread.
FileSignature CheckFileSignature(const std::wstring& path);

// Index of the file's small icon in the system image list; 0 when none, and
// for a name beyond the path limit (a long URL, say).
int SystemIconIndex(const std::wstring& path);
// SystemIconIndex asked once per file: the answer is kept for as long as the
// program runs and asked again only when the file's size or last-write time
// changes (or it appears or goes).
int CachedIconIndex(const std::wstring& path);

enum class OwnerWindow { None, OwnerForm, Application };

class TLMDShellObjectPropertiesDialog {
 public:
  std::wstring ObjectName;
  std::wstring InitialTab;
  OwnerWindow OwnerHandle = OwnerWindow::None;
  void* owner_form = nullptr;   // window handle used with OwnerForm
  void* application = nullptr;  // window handle used with Application
  // True when the sheet was shown.
  bool Execute();
};

// ShellExecute "open" with SW_SHOWNORMAL; parameters and folder may be empty.
void ShellOpen(const std::wstring& file, const std::wstring& parameters,
               const std::wstring& folder);

// Whether this process holds an administrator's full token (UAC elevated, or
// UAC off for an administrator).
bool RunsElevated();

// Starting a program as administrator: ShellExecuteEx "runas", which shows
// the UAC prompt. Declined: the user said no (nothing was started).
struct ElevatedRun {
  enum class Outcome { Ended, Started, Declined, Failed } outcome = Outcome::Failed;
  uint32_t exit_code = 0;  // Ended
  std::wstring error;      // Failed
};
// Starts `program` with `parameters` (one command line). With `wait` it
// starts hidden (a console program) and is waited for (Ended); else it is
// shown as usual and answers Started. The prompt belongs to the window
// `owner` (none when null), which keeps it in front.
ElevatedRun RunElevated(const std::wstring& program, const std::wstring& parameters, bool wait,
                        void* owner = nullptr);

}  // namespace korvane
