#include "tools/pe/ResourceFormats.h"

#include "tools/pe/ByteCursor.h"

namespace {

// A template field that is either empty (0), an ordinal (0xFFFF then the value) or a string.
std::string SzOrOrdinal(ByteCursor& c, uint16_t* ordinal) {
  uint16_t first = c.U16();
  if (first == 0) return {};
  if (first == 0xFFFF) {
    uint16_t value = c.U16();
    if (ordinal != nullptr) *ordinal = value;
    std::string text = "#";  // appended, not '"#" + ...', which GCC 12 warns about wrongly
    text += std::to_string(value);
    return text;
  }
  std::u16string text(1, char16_t(first));
  text += c.WString();
  return Utf16ToUtf8(text);
}

std::string ControlClass(ByteCursor& c) {
  uint16_t ordinal = 0;
  std::string name = SzOrOrdinal(c, &ordinal);
  switch (ordinal) {
    case 0x80:
      return "Button";
    case 0x81:
      return "Edit";
    case 0x82:
      return "Static";
    case 0x83:
      return "ListBox";
    case 0x84:
      return "ScrollBar";
    case 0x85:
      return "ComboBox";
    default:
      return name;
  }
}

}  // namespace

bool ParseDialogTemplate(const std::vector<uint8_t>& bytes, DialogTemplate* dialog,
                         std::string* error) {
  *dialog = DialogTemplate();
  ByteCursor c(bytes);
  uint16_t itemCount;
  // An extended template starts with version 1 and the signature 0xFFFF.
  dialog->extended =
      bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
  if (dialog->extended) {
    c.Skip(8);  // version, signature, help id
    dialog->exStyle = c.U32();
    dialog->style = c.U32();
  } else {
    dialog->style = c.U32();
    dialog->exStyle = c.U32();
  }
  itemCount = c.U16();
  dialog->x = c.S16();
  dialog->y = c.S16();
  dialog->cx = c.S16();
  dialog->cy = c.S16();
  dialog->menu = SzOrOrdinal(c, nullptr);
  dialog->windowClass = SzOrOrdinal(c, nullptr);
  dialog->title = Utf16ToUtf8(c.WString());
  if (dialog->style & kDialogSetFont) {
    dialog->pointSize = c.U16();
    if (dialog->extended) c.Skip(4);  // weight, italic, character set
    dialog->fontName = Utf16ToUtf8(c.WString());
  }
  for (uint16_t i = 0; i < itemCount && !c.Failed(); ++i) {
    c.Align(4);
    DialogControl control;
    if (dialog->extended) {
      c.Skip(4);  // help id
      control.exStyle = c.U32();
      control.style = c.U32();
    } else {
      control.style = c.U32();
      control.exStyle = c.U32();
    }
    control.x = c.S16();
    control.y = c.S16();
    control.cx = c.S16();
    control.cy = c.S16();
    control.id = dialog->extended ? c.S32() : c.S16();
    control.className = ControlClass(c);
    control.text = SzOrOrdinal(c, &control.textOrdinal);
    // Creation data: a plain template's size word counts itself, an extended one's does not.
    uint16_t extra = c.U16();
    c.Skip(dialog->extended ? extra : (extra > 2 ? extra - 2 : 0));
    dialog->controls.push_back(std::move(control));
  }
  if (c.Failed()) {
    *error = "dialog template ends inside a structure";
    return false;
  }
  return true;
}

uint16_t StringTableBlock(uint16_t stringId) { return uint16_t((stringId >> 4) + 1); }

bool ParseStringTableBlock(const std::vector<uint8_t>& bytes,
                           std::array<std::u16string, 16>* strings, std::string* error) {
  ByteCursor c(bytes);
  for (std::u16string& s : *strings) {
    s.clear();
    uint16_t length = c.U16();
    for (uint16_t i = 0; i < length; ++i) s += char16_t(c.U16());
  }
  if (c.Failed()) {
    *error = "string table block ends inside a string";
    return false;
  }
  return true;
}

bool ParseIconGroup(const std::vector<uint8_t>& bytes, IconGroup* group, std::string* error) {
  *group = IconGroup();
  ByteCursor c(bytes);
  c.U16();  // reserved
  group->type = c.U16();
  uint16_t count = c.U16();
  for (uint16_t i = 0; i < count && !c.Failed(); ++i) {
    IconGroupEntry e;
    if (group->type == 2) {
      e.width = c.U16();
      e.height = c.U16();
    } else {
      e.width = c.U8();
      e.height = c.U8();
      c.Skip(2);  // colour count, reserved
    }
    // A byte of 0 means 256 in the icon entry's one-byte sizes.
    if (group->type != 2 && e.width == 0) e.width = 256;
    if (group->type != 2 && e.height == 0) e.height = 256;
    e.planes = c.U16();
    e.bitCount = c.U16();
    e.bytes = c.U32();
    e.id = c.U16();
    group->entries.push_back(e);
  }
  if (c.Failed() || (group->type != 1 && group->type != 2)) {
    *error = "damaged icon or cursor group";
    return false;
  }
  return true;
}

bool ParseIconImage(const std::vector<uint8_t>& bytes, bool cursor, IconImage* image,
                    std::string* error) {
  *image = IconImage();
  ByteCursor c(bytes);
  if (cursor) {
    image->hotspotX = c.U16();
    image->hotspotY = c.U16();
  }
  size_t start = c.Position();
  uint32_t headerSize = c.U32();
  image->width = c.S32();
  image->height = c.S32();
  c.U16();  // planes
  image->bitCount = c.U16();
  image->compression = c.U32();
  c.Skip(12);  // image size, resolution
  image->coloursUsed = c.U32();
  if (c.Failed() || headerSize < 40 || !c.Seek(start + headerSize)) {
    *error = "damaged icon or cursor image";
    return false;
  }
  image->dataSize = c.Remaining();
  return true;
}
