#include "tools/HostDescriptorSuite.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Mac error codes the descriptor routines answer with.
constexpr OSErr kCoercionFailed = -1700;  // errAECoercionFail: value of another type
constexpr OSErr kCoercedParam = 2;        // coercedParamErr: a pinned value was clamped

}  // namespace

struct HostDescriptorSuite::ReadToken {
  HostDescriptor descriptor;
  size_t next = 0;
  const DescriptorItem* current = nullptr;
  DescriptorKeyID* keys = nullptr;
  OSErr sticky = noErr;
};

struct HostDescriptorSuite::WriteToken {
  HostDescriptor descriptor;
};

HostDescriptorSuite* HostDescriptorSuite::active = nullptr;

HostDescriptorSuite::HostDescriptorSuite(HostHandleSuite& handles) : handles(handles) {
  previous = active;  // the newest instance serves the callbacks until it ends
  active = this;
  readProcs = ReadDescriptorProcs{};
  readProcs.readDescriptorProcsVersion = 0;
  readProcs.numReadDescriptorProcs = 18;
  readProcs.openReadDescriptorProc = OpenRead;
  readProcs.closeReadDescriptorProc = CloseRead;
  readProcs.getKeyProc = GetKey;
  readProcs.getIntegerProc = GetInteger;
  readProcs.getFloatProc = GetFloat;
  readProcs.getUnitFloatProc = GetUnitFloat;
  readProcs.getBooleanProc = GetBoolean;
  readProcs.getTextProc = GetText;
  readProcs.getAliasProc = GetAlias;
  readProcs.getEnumeratedProc = GetEnumerated;
  readProcs.getClassProc = GetClass;
  readProcs.getSimpleReferenceProc = GetSimpleReference;
  readProcs.getObjectProc = GetObject;
  readProcs.getCountProc = GetCount;
  readProcs.getStringProc = GetString;
  readProcs.getPinnedIntegerProc = GetPinnedInteger;
  readProcs.getPinnedFloatProc = GetPinnedFloat;
  readProcs.getPinnedUnitFloatProc = GetPinnedUnitFloat;

  writeProcs = WriteDescriptorProcs{};
  writeProcs.writeDescriptorProcsVersion = 0;
  writeProcs.numWriteDescriptorProcs = 16;
  writeProcs.openWriteDescriptorProc = OpenWrite;
  writeProcs.closeWriteDescriptorProc = CloseWrite;
  writeProcs.putIntegerProc = PutInteger;
  writeProcs.putFloatProc = PutFloat;
  writeProcs.putUnitFloatProc = PutUnitFloat;
  writeProcs.putBooleanProc = PutBoolean;
  writeProcs.putTextProc = PutText;
  writeProcs.putAliasProc = PutAlias;
  writeProcs.putEnumeratedProc = PutEnumerated;
  writeProcs.putClassProc = PutClass;
  writeProcs.putSimpleReferenceProc = PutSimpleReference;
  writeProcs.putObjectProc = PutObject;
  writeProcs.putCountProc = PutCount;
  writeProcs.putStringProc = PutString;
  writeProcs.putScopedClassProc = PutScopedClass;
  writeProcs.putScopedObjectProc = PutScopedObject;
}

HostDescriptorSuite::~HostDescriptorSuite() { active = previous; }

Handle HostDescriptorSuite::Store(const HostDescriptor& descriptor) {
  return handles.NewFrom(descriptor.Serialize());
}

bool HostDescriptorSuite::Load(Handle h, HostDescriptor& descriptor) const {
  if (!handles.Owns(h)) return false;
  return HostDescriptor::Parse(handles.Contents(h), descriptor);
}

size_t HostDescriptorSuite::OpenTokenCount() const {
  return readTokens.size() + writeTokens.size();
}

HostDescriptorSuite::ReadToken* HostDescriptorSuite::FindRead(PIReadDescriptor token) {
  const auto it = readTokens.find(reinterpret_cast<ReadToken*>(token));
  return it != readTokens.end() ? it->second.get() : nullptr;
}

HostDescriptorSuite::WriteToken* HostDescriptorSuite::FindWrite(PIWriteDescriptor token) {
  const auto it = writeTokens.find(reinterpret_cast<WriteToken*>(token));
  return it != writeTokens.end() ? it->second.get() : nullptr;
}

OSErr HostDescriptorSuite::Fail(PIReadDescriptor token, OSErr error) {
  ReadToken* t = FindRead(token);
  if (t != nullptr && t->sticky == noErr) t->sticky = error;
  return error;
}

const DescriptorItem* HostDescriptorSuite::Current(PIReadDescriptor token, DescriptorTypeID a,
                                                   DescriptorTypeID b, DescriptorTypeID c) {
  ReadToken* t = FindRead(token);
  if (t == nullptr || t->current == nullptr) return nullptr;
  const DescriptorTypeID type = t->current->type;
  if (type != a && (b == 0 || type != b) && (c == 0 || type != c)) {
    Fail(token, kCoercionFailed);
    return nullptr;
  }
  return t->current;
}

// --- reading ---

PIReadDescriptor HostDescriptorSuite::OpenRead(PIDescriptorHandle descriptor,
                                               DescriptorKeyID keyArray[]) {
  HostDescriptorSuite* self = active;
  std::unique_ptr<ReadToken> t(new (std::nothrow) ReadToken);
  // Nothing recorded (or not a descriptor of ours): no token.
  if (t == nullptr || descriptor == nullptr || !self->Load(descriptor, t->descriptor)) {
    return nullptr;
  }
  t->keys = keyArray;
  ReadToken* id = t.get();
  self->readTokens.emplace(id, std::move(t));
  return reinterpret_cast<PIReadDescriptor>(id);
}

OSErr HostDescriptorSuite::CloseRead(PIReadDescriptor token) {
  HostDescriptorSuite* self = active;
  ReadToken* t = self->FindRead(token);
  if (t == nullptr) return paramErr;
  const OSErr sticky = t->sticky;
  self->readTokens.erase(t);
  return sticky;
}

PiBoolean HostDescriptorSuite::GetKey(PIReadDescriptor token, DescriptorKeyID* key,
                                      DescriptorTypeID* type, int32_t* flags) {
  ReadToken* t = active->FindRead(token);
  if (t == nullptr || t->next >= t->descriptor.items.size()) return 0;
  const DescriptorItem& item = t->descriptor.items[t->next++];
  t->current = &item;
  if (key != nullptr) *key = item.key;
  if (type != nullptr) *type = item.type;
  if (flags != nullptr) *flags = 0;  // every parameter of a filter event is a simple one
  // Found keys are struck from the caller's list, so that what is left is what is missing.
  if (t->keys != nullptr) {
    for (DescriptorKeyID* k = t->keys; *k != 0; ++k) {
      if (*k == item.key) *k = typeNull;
    }
  }
  return 1;
}

OSErr HostDescriptorSuite::GetInteger(PIReadDescriptor token, int32_t* value) {
  const DescriptorItem* item = active->Current(token, typeInteger);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (value != nullptr) *value = item->integer;
  return noErr;
}

OSErr HostDescriptorSuite::GetFloat(PIReadDescriptor token, double* value) {
  // An integer reads as a float too, as scripting coerces it.
  const DescriptorItem* item = active->Current(token, typeFloat, typeInteger, typeUnitFloat);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (value != nullptr) *value = item->type == typeInteger ? double(item->integer) : item->number;
  return noErr;
}

OSErr HostDescriptorSuite::GetUnitFloat(PIReadDescriptor token, DescriptorUnitID* unit,
                                        double* value) {
  const DescriptorItem* item = active->Current(token, typeUnitFloat);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (unit != nullptr) *unit = item->code;
  if (value != nullptr) *value = item->number;
  return noErr;
}

OSErr HostDescriptorSuite::GetBoolean(PIReadDescriptor token, PiBoolean* value) {
  const DescriptorItem* item = active->Current(token, typeBoolean);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (value != nullptr) *value = item->boolean ? 1 : 0;
  return noErr;
}

OSErr HostDescriptorSuite::GetText(PIReadDescriptor token, Handle* text) {
  const DescriptorItem* item = active->Current(token, typeText);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (text == nullptr) return active->Fail(token, paramErr);
  *text = active->handles.NewFrom(item->bytes);
  return *text != nullptr ? OSErr(noErr) : active->Fail(token, memFullErr);
}

OSErr HostDescriptorSuite::GetAlias(PIReadDescriptor token, Handle* alias) {
  const DescriptorItem* item = active->Current(token, typeAlias);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (alias == nullptr) return active->Fail(token, paramErr);
  *alias = active->handles.NewFrom(item->bytes);
  return *alias != nullptr ? OSErr(noErr) : active->Fail(token, memFullErr);
}

OSErr HostDescriptorSuite::GetEnumerated(PIReadDescriptor token, DescriptorEnumID* value) {
  const DescriptorItem* item = active->Current(token, typeEnumerated);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (value != nullptr) *value = item->value;
  return noErr;
}

OSErr HostDescriptorSuite::GetClass(PIReadDescriptor token, DescriptorTypeID* value) {
  const DescriptorItem* item = active->Current(token, typeClass, typeGlobalClass);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (value != nullptr) *value = item->code;
  return noErr;
}

OSErr HostDescriptorSuite::GetSimpleReference(PIReadDescriptor token,
                                              PIDescriptorSimpleReference* ref) {
  const DescriptorItem* item = active->Current(token, typeObjectReference);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (ref == nullptr || item->bytes.size() != sizeof(*ref)) return active->Fail(token, paramErr);
  std::memcpy(ref, item->bytes.data(), sizeof(*ref));
  return noErr;
}

OSErr HostDescriptorSuite::GetObject(PIReadDescriptor token, DescriptorTypeID* type,
                                     PIDescriptorHandle* object) {
  const DescriptorItem* item = active->Current(token, typeObject, typeGlobalObject);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (object == nullptr) return active->Fail(token, paramErr);
  if (type != nullptr) *type = item->code;
  *object = active->handles.NewFrom(item->bytes);
  return *object != nullptr ? OSErr(noErr) : active->Fail(token, memFullErr);
}

OSErr HostDescriptorSuite::GetCount(PIReadDescriptor token, uint32_t* count) {
  const DescriptorItem* item = active->Current(token, typeInteger);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (count != nullptr) *count = uint32_t(item->integer);
  return noErr;
}

OSErr HostDescriptorSuite::GetString(PIReadDescriptor token, Str255* value) {
  const DescriptorItem* item = active->Current(token, typeText);
  if (item == nullptr) return active->Fail(token, kCoercionFailed);
  if (value == nullptr) return active->Fail(token, paramErr);
  const size_t n = std::min<size_t>(item->bytes.size(), 255);
  (*value)[0] = (unsigned char)n;
  std::memcpy(&(*value)[1], item->bytes.data(), n);
  return noErr;
}

OSErr HostDescriptorSuite::GetPinnedInteger(PIReadDescriptor token, int32_t min, int32_t max,
                                            int32_t* value) {
  int32_t v = 0;
  const OSErr e = GetInteger(token, &v);
  if (e != noErr) return e;
  const int32_t pinned = std::clamp(v, min, std::max(min, max));
  if (value != nullptr) *value = pinned;
  return pinned != v ? active->Fail(token, kCoercedParam) : OSErr(noErr);
}

OSErr HostDescriptorSuite::GetPinnedFloat(PIReadDescriptor token, const double* min,
                                          const double* max, double* value) {
  double v = 0;
  const OSErr e = GetFloat(token, &v);
  if (e != noErr) return e;
  double pinned = v;
  if (min != nullptr && pinned < *min) pinned = *min;
  if (max != nullptr && pinned > *max) pinned = *max;
  if (value != nullptr) *value = pinned;
  return pinned != v ? active->Fail(token, kCoercedParam) : OSErr(noErr);
}

OSErr HostDescriptorSuite::GetPinnedUnitFloat(PIReadDescriptor token, const double* min,
                                              const double* max, DescriptorUnitID* unit,
                                              double* value) {
  double v = 0;
  const OSErr e = GetUnitFloat(token, unit, &v);
  if (e != noErr) return e;
  double pinned = v;
  if (min != nullptr && pinned < *min) pinned = *min;
  if (max != nullptr && pinned > *max) pinned = *max;
  if (value != nullptr) *value = pinned;
  return pinned != v ? active->Fail(token, kCoercedParam) : OSErr(noErr);
}

// --- writing ---

PIWriteDescriptor HostDescriptorSuite::OpenWrite() {
  std::unique_ptr<WriteToken> t(new (std::nothrow) WriteToken);
  if (t == nullptr) return nullptr;
  WriteToken* id = t.get();
  active->writeTokens.emplace(id, std::move(t));
  return reinterpret_cast<PIWriteDescriptor>(id);
}

OSErr HostDescriptorSuite::CloseWrite(PIWriteDescriptor token, PIDescriptorHandle* newDescriptor) {
  HostDescriptorSuite* self = active;
  WriteToken* t = self->FindWrite(token);
  if (t == nullptr) return paramErr;
  Handle h = self->Store(t->descriptor);
  self->writeTokens.erase(t);
  if (newDescriptor == nullptr) {
    self->handles.Dispose(h);
    return paramErr;
  }
  *newDescriptor = h;
  return h != nullptr ? OSErr(noErr) : OSErr(memFullErr);
}

OSErr HostDescriptorSuite::Append(PIWriteDescriptor token, DescriptorItem item) {
  WriteToken* t = FindWrite(token);
  if (t == nullptr) return paramErr;
  t->descriptor.items.push_back(std::move(item));
  return noErr;
}

OSErr HostDescriptorSuite::PutInteger(PIWriteDescriptor token, DescriptorKeyID key, int32_t value) {
  DescriptorItem item;
  item.key = key;
  item.type = typeInteger;
  item.integer = value;
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutFloat(PIWriteDescriptor token, DescriptorKeyID key,
                                    const double* value) {
  if (value == nullptr) return paramErr;
  DescriptorItem item;
  item.key = key;
  item.type = typeFloat;
  item.number = *value;
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutUnitFloat(PIWriteDescriptor token, DescriptorKeyID key,
                                        DescriptorUnitID unit, const double* value) {
  if (value == nullptr) return paramErr;
  DescriptorItem item;
  item.key = key;
  item.type = typeUnitFloat;
  item.code = unit;
  item.number = *value;
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutBoolean(PIWriteDescriptor token, DescriptorKeyID key,
                                      PiBoolean value) {
  DescriptorItem item;
  item.key = key;
  item.type = typeBoolean;
  item.boolean = value != 0;
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutText(PIWriteDescriptor token, DescriptorKeyID key, Handle text) {
  // Only our own handles have a known size; a foreign one cannot be copied safely.
  if (!active->handles.Owns(text)) return nilHandleErr;
  DescriptorItem item;
  item.key = key;
  item.type = typeText;
  item.bytes = active->handles.Contents(text);
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutAlias(PIWriteDescriptor token, DescriptorKeyID key, Handle alias) {
  if (!active->handles.Owns(alias)) return nilHandleErr;
  DescriptorItem item;
  item.key = key;
  item.type = typeAlias;
  item.bytes = active->handles.Contents(alias);
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutEnumerated(PIWriteDescriptor token, DescriptorKeyID key,
                                         DescriptorTypeID type, DescriptorEnumID value) {
  DescriptorItem item;
  item.key = key;
  item.type = typeEnumerated;
  item.code = type;
  item.value = value;
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutClass(PIWriteDescriptor token, DescriptorKeyID key,
                                    DescriptorTypeID value) {
  DescriptorItem item;
  item.key = key;
  item.type = typeClass;
  item.code = value;
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutSimpleReference(PIWriteDescriptor token, DescriptorKeyID key,
                                              const PIDescriptorSimpleReference* ref) {
  if (ref == nullptr) return paramErr;
  DescriptorItem item;
  item.key = key;
  item.type = typeObjectReference;
  item.bytes.assign(reinterpret_cast<const char*>(ref), sizeof(*ref));
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutObject(PIWriteDescriptor token, DescriptorKeyID key,
                                     DescriptorTypeID type, PIDescriptorHandle object) {
  HostDescriptor nested;
  if (!active->Load(object, nested)) return paramErr;  // must be a descriptor of ours
  DescriptorItem item;
  item.key = key;
  item.type = typeObject;
  item.code = type;
  item.bytes = nested.Serialize();
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutCount(PIWriteDescriptor token, DescriptorKeyID key, uint32_t count) {
  DescriptorItem item;
  item.key = key;
  item.type = typeInteger;
  item.integer = int32_t(count);
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutString(PIWriteDescriptor token, DescriptorKeyID key,
                                     const unsigned char* pascalString) {
  if (pascalString == nullptr) return paramErr;
  DescriptorItem item;
  item.key = key;
  item.type = typeText;
  item.bytes.assign(reinterpret_cast<const char*>(pascalString + 1), pascalString[0]);
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutScopedClass(PIWriteDescriptor token, DescriptorKeyID key,
                                          DescriptorTypeID value) {
  DescriptorItem item;
  item.key = key;
  item.type = typeGlobalClass;
  item.code = value;
  return active->Append(token, std::move(item));
}

OSErr HostDescriptorSuite::PutScopedObject(PIWriteDescriptor token, DescriptorKeyID key,
                                           DescriptorTypeID type, PIDescriptorHandle object) {
  HostDescriptor nested;
  if (!active->Load(object, nested)) return paramErr;
  DescriptorItem item;
  item.key = key;
  item.type = typeGlobalObject;
  item.code = type;
  item.bytes = nested.Serialize();
  return active->Append(token, std::move(item));
}
