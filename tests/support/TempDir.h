// A temporary directory that removes itself, and whole-file access, for tests that write files.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

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
