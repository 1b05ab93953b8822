// A temporary directory that removes itself, and whole-file access, for tests that write files.
// Also the lines of a text, without line ends (CR LF included) and empty lines.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

class TempDir {
 public:
  TempDir() {
    std::random_device seed;
    dir = std::filesystem::temp_directory_path() /
          ("quenara-test-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(dir);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  std::filesystem::path Dir() const { return dir; }

 private:
  std::filesystem::path dir;
};

inline std::string ReadFileForTest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFileForTest(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}
