// What the two programs load: libraries of the system folder only.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/programs.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// The libraries Windows always loads from its system folder (the known DLLs
// of current Windows), and comctl32, which the manifest binds.
const std::set<std::string> kSystemLibraries = {
    "advapi32.dll", "clbcatalog.dll", "combase.dll",  "comctl32.dll", "comdlg32.dll",
    "coml2.dll",    "difxapi.dll",    "gdi32.dll",    "gdiplus.dll",  "imagehlp.dll",
    "imm32.dll",    "kernel32.dll",   "msctf.dll",    "msvcrt.dll",   "normaliz.dll",
    "nsi.dll",      "ntdll.dll",      "ole32.dll",    "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll",   "sechost.dll",    "setupapi.dll", "shcore.dll",   "shell32.dll",
    "shlwapi.dll",  "user32.dll",     "wldap32.dll",  "ws2_32.dll"};

// The names in a program's import table, in lower case, read from the file.
std::vector<std::string> ImportedLibraries(const std::wstring& program) {
  std::ifstream file(fs::path(program), std::ios::binary);
  const std::vector<char> image((std::istreambuf_iterator<char>(file)), {});
  auto read = [&image](size_t offset, auto& out) {
    if (offset + sizeof(out) > image.size()) throw std::runtime_error("truncated image");
    std::memcpy(&out, image.data() + offset, sizeof(out));
  };
  IMAGE_DOS_HEADER dos;
  read(0, dos);
  const size_t file_header_at = dos.e_lfanew + sizeof(DWORD);
  IMAGE_FILE_HEADER header;
  read(file_header_at, header);
  const size_t optional_at = file_header_at + sizeof(header);
  WORD magic = 0;
  read(optional_at, magic);
  IMAGE_DATA_DIRECTORY imports;
  if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
    IMAGE_OPTIONAL_HEADER64 optional;
    read(optional_at, optional);
    imports = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  } else {
    IMAGE_OPTIONAL_HEADER32 optional;
    read(optional_at, optional);
    imports = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  }
  std::vector<IMAGE_SECTION_HEADER> sections(header.NumberOfSections);
  for (size_t i = 0; i < sections.size(); ++i) {
    read(optional_at + header.SizeOfOptionalHeader + i * sizeof(IMAGE_SECTION_HEADER), sections[i]);
  }
  auto offset_of = [&sections](DWORD rva) -> size_t {
    for (const IMAGE_SECTION_HEADER& s : sections) {
      DWORD size = std::max<DWORD>(s.Misc.VirtualSize, s.SizeOfRawData);
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + size) {
        return rva - s.VirtualAddress + s.PointerToRawData;
      }
    }
    throw std::runtime_error("address outside every section");
  };

  std::vector<std::string> names;
  for (size_t at = offset_of(imports.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor;
    read(at, descriptor);
    if (descriptor.Name == 0) break;
    std::string name;
    for (size_t c = offset_of(descriptor.Name); c < image.size() && image[c]; ++c) {
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(image[c])));
    }
    names.push_back(name);
  }
  return names;
}

TEST(Libraries, ProgramsImportOnlyLibrariesThatWindowsTakesFromItsSystemFolder) {
  for (const wchar_t* program : {L"korvane.exe", L"korvanec.exe"}) {
    std::vector<std::string> names = ImportedLibraries(testing::HelperProgram(program));
    EXPECT_NE(std::find(names.begin(), names.end(), "kernel32.dll"), names.end());
    for (const std::string& name : names) {
      EXPECT_TRUE(kSystemLibraries.count(name)) << ToUtf8(program) << " imports " << name;
    }
  }
}

}  // namespace
}  // namespace korvane
