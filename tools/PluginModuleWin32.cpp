// The Windows build: the .8bf is loaded with LoadLibrary and entered through the entry point
// its PiPL names. Paths are in the process code page, like argv.
#include <windows.h>

#include "tools/PluginModule.h"

namespace {

const char kSettingsKey[] = "SOFTWARE\\Kestrimond\\Photoshop\\Quenara";

class LoadedPlugin : public PluginModule {
 public:
  LoadedPlugin(HMODULE module, PluginEntryProc entry) : module(module), entry(entry) {}
  ~LoadedPlugin() override { FreeLibrary(module); }
  PluginEntryProc Entry() const override { return entry; }

 private:
  HMODULE module;
  PluginEntryProc entry;
};

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string s = text != nullptr ? text : "error " + std::to_string(code);
  if (text != nullptr) LocalFree(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == '.')) s.pop_back();
  return s;
}

// A registry value as it was before we touched it, to be put back afterwards.
struct SavedValue {
  const char* name;
  bool existed = false;
  DWORD type = 0;
  std::string data;
};
SavedValue savedLogFile{"LogFile", false, 0, {}};
SavedValue savedLogLevel{"LogLevel", false, 0, {}};
bool logRouted = false;

void Save(HKEY key, SavedValue& v) {
  DWORD type = 0, size = 0;
  v.existed = RegQueryValueExA(key, v.name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
  if (!v.existed) return;
  v.type = type;
  v.data.assign(size, '\0');
  if (RegQueryValueExA(key, v.name, nullptr, &type, reinterpret_cast<BYTE*>(&v.data[0]), &size) !=
      ERROR_SUCCESS) {
    v.existed = false;
  }
}

void Restore(HKEY key, const SavedValue& v) {
  if (v.existed) {
    RegSetValueExA(key, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                   DWORD(v.data.size()));
  } else {
    RegDeleteValueA(key, v.name);
  }
}

}  // namespace

std::string DefaultPluginPath() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return sizeof(void*) == 8 ? "Quenara64.8bf" : "Quenara.8bf";
  std::string dir(path, n);
  const size_t slash = dir.find_last_of("\\/");
  dir = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
  return dir + (sizeof(void*) == 8 ? "Quenara64.8bf" : "Quenara.8bf");
}

bool RoutePluginLog(const std::string& logPath, std::string& error) {
  HKEY key = nullptr;
  const LONG r = RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0,
                                 KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
  if (r != ERROR_SUCCESS) {
    error = "cannot set the plug-in's log file in the registry: " + SystemMessage(DWORD(r));
    return false;
  }
  Save(key, savedLogFile);
  Save(key, savedLogLevel);
  const DWORD level = 3;
  const bool ok =
      RegSetValueExA(key, "LogFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(logPath.c_str()),
                     DWORD(logPath.size() + 1)) == ERROR_SUCCESS &&
      RegSetValueExA(key, "LogLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level),
                     sizeof(level)) == ERROR_SUCCESS;
  RegCloseKey(key);
  logRouted = true;
  if (!ok) {
    RestorePluginLog();
    error = "cannot set the plug-in's log file in the registry";
  }
  return ok;
}

void RestorePluginLog() {
  if (!logRouted) return;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    Restore(key, savedLogFile);
    Restore(key, savedLogLevel);
    RegCloseKey(key);
  }
  logRouted = false;
}

std::unique_ptr<PluginModule> LoadPluginModule(const std::string& path,
                                               const std::string& entryName, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error = "cannot load the plug-in '" + path + "': " + SystemMessage(GetLastError());
    return nullptr;
  }
  const std::string name = entryName.empty() ? "ENTRYPOINT" : entryName;
  FARPROC proc = GetProcAddress(module, name.c_str());
  if (proc == nullptr) {
    FreeLibrary(module);
    error = "the plug-in '" + path + "' has no entry point " + name;
    return nullptr;
  }
  return std::make_unique<LoadedPlugin>(
      module, reinterpret_cast<PluginEntryProc>(reinterpret_cast<void*>(proc)));
}
