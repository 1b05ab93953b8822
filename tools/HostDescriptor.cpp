#include "tools/HostDescriptor.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kMagic[4] = {'Q', 'D', 's', 'c'};

template <typename T>
void Put(std::string& out, T v) {
  char raw[sizeof(T)];
  std::memcpy(raw, &v, sizeof(T));
  out.append(raw, sizeof(T));
}

class Reader {
 public:
  explicit Reader(const std::string& s) : s(s) {}
  template <typename T>
  bool Get(T& v) {
    if (s.size() - pos < sizeof(T)) return false;
    std::memcpy(&v, s.data() + pos, sizeof(T));
    pos += sizeof(T);
    return true;
  }
  bool GetBytes(std::string& v) {
    uint32_t n = 0;
    if (!Get(n) || s.size() - pos < n) return false;
    v.assign(s, pos, n);
    pos += n;
    return true;
  }
  bool AtEnd() const { return pos == s.size(); }

 private:
  const std::string& s;
  size_t pos = 0;
};

void PutBytes(std::string& out, const std::string& bytes) {
  Put(out, uint32_t(bytes.size()));
  out += bytes;
}

}  // namespace

void HostDescriptor::PutInteger(DescriptorKeyID key, int32_t v) {
  DescriptorItem item;
  item.key = key;
  item.type = typeInteger;
  item.integer = v;
  items.push_back(item);
}

void HostDescriptor::PutFloat(DescriptorKeyID key, double v) {
  DescriptorItem item;
  item.key = key;
  item.type = typeFloat;
  item.number = v;
  items.push_back(item);
}

void HostDescriptor::PutBoolean(DescriptorKeyID key, bool v) {
  DescriptorItem item;
  item.key = key;
  item.type = typeBoolean;
  item.boolean = v;
  items.push_back(item);
}

const DescriptorItem* HostDescriptor::Find(DescriptorKeyID key) const {
  for (const DescriptorItem& item : items) {
    if (item.key == key) return &item;
  }
  return nullptr;
}

std::string HostDescriptor::Serialize() const {
  std::string out(kMagic, 4);
  Put(out, uint32_t(items.size()));
  for (const DescriptorItem& item : items) {
    Put(out, item.key);
    Put(out, item.type);
    switch (item.type) {
      case typeInteger:
        Put(out, item.integer);
        break;
      case typeFloat:
        Put(out, item.number);
        break;
      case typeUnitFloat:
        Put(out, item.code);
        Put(out, item.number);
        break;
      case typeBoolean:
        Put(out, uint8_t(item.boolean ? 1 : 0));
        break;
      case typeEnumerated:
        Put(out, item.code);
        Put(out, item.value);
        break;
      case typeClass:
      case typeGlobalClass:
        Put(out, item.code);
        break;
      case typeObject:
      case typeGlobalObject:
        Put(out, item.code);
        PutBytes(out, item.bytes);
        break;
      default:
        PutBytes(out, item.bytes);
        break;  // text, alias, reference
    }
  }
  return out;
}

bool HostDescriptor::Parse(const std::string& bytes, HostDescriptor& out) {
  if (bytes.size() < 8 || std::memcmp(bytes.data(), kMagic, 4) != 0) return false;
  Reader r(bytes);
  uint32_t magic = 0, count = 0;
  r.Get(magic);
  if (!r.Get(count)) return false;
  HostDescriptor d;
  for (uint32_t i = 0; i < count; ++i) {
    DescriptorItem item;
    bool ok = r.Get(item.key) && r.Get(item.type);
    if (!ok) return false;
    switch (item.type) {
      case typeInteger:
        ok = r.Get(item.integer);
        break;
      case typeFloat:
        ok = r.Get(item.number);
        break;
      case typeUnitFloat:
        ok = r.Get(item.code) && r.Get(item.number);
        break;
      case typeBoolean: {
        uint8_t b = 0;
        ok = r.Get(b);
        item.boolean = b != 0;
        break;
      }
      case typeEnumerated:
        ok = r.Get(item.code) && r.Get(item.value);
        break;
      case typeClass:
      case typeGlobalClass:
        ok = r.Get(item.code);
        break;
      case typeObject:
      case typeGlobalObject:
        ok = r.Get(item.code) && r.GetBytes(item.bytes);
        break;
      case typeText:
      case typeAlias:
      case typeObjectReference:
        ok = r.GetBytes(item.bytes);
        break;
      default:
        ok = false;
        break;
    }
    if (!ok) return false;
    d.items.push_back(std::move(item));
  }
  if (!r.AtEnd()) return false;
  out = std::move(d);
  return true;
}

std::string FourCCText(uint32_t code) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const unsigned char c = (unsigned char)(code >> shift);
    if (c >= 0x20 && c < 0x7F) {
      s += char(c);
    } else {
      char esc[8];
      std::snprintf(esc, sizeof(esc), "\\x%02X", c);
      s += esc;
    }
  }
  return s;
}
