// Readers for the standard Win32 resource formats the plug-in carries: dialog templates (plain
// and extended), string-table blocks, icon and cursor groups and the images they point at.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct DialogControl {
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  int32_t id = 0;  // a 16-bit identifier in plain templates, read as signed (-1 stays -1)
  // Predefined classes are stored as ordinals and given their names here ("Button", "Edit",
  // "Static", "ListBox", "ScrollBar", "ComboBox").
  std::string className;
  std::string text;          // UTF-8
  uint16_t textOrdinal = 0;  // non-zero when the text is a resource ordinal
};

struct DialogTemplate {
  bool extended = false;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::string menu;
  std::string windowClass;
  std::string title;
  uint16_t pointSize = 0;  // font, when the style has DS_SETFONT
  std::string fontName;
  std::vector<DialogControl> controls;
};

constexpr uint32_t kDialogSetFont = 0x40;  // DS_SETFONT

bool ParseDialogTemplate(const std::vector<uint8_t>& bytes, DialogTemplate* dialog,
                         std::string* error);

// A string-table resource holds the 16 strings with identifiers (block - 1) * 16 .. + 15.
uint16_t StringTableBlock(uint16_t stringId);
bool ParseStringTableBlock(const std::vector<uint8_t>& bytes,
                           std::array<std::u16string, 16>* strings, std::string* error);

// One entry of an icon group (type 1) or cursor group (type 2).
struct IconGroupEntry {
  uint16_t width = 0;
  uint16_t height = 0;  // cursor groups store the height of colour image and mask together
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t bytes = 0;
  uint16_t id = 0;  // the RT_ICON / RT_CURSOR resource with the image
};

struct IconGroup {
  uint16_t type = 0;  // 1 icons, 2 cursors
  std::vector<IconGroupEntry> entries;
};

bool ParseIconGroup(const std::vector<uint8_t>& bytes, IconGroup* group, std::string* error);

// The header of an icon or cursor image (a bitmap whose height counts colour image and mask);
// cursors put their hot spot in front of it.
struct IconImage {
  uint16_t hotspotX = 0, hotspotY = 0;  // cursors only
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
  size_t dataSize = 0;  // bytes after the header
};

bool ParseIconImage(const std::vector<uint8_t>& bytes, bool cursor, IconImage* image,
                    std::string* error);
