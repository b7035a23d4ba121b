#include "platform/files.h"
#include "platform/shell.h"

namespace korvane {

void TLMDVersionInfo::SetRetrieveFilename(const std::wstring& file) {
  if (assigned_ && file == retrieve_filename_) return;
  assigned_ = true;
  retrieve_filename_ = file;
  for (std::wstring* p : {&FileDescription, &CompanyName, &ProductVersion, &Language, &ProductName,
                          &FileVersion, &OriginalFilename, &InternalFilename, &LegalCopyright,
                          &LegalTrademarks, &Comments}) {
    p->clear();
  }
  ++read_count_;
  Read(file.empty() ? OwnExecutablePath() : file);
}

}  // namespace korvane
