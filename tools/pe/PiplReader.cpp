#include "tools/pe/PiplReader.h"

#include "tools/pe/ByteCursor.h"
#include "tools/pe/PeReader.h"

namespace {

constexpr uint32_t Code(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

constexpr uint32_t kVendorPhotoshop = Code("8BIM");
// A property list cannot hold more properties than bytes; this bounds a corrupt count early.
constexpr uint32_t kMaxProperties = 4096;

void Interpret(const PiplProperty& p, PiplInfo* info) {
  ByteCursor c(p.data);
  switch (p.key) {
    case Code("kind"):
      info->kind = c.U32();
      break;
    case Code("name"):
      info->name = c.PString();
      break;
    case Code("catg"):
      info->category = c.PString();
      break;
    case Code("vers"):
      info->interfaceVersion = c.U32();
      break;
    case Code("wx86"):
    case Code("8664"):
    case Code("wa64"):
      info->entryPoints.push_back({p.key, c.CString()});
      break;
    case Code("mode"):
      info->hasModes = p.data.size() >= 2;
      info->modes = info->hasModes ? uint16_t((p.data[0] << 8) | p.data[1]) : 0;
      break;
    case Code("enbl"):
      info->enableExpression = c.CString();
      break;
    case Code("fici"):
      for (size_t i = 0; i + 4 <= p.data.size(); i += 4)
        info->filterCases.push_back({p.data[i], p.data[i + 1], p.data[i + 2], p.data[i + 3]});
      break;
    case Code("hstm"):
      c.U32();  // version
      info->terminologyClass = c.U32();
      info->terminologyEvent = c.U32();
      info->terminologyId = c.U16();
      info->terminologyScope = c.CString();
      info->hasTerminology = !c.Failed();
      break;
    default:
      break;
  }
}

}  // namespace

std::string PiplInfo::EntryPointFor(uint16_t machine) const {
  uint32_t wanted = machine == kPeMachineI386    ? Code("wx86")
                    : machine == kPeMachineAmd64 ? Code("8664")
                    : machine == kPeMachineArm64 ? Code("wa64")
                                                 : 0;
  for (const PiplEntryPoint& e : entryPoints)
    if (e.key == wanted) return e.name;
  return {};
}

bool ParsePipl(const std::vector<uint8_t>& bytes, PiplInfo* info, std::string* error) {
  *info = PiplInfo();
  ByteCursor c(bytes);
  info->reserved = c.U16();
  info->version = c.U32();
  uint32_t count = c.U32();
  if (c.Failed()) {
    *error = "property list shorter than its header";
    return false;
  }
  if (count > kMaxProperties) {
    *error = "implausible property count " + std::to_string(count);
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) {
    PiplProperty p;
    p.vendor = c.U32();
    p.key = c.U32();
    p.id = c.S32();
    p.length = c.U32();
    p.data = c.Bytes(p.length);
    // The last property may end the list without its padding.
    if (i + 1 < count) c.Skip((4 - p.length % 4) % 4);
    if (c.Failed()) {
      *error = "property " + std::to_string(i + 1) + " runs past the end of the list";
      return false;
    }
    if (p.vendor == kVendorPhotoshop) Interpret(p, info);
    info->properties.push_back(std::move(p));
  }
  return true;
}

bool ReadPluginPipl(const PeReader& pe, PiplInfo* info, std::string* error) {
  std::vector<const PeResource*> lists = pe.FindResources("PIPL");
  if (lists.empty()) {
    *error = "no PIPL resource: not a Photoshop plug-in";
    return false;
  }
  std::vector<uint8_t> bytes;
  if (!pe.ReadResource(*lists.front(), &bytes)) {
    *error = "PIPL resource outside the file";
    return false;
  }
  return ParsePipl(bytes, info, error);
}

std::string FourCharText(uint32_t code) {
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = char((code >> shift) & 0xFF);
    out += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return out;
}

std::string PiplModeNames(uint16_t modes) {
  static const struct {
    uint16_t bit;
    const char* name;
  } names[] = {{kPiplModeBitmap, "Bitmap"},   {kPiplModeGrayScale, "GrayScale"},
               {kPiplModeIndexed, "Indexed"}, {kPiplModeRgb, "RGB"},
               {kPiplModeCmyk, "CMYK"},       {kPiplModeHsl, "HSL"},
               {kPiplModeHsb, "HSB"},         {kPiplModeMultichannel, "Multichannel"},
               {kPiplModeDuotone, "Duotone"}, {kPiplModeLab, "Lab"}};
  std::string out;
  for (const auto& n : names) {
    if (!(modes & n.bit)) continue;
    if (!out.empty()) out += ", ";
    out += n.name;
  }
  return out;
}
