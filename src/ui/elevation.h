#pragma once
// Changes that need administrator rights: Korvane starts korvanec as
// administrator (the UAC prompt) with the verb and the rows named exactly,
// waits for it and reads what it did. The undo records go to the store of
// the user who asked, whichever account the prompt ran it as.
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

// What korvanec did to one row, in its words ("done", "unchanged",
// "failed") and with its detail (where to, or why not).
struct ElevatedAction {
  std::wstring outcome, detail;
};

struct ElevatedResult {
  enum class Kind { Done, Declined, Failed } kind = Kind::Failed;
  std::wstring error;                   // Failed: why nothing can be said of the rows
  std::vector<ElevatedAction> actions;  // Done: one per row, in the rows' order
};

// korvanec's command line for `verb` (with `options`, such as "--to" and a
// target) on exactly `rows`, keeping the stores in `data_folder` and writing
// its result to `result_file`.
std::wstring ElevatedCommandLine(const std::wstring& verb, const std::vector<std::wstring>& options,
                                 const StartupList& rows, const std::wstring& data_folder,
                                 const std::wstring& result_file);

// Runs that command line as administrator beside the running program and
// waits for it; the prompt belongs to the window `owner`. A declined prompt
// changes nothing.
ElevatedResult ChangeAsAdministrator(const std::wstring& verb,
                                     const std::vector<std::wstring>& options,
                                     const StartupList& rows, void* owner = nullptr);

// Why each row was not done, in the rows' order; empty for a row that was.
// A declined prompt or a run that failed as a whole gives each row its reason.
std::vector<std::wstring> ElevatedReasons(size_t rows, const ElevatedResult& result);
// The report of the rows that were not done ("Name: reason" lines); empty
// when every row was done.
std::wstring ElevatedFailures(const StartupList& rows, const ElevatedResult& result);

// The line a command's question gains for the rows that need administrator
// rights: which they are (the first ten); empty for none.
std::wstring AdministratorNote(const StartupList& rows);

// The program's own name for itself in a window caption when it runs as
// administrator.
inline constexpr wchar_t kAdministratorCaption[] = L" (Administrator)";

// Restarts the window's program as administrator (the UAC prompt), telling
// the new instance (kRestartedSwitch and this process's id) to wait for this
// one to end; false when it did not start: declined (`error` empty), or
// failed (`error` says why).
inline constexpr wchar_t kRestartedSwitch[] = L"/restarted";
bool RestartAsAdministrator(uint32_t own_process_id, std::wstring& error, void* owner);

}  // namespace korvane
