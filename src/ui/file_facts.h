#pragma once
// What the list shows of each program file beside its entry: whose it is
// (the version resource's company and description) and whether its
// signature checks. Read off the window's thread and kept per file.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/files.h"
#include "platform/shell.h"

namespace korvane {

struct FileFacts {
  bool found = false;                      // the file exists
  std::wstring publisher;                  // CompanyName, in the language the file offers first
  std::wstring description;                // FileDescription
  std::optional<FileSignature> signature;  // nothing: not checked
};

// Reads the facts of one file now; the signature only when asked for, since
// checking it hashes the whole file.
FileFacts ReadFileFacts(const std::wstring& path, bool check_signature);

// "Verified: <signer>", "Not verified: <reason>" or "Not signed".
std::wstring SignatureText(const FileSignature& signature);

// Reads the facts of the files it is asked about on a thread of its own, each
// file once: a file is read again only when its size or last-write time
// changed (or it appeared or went). `answered` is called on that thread when
// new answers are in (not once per file: when it has caught up, and now and
// then while a long list is read).
class FileFactsKeeper {
 public:
  explicit FileFactsKeeper(std::function<void()> answered);
  ~FileFactsKeeper();
  FileFactsKeeper(const FileFactsKeeper&) = delete;
  FileFactsKeeper& operator=(const FileFactsKeeper&) = delete;

  // Queues the files for a look; the ones already queued stay where they are.
  void Ask(const std::vector<std::wstring>& paths);
  // The last answer for the file; nothing until the first one is in.
  std::optional<FileFacts> Known(const std::wstring& path) const;
  // True when every file asked for has been looked at.
  bool Idle() const;

 private:
  struct Kept {
    std::optional<FileStamp> stamp;
    FileFacts facts;
  };
  void Work();

  std::function<void()> answered_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::wstring> queue_;
  std::unordered_set<std::wstring> queued_;
  std::unordered_map<std::wstring, Kept> kept_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once everything above is made
};

}  // namespace korvane
