#pragma once
// The one error type of the platform layer. Its text names the failed call,
// value or file, and is what the user sees in the error box.
#include <exception>
#include <string>

namespace korvane {

class PlatformError : public std::exception {
 public:
  explicit PlatformError(std::wstring text);
  const std::wstring& Text() const noexcept { return text_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::wstring text_;
  std::string utf8_;
};

}  // namespace korvane
