#pragma once
// Switching startup entries off and on without deleting them, each the way
// Windows keeps it: where Windows 8 and later keep an approval (the Run keys
// of the user and of the machine, the two Startup folders), the approval is
// written as Windows writes it; everywhere else, and on Windows 7 and
// earlier, the entry is moved aside into Korvane's own store and put back
// byte for byte.
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "catalogue/scan.h"
#include "catalogue/moves.h"

namespace korvane {

// Every entry of the locations in scan order, and after them the entries
// that Korvane moved aside, in the order they were moved, each with its
// original location and switched off.
void ScanStartupListWithParked(StartupList& list);
// The same part by part (the parked entries the last part), reading again
// only what changed since `earlier` (ScanStartupList's rule).
void ScanStartupListWithParked(StartupList& list, ScanParts& parts, const EarlierScan* earlier);

struct SwitchFailure {
  std::wstring name, location, reason;
};

// Switches each row off (`on` false) or on; rows already so are passed over.
// One failure per row that could not be switched, with its reason; the row
// then stays as it was.
std::vector<SwitchFailure> SwitchStartupEntries(const StartupList& rows, bool on);

// The entries that the user switched off in Korvane are remembered (by
// their identity, under \Software\Korvane\KeptOff) until they are switched
// on in Korvane. Each row of `rows` among them that is on again (a program
// rewrote its approval, or wrote its Run value again after it was moved
// aside) is switched off again. Returns the names of those switched off now;
// one that could not be is tried again next time.
std::vector<std::wstring> KeepSwitchedOff(const StartupList& rows);
// After a move: a moved entry that the user had switched off is watched at
// its new place (where it went switched off), and no longer at the old one
// unless the old entry stayed there too.
void FollowMovedEntries(const StartupList& rows, const MoveResult& result, MoveTarget target);
// The balloon's text after KeepSwitchedOff switched `count` entries off.
std::wstring KeptOffBalloonText(size_t count);

// The message after a switch that failed for some rows; empty when none did.
std::wstring SwitchReport(const std::vector<SwitchFailure>& failures, bool on);

}  // namespace korvane
