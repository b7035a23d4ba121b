#include "catalogue/signers.h"

#include <mutex>
#include <unordered_map>

#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

struct Checked {
  std::optional<FileStamp> stamp;
  FileSignature signature;
};

std::mutex checked_lock;
std::unordered_map<std::wstring, Checked>& CheckedFiles() {
  static auto* files = new std::unordered_map<std::wstring, Checked>;
  return *files;
}

// The DLL of a rundll32 command's parameters: quoted, or up to its comma.
std::wstring RundllTarget(const std::wstring& parameters) {
  const size_t start = parameters.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return {};
  std::wstring dll;
  if (parameters[start] == L'"') {
    const size_t end = parameters.find(L'"', start + 1);
    dll = parameters.substr(start + 1, end == std::wstring::npos ? end : end - start - 1);
  } else {
    size_t end = parameters.find(L',', start);
    if (end == std::wstring::npos) end = parameters.find_first_of(L" \t", start);
    dll = parameters.substr(start, end == std::wstring::npos ? end : end - start);
    while (!dll.empty() && (dll.back() == L' ' || dll.back() == L'\t')) dll.pop_back();
  }
  dll = ExpandEnvironment(dll);
  if (!dll.empty() && dll.find_first_of(L"\\/:") == std::wstring::npos) {
    return IncludeTrailingBackslash(WindowsDirectory()) + L"System32\\" + dll;
  }
  return dll;
}

}  // namespace

std::wstring SignedFile(const StartupEntry& row) {
  if (SameText(ExtractFileName(row.file_name), L"rundll32.exe")) {
    if (std::wstring dll = RundllTarget(row.parameters); !dll.empty()) return dll;
  }
  return row.file_name;
}

std::wstring RecordedSigner(const std::optional<FileSignature>& signature) {
  return signature && signature->state == SignatureState::Verified ? signature->signer : L"";
}

std::optional<FileSignature> KnownFileSignature(const std::wstring& path) {
  const std::optional<FileStamp> stamp = ReadFileStamp(path);
  const std::wstring key = LowerCase(path);
  FileSignature signature;
  {
    const std::lock_guard<std::mutex> held(checked_lock);
    auto found = CheckedFiles().find(key);
    if (found != CheckedFiles().end() && found->second.stamp == stamp) {
      return found->second.signature;
    }
  }
  // A missing file has no signature to check.
  if (stamp) {
    try {
      signature = CheckFileSignature(path);
    } catch (...) {
      return std::nullopt;
    }
  }
  const std::lock_guard<std::mutex> held(checked_lock);
  CheckedFiles()[key] = Checked{stamp, signature};
  return signature;
}

std::optional<std::wstring> LastSignerOf(const std::wstring& path) {
  const std::lock_guard<std::mutex> held(checked_lock);
  auto found = CheckedFiles().find(LowerCase(path));
  if (found == CheckedFiles().end()) return std::nullopt;
  return RecordedSigner(found->second.signature);
}

std::vector<std::optional<std::wstring>> SignersOf(const std::vector<std::wstring>& files,
                                                   bool check) {
  // Many rows name one file: each is looked at once.
  std::unordered_map<std::wstring, std::optional<std::wstring>> known;
  std::vector<std::optional<std::wstring>> signers;
  signers.reserve(files.size());
  for (const std::wstring& file : files) {
    auto [at, first] = known.try_emplace(LowerCase(file));
    if (first) {
      if (!check) {
        at->second = LastSignerOf(file);
      } else if (std::optional<FileSignature> signature = KnownFileSignature(file)) {
        at->second = RecordedSigner(signature);
      }
    }
    signers.push_back(at->second);
  }
  return signers;
}

std::vector<std::wstring> SignedFiles(const StartupList& rows) {
  std::vector<std::wstring> files;
  files.reserve(rows.size());
  for (const StartupEntry& row : rows) files.push_back(SignedFile(row));
  return files;
}

void SignRows(StartupList& rows, bool check) {
  const std::vector<std::optional<std::wstring>> signers = SignersOf(SignedFiles(rows), check);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (signers[i]) rows[i].signer = signers[i];
  }
}

void ForgetCheckedSignatures() {
  const std::lock_guard<std::mutex> held(checked_lock);
  CheckedFiles().clear();
}

bool IsWindowsSigner(const std::wstring& signer) {
  return signer == L"Microsoft Windows" || signer == L"Microsoft Windows Publisher";
}

bool IsWindowsEntry(const StartupEntry& row) {
  return row.signer && IsWindowsSigner(*row.signer);
}

std::wstring ProgramKey(const StartupEntry& row) {
  return LowerCase(ExtractFileName(SignedFile(row)));
}

SeenPrograms::SeenPrograms(const StartupList& seen) {
  for (const StartupEntry& row : seen) {
    if (row.signer && !row.signer->empty()) signed_.emplace(ProgramKey(row), *row.signer);
  }
}

bool SeenPrograms::IsUpdate(const StartupEntry& now) const {
  return now.signer && !now.signer->empty() && signed_.count({ProgramKey(now), *now.signer}) > 0;
}

}  // namespace korvane
