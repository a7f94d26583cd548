#pragma once
// What the reliability tests share: a short, comparable form of a file's bytes, and the temporary files left.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quelvane::testing {

// "<size> bytes #<hash>": compares like the bytes, prints short.
inline std::string Fingerprint(std::string_view bytes) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char text[64];
  std::snprintf(text, sizeof text, "%zu bytes #%llx", bytes.size(), static_cast<unsigned long long>(hash));
  return text;
}

// The hidden temporary files a replacement leaves if it is killed.
inline std::vector<std::string> TemporaryFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code gone;
  for (const auto& entry : std::filesystem::directory_iterator(folder, gone))
    if (const std::string name = entry.path().filename(); name.find(".quelvane-") != name.npos) names.push_back(name);
  return names;
}

}  // namespace quelvane::testing
