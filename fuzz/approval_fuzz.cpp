// libFuzzer target: approval values of any type and data, as any program
// could write them. Reading them never crashes and changes nothing.
#include "catalogue/approval.h"
#include "store_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  const StartupList& before = fuzz::Rows();
  fuzz::ArrangeWorld();
  fuzz::Input in(data, size);
  const std::wstring base =
      L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
  // The entries' own names first, so that their values are read.
  memory::SetValue(RootKey::CurrentUser, base + L"Run", L"Tool",
                   static_cast<RegistryDataType>(in.Byte() % 7), in.Bytes());
  memory::SetValue(RootKey::CurrentUser, base + L"StartupFolder", L"run.bat",
                   static_cast<RegistryDataType>(in.Byte() % 7), in.Bytes());
  fuzz::PutValues(in, RootKey::CurrentUser, base + L"Run");
  fuzz::PutValues(in, RootKey::LocalMachine, base + L"Run32");
  StartupList rows = before;
  ReadApprovals(rows);
  for (const StartupEntry& row : rows) {
    if (std::optional<ApprovalPlace> place = ApprovalPlaceOf(row)) {
      if (std::optional<RegistryValue> value = ReadApproval(*place)) ApprovalSaysOff(*value);
    }
  }
  fuzz::RequireKept(before);
  return 0;
}
