// What the dialog remembers per user between runs, in the current user's registry hive: where
// both windows were, the preset file, the "hide handle" and "fixed preview" flags, and the
// values of the last run that ended with OK. Every registry failure is silent: what cannot be
// read keeps its default or current value, what cannot be written is not stored.
#pragma once

#include <windows.h>

#include <string>

class pfParameters;

class pfDialogStateWin32 {
 public:
  static const char* const kKey;
  static const char* const kLastUsedKey;

  // Interface dialog: moves it to the stored point (clamped to the virtual screen) and reads
  // the preset path and both flags; missing values leave the arguments as they are.
  static void ReadInterface(HWND dialog, std::string& presetPath, bool& showHandle,
                            bool& interruptPreview);
  static void WriteInterface(HWND dialog, const std::string& presetPath, bool showHandle,
                             bool interruptPreview);
  // Preview window: its normal rectangle and whether it is maximised.
  static void ReadPreview(HWND window);
  static void WritePreview(HWND window);

  // One group of values per saved parameter. Reading applies a parameter only when every
  // one of its values has the expected size, through the setters and without undo records.
  static void ReadLastUsed(pfParameters& parameters);
  static void WriteLastUsed(pfParameters& parameters);

  // A negative coordinate becomes 0, one beyond the virtual screen's extent that extent - 50.
  static void ClampToVirtualScreen(LONG& x, LONG& y);
};
