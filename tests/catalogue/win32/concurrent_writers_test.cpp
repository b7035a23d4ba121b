// The window and korvanec write the same stores at once: each keeps every
// record the other wrote, and no file is left half written or under a
// temporary name.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>
#include <vector>

#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "platform/win32/handles.h"
#include "support/programs.h"
#include "support/world.h"

namespace korvane {
namespace {

win32::KernelHandle StartKorvanec(const std::wstring& arguments) {
  std::wstring command = L"\"" + testing::HelperProgram(L"korvanec.exe") + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &info)) {
    return win32::KernelHandle();
  }
  CloseHandle(info.hThread);
  return win32::KernelHandle(info.hProcess);
}

TEST(ConcurrentWriters, EveryRecordOfBothProgramsIsKept) {
  test::ResetWorld();
  constexpr int kPrograms = 6;
  constexpr int kOwn = 6;
  for (int i = 0; i < kPrograms + kOwn; ++i) {
    const std::wstring tool = test::kRoot + L"\\Tools\\tool" + std::to_wstring(i) + L".exe";
    test::PutFile(tool);
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool" + std::to_wstring(i), tool);
  }
  StartupList rows;
  ScanStartupList(rows);
  ASSERT_EQ(rows.size(), static_cast<size_t>(kPrograms + kOwn));

  // korvanec deletes half of them while this process, as the window would,
  // keeps copies of the other half before writing over them.
  std::vector<win32::KernelHandle> programs;
  for (int i = 0; i < kPrograms; ++i) {
    programs.push_back(StartKorvanec(L"delete Tool" + std::to_wstring(i)));
    ASSERT_TRUE(programs.back());
  }
  // Wine lists a key's values sorted by name: the rows are found by name.
  for (const StartupEntry& row : rows) {
    if (std::stoi(row.name.substr(4)) < kPrograms) continue;
    std::wstring reason;
    EXPECT_TRUE(RecordBeforeOverwrite(row, RemovalWay::Replaced, reason)) << reason;
  }
  for (const win32::KernelHandle& program : programs) {
    ASSERT_EQ(WaitForSingleObject(program.get(), 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(program.get(), &code);
    EXPECT_EQ(code, 0u);
  }

  std::set<std::wstring> kept;
  for (const RemovedEntry& entry : ReadRemovedEntries()) kept.insert(entry.record.row.name);
  for (int i = 0; i < kPrograms + kOwn; ++i) {
    EXPECT_TRUE(kept.count(L"Tool" + std::to_wstring(i))) << i;
  }
  EXPECT_EQ(kept.size(), static_cast<size_t>(kPrograms + kOwn));
  // Every file of the store is a whole record or its bytes; no temporary is left.
  for (const auto& item : std::filesystem::directory_iterator(
           std::filesystem::path(LocalAppDataFolder()) / L"Korvane" / L"Removed")) {
    const std::wstring extension = item.path().extension().wstring();
    EXPECT_TRUE(extension == L".txt" || extension == L".bin") << item.path().wstring();
  }
}

}  // namespace
}  // namespace korvane
