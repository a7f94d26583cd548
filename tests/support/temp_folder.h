#pragma once
// A fresh folder per test, removed afterwards, and byte-exact file access.

#include <string>
#include <string_view>
#include <vector>

namespace quelvane::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string PathOf(std::string_view name) const { return path_ + "/" + std::string(name); }
  void Write(std::string_view name, std::string_view bytes) const;
  std::string Read(std::string_view name) const;
  // Every entry of the folder, hidden ones included, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// Test texts in code page 936, for fixtures whose exact bytes are checked elsewhere against known values.
std::string Gbk(std::u16string_view text);

}  // namespace quelvane::testing
