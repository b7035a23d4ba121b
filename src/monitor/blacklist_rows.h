#pragma once
// The rows of the blacklist dialog and taking names off the blacklist.
#include <string>
#include <vector>

namespace korvane {

struct BlacklistRow {
  std::wstring file_name;  // the blacklist name, as stored
  bool found = false;      // a file of that name exists now
  int icon = 0;            // its small system icon; 0, the generic one, when not found
};

// Every blacklist name, found or not, in the key's order: a name whose file
// is gone must stay visible, or it could never be taken off the list.
std::vector<BlacklistRow> BlacklistRows();
// The row's text: the name, and " (file not found)" when its file is missing.
std::wstring BlacklistRowCaption(const BlacklistRow& row);

// "Delete": takes each name off the blacklist.
void RemoveFromBlacklist(const std::vector<std::wstring>& file_names);

}  // namespace korvane
