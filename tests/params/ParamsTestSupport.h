// Shared doubles for the parameter tests: a control that counts refreshes, a change-callback
// counter, a filter that only has an undo history, and a scratch directory.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "params/pfParameter.h"
#include "params/pfUndoHistory.h"
#include "ui/pfParameterUI.h"

class CountingControl : public pfParameterUI {
 public:
  void Refresh() override { ++refreshes; }
  int refreshes = 0;
};

struct CallbackCount {
  int calls = 0;
  pfParameter* last = nullptr;
  static void Record(pfParameter* p, intptr_t userData) {
    auto* self = reinterpret_cast<CallbackCount*>(userData);
    ++self->calls;
    self->last = p;
  }
  void Attach(pfParameter& p) {
    p.SetCallback(&CallbackCount::Record, reinterpret_cast<intptr_t>(this));
  }
};

// Stand-in for the host's filter: the parameter code needs only its history.
class pfFilter {
 public:
  pfFilter() { undoHistory.SetEnabled(true); }
  pfUndoHistory undoHistory;
};

class ScratchDir {
 public:
  ScratchDir() {
    static int counter = 0;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path = std::filesystem::temp_directory_path() /
           ("quenara-params-" + std::to_string(stamp) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(path);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string File(const std::string& name) const { return (path / name).string(); }
  std::filesystem::path path;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}
