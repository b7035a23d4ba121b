#pragma once
#include <string>
#include <vector>

namespace korvane {

// One row of the startup list. The texts are the entry: every command reads
// the name, file name, parameters and location from them.
struct StartupEntry {
  std::wstring name;
  bool running = false;
  std::wstring file_name;
  std::wstring parameters;
  std::wstring location;  // the location text
};

using StartupList = std::vector<StartupEntry>;

}  // namespace korvane
