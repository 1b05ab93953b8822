#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/Log.h"
#include "base/PluginLog.h"
#include "tests/support/TempDir.h"

namespace {

constexpr const char* kKey = "SOFTWARE\\Kestrimond\\Photoshop\\Quenara";

// Sets the log values under the plug-in's key and removes exactly those values afterwards, so
// that other settings in the key (dialog state) survive the test.
class RegistryLogSetting : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    QuenaraOpenLog(nullptr, kLogTrace);
  }
  void TearDown() override {
    RegDeleteValueA(key, "LogFile");
    RegDeleteValueA(key, "LogLevel");
    RegCloseKey(key);
    QuenaraOpenLog(nullptr, kLogTrace);
    if (!path.empty()) std::remove(path.c_str());
  }
  void SetString(const char* name, DWORD type, const std::string& value) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD(value.size() + 1)),
              ERROR_SUCCESS);
  }
  void SetLevel(DWORD level) {
    ASSERT_EQ(RegSetValueExA(key, "LogLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level),
                             sizeof(level)),
              ERROR_SUCCESS);
  }
  static std::string TempDirectory() {
    char dir[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, dir);
    return dir;
  }
  HKEY key = nullptr;
  std::string path;
};

// Appends to the named file (expanded), at the level given or else the default, everything.
TEST_F(RegistryLogSetting, FileAndLevelComeFromTheCurrentUsersKey) {
  path = TempDirectory() + "quenara_registry_log.txt";
  std::remove(path.c_str());
  SetLevel(2);
  OpenPluginLogFromSettings();
  EXPECT_FALSE(LogWanted(kLogError));  // no file named: the log stays closed
  SetString("LogFile", REG_EXPAND_SZ, "%TEMP%\\quenara_registry_log.txt");
  OpenPluginLogFromSettings();
  EXPECT_EQ(GetLogLevel(), 2);
  QLOG_TRACE("not written");
  QLOG_WARNING("written");
  ASSERT_EQ(RegDeleteValueA(key, "LogLevel"), ERROR_SUCCESS);
  QuenaraOpenLog(nullptr, kLogTrace);  // as at the plug-in's start
  SetString("LogFile", REG_SZ, path);
  OpenPluginLogFromSettings();
  EXPECT_EQ(GetLogLevel(), kLogTrace);
  QLOG_TRACE("traced");
  QuenaraOpenLog(nullptr, kLogTrace);
  EXPECT_EQ(ReadFileForTest(path), "-**### WARNING ###**-: written\r\ntraced\r\n");
}

}  // namespace
