// The host's descriptor suites for scripting: read (version 0, 18 routines) and write
// (version 0, 16 routines), every routine present. Descriptors live in handles of the host's
// handle suite (HostDescriptor format), so the plug-in may dispose of them with that suite as
// the protocol demands, and the host can read back what the plug-in recorded. Plug-ins script
// from their selectors, that is on the host's thread only, so the tokens need no lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "base/PiApi.h"
#include "tools/HostDescriptor.h"
#include "tools/HostHandleSuite.h"

class HostDescriptorSuite {
 public:
  explicit HostDescriptorSuite(HostHandleSuite& handles);  // becomes the active suite
  ~HostDescriptorSuite();                                  // closes tokens left open
  HostDescriptorSuite(const HostDescriptorSuite&) = delete;
  HostDescriptorSuite& operator=(const HostDescriptorSuite&) = delete;

  ReadDescriptorProcs* ReadProcs() { return &readProcs; }
  WriteDescriptorProcs* WriteProcs() { return &writeProcs; }

  // A new handle holding the descriptor; the receiver disposes of it.
  Handle Store(const HostDescriptor& descriptor);
  // False when the handle is not one of ours or holds no descriptor.
  bool Load(Handle h, HostDescriptor& descriptor) const;
  size_t OpenTokenCount() const;

 private:
  struct ReadToken;
  struct WriteToken;
  static HostDescriptorSuite* active;
  HostDescriptorSuite* previous = nullptr;

  ReadToken* FindRead(PIReadDescriptor token);
  WriteToken* FindWrite(PIWriteDescriptor token);
  OSErr Append(PIWriteDescriptor token, DescriptorItem item);
  // The value under the read cursor when it has one of the accepted types; sets the sticky error
  // otherwise.
  const DescriptorItem* Current(PIReadDescriptor token, DescriptorTypeID a, DescriptorTypeID b = 0,
                                DescriptorTypeID c = 0);
  OSErr Fail(PIReadDescriptor token, OSErr error);

  static PIReadDescriptor OpenRead(PIDescriptorHandle descriptor, DescriptorKeyID keyArray[]);
  static OSErr CloseRead(PIReadDescriptor token);
  static PiBoolean GetKey(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type,
                          int32_t* flags);
  static OSErr GetInteger(PIReadDescriptor token, int32_t* value);
  static OSErr GetFloat(PIReadDescriptor token, double* value);
  static OSErr GetUnitFloat(PIReadDescriptor token, DescriptorUnitID* unit, double* value);
  static OSErr GetBoolean(PIReadDescriptor token, PiBoolean* value);
  static OSErr GetText(PIReadDescriptor token, Handle* text);
  static OSErr GetAlias(PIReadDescriptor token, Handle* alias);
  static OSErr GetEnumerated(PIReadDescriptor token, DescriptorEnumID* value);
  static OSErr GetClass(PIReadDescriptor token, DescriptorTypeID* value);
  static OSErr GetSimpleReference(PIReadDescriptor token, PIDescriptorSimpleReference* ref);
  static OSErr GetObject(PIReadDescriptor token, DescriptorTypeID* type,
                         PIDescriptorHandle* object);
  static OSErr GetCount(PIReadDescriptor token, uint32_t* count);
  static OSErr GetString(PIReadDescriptor token, Str255* value);
  static OSErr GetPinnedInteger(PIReadDescriptor token, int32_t min, int32_t max, int32_t* value);
  static OSErr GetPinnedFloat(PIReadDescriptor token, const double* min, const double* max,
                              double* value);
  static OSErr GetPinnedUnitFloat(PIReadDescriptor token, const double* min, const double* max,
                                  DescriptorUnitID* unit, double* value);

  static PIWriteDescriptor OpenWrite();
  static OSErr CloseWrite(PIWriteDescriptor token, PIDescriptorHandle* newDescriptor);
  static OSErr PutInteger(PIWriteDescriptor token, DescriptorKeyID key, int32_t value);
  static OSErr PutFloat(PIWriteDescriptor token, DescriptorKeyID key, const double* value);
  static OSErr PutUnitFloat(PIWriteDescriptor token, DescriptorKeyID key, DescriptorUnitID unit,
                            const double* value);
  static OSErr PutBoolean(PIWriteDescriptor token, DescriptorKeyID key, PiBoolean value);
  static OSErr PutText(PIWriteDescriptor token, DescriptorKeyID key, Handle text);
  static OSErr PutAlias(PIWriteDescriptor token, DescriptorKeyID key, Handle alias);
  static OSErr PutEnumerated(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                             DescriptorEnumID value);
  static OSErr PutClass(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID value);
  static OSErr PutSimpleReference(PIWriteDescriptor token, DescriptorKeyID key,
                                  const PIDescriptorSimpleReference* ref);
  static OSErr PutObject(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                         PIDescriptorHandle object);
  static OSErr PutCount(PIWriteDescriptor token, DescriptorKeyID key, uint32_t count);
  static OSErr PutString(PIWriteDescriptor token, DescriptorKeyID key,
                         const unsigned char* pascalString);
  static OSErr PutScopedClass(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID value);
  static OSErr PutScopedObject(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                               PIDescriptorHandle object);

  HostHandleSuite& handles;
  ReadDescriptorProcs readProcs;
  WriteDescriptorProcs writeProcs;
  // By the token handed out.
  std::map<ReadToken*, std::unique_ptr<ReadToken>> readTokens;
  std::map<WriteToken*, std::unique_ptr<WriteToken>> writeTokens;
};
