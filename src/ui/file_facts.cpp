#include "ui/file_facts.h"

#include "catalogue/signers.h"
#include "platform/processes.h"

namespace korvane {

FileFacts ReadFileFacts(const std::wstring& path, bool check_signature) {
  FileFacts facts;
  facts.found = ReadFileStamp(path).has_value();
  if (!facts.found) return facts;
  // A file that can't be read leaves its cells empty; the list goes on.
  try {
    TLMDVersionInfo version;
    version.SetRetrieveFilename(path);
    facts.publisher = version.CompanyName;
    facts.description = version.FileDescription;
  } catch (...) {
  }
  if (check_signature) facts.signature = KnownFileSignature(path);
  return facts;
}

std::wstring SignatureText(const FileSignature& signature) {
  switch (signature.state) {
    case SignatureState::Verified:
      return signature.signer.empty() ? L"Verified" : L"Verified: " + signature.signer;
    case SignatureState::NotVerified:
      return L"Not verified: " + signature.reason;
    case SignatureState::NotSigned:
      break;
  }
  return L"Not signed";
}

FileFactsKeeper::FileFactsKeeper(std::function<void()> answered)
    : answered_(std::move(answered)), thread_([this] { Work(); }) {}

FileFactsKeeper::~FileFactsKeeper() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void FileFactsKeeper::Ask(const std::vector<std::wstring>& paths) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const std::wstring& path : paths) {
      if (queued_.insert(path).second) queue_.push_back(path);
    }
  }
  wake_.notify_one();
}

std::optional<FileFacts> FileFactsKeeper::Known(const std::wstring& path) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  auto found = kept_.find(path);
  if (found == kept_.end()) return std::nullopt;
  return found->second.facts;
}

bool FileFactsKeeper::Idle() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return queue_.empty() && !busy_;
}

void FileFactsKeeper::Work() {
  // Answers are told in batches: a list of thousands of rows is not redrawn
  // once per file.
  constexpr int kBatch = 32;
  int untold = 0;
  // The window and its first paint come first.
  RunThisThreadInBackground();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    const std::wstring path = std::move(queue_.front());
    queue_.pop_front();
    queued_.erase(path);
    busy_ = true;
    lock.unlock();
    std::optional<FileStamp> stamp = ReadFileStamp(path);
    bool known = false;
    {
      const std::lock_guard<std::mutex> look(mutex_);
      auto found = kept_.find(path);
      known = found != kept_.end() && found->second.stamp == stamp;
    }
    if (!known) {
      Kept kept{stamp, ReadFileFacts(path, true)};
      const std::lock_guard<std::mutex> store(mutex_);
      kept_[path] = std::move(kept);
      ++untold;
    }
    lock.lock();
    if (untold > 0 && (queue_.empty() || untold >= kBatch)) {
      untold = 0;
      lock.unlock();
      if (answered_) answered_();
      lock.lock();
    }
    busy_ = false;
  }
}

}  // namespace korvane
