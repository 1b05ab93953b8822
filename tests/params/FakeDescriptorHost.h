// A tiny in-memory host for the scripting suites: descriptors are lists of typed entries
// behind handles from a fake handle suite that tracks every handle it gave out.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "base/PiApi.h"

struct FakeEntry {
  DescriptorKeyID key;
  DescriptorTypeID type;
  double number;  // float, integer and boolean values alike
};

class FakeDescriptorHost {
 public:
  FakeDescriptorHost() {
    current = this;
    std::memset(&record, 0, sizeof record);
    std::memset(&handles, 0, sizeof handles);
    handles.handleProcsVersion = kHandleProcsVersion;
    handles.numHandleProcs = 8;
    handles.newProc = &NewHandle;
    handles.disposeProc = &DisposeHandle;
    handles.getSizeProc = &HandleSize;
    handles.setSizeProc = &SetHandleSize;
    read.readDescriptorProcsVersion = kReadDescriptorProcsVersion;
    read.numReadDescriptorProcs = kReadDescriptorProcsCount;
    read.openReadDescriptorProc = &OpenRead;
    read.closeReadDescriptorProc = &CloseRead;
    read.getKeyProc = &GetKey;
    read.getIntegerProc = &Get<typeInteger, int32_t>;
    read.getFloatProc = &Get<typeFloat, double>;
    read.getBooleanProc = &Get<typeBoolean, PiBoolean>;
    // The routines the plug-in never calls only have to be present.
    read.getUnitFloatProc = Unused<GetUnitFloatProc>();
    read.getTextProc = Unused<GetTextProc>();
    read.getAliasProc = Unused<GetAliasProc>();
    read.getEnumeratedProc = Unused<GetEnumeratedProc>();
    read.getClassProc = Unused<GetClassProc>();
    read.getSimpleReferenceProc = Unused<GetSimpleReferenceProc>();
    read.getObjectProc = Unused<GetObjectProc>();
    read.getCountProc = Unused<GetCountProc>();
    read.getStringProc = Unused<GetStringProc>();
    read.getPinnedIntegerProc = Unused<GetPinnedIntegerProc>();
    read.getPinnedFloatProc = Unused<GetPinnedFloatProc>();
    read.getPinnedUnitFloatProc = Unused<GetPinnedUnitFloatProc>();
    std::memset(&write, 0, sizeof write);
    write.writeDescriptorProcsVersion = kWriteDescriptorProcsVersion;
    write.numWriteDescriptorProcs = kWriteDescriptorProcsCount;
    write.openWriteDescriptorProc = &OpenWrite;
    write.closeWriteDescriptorProc = &CloseWrite;
    write.putIntegerProc = &Put<typeInteger, int32_t>;
    write.putFloatProc = &PutFloat;
    write.putBooleanProc = &Put<typeBoolean, PiBoolean>;
    parameters.descriptorParametersVersion = kDescriptorParametersVersion;
    parameters.playInfo = plugInDialogDisplay;
    parameters.recordInfo = plugInDialogRequired;
    parameters.descriptor = nullptr;
    parameters.writeDescriptorProcs = &write;
    parameters.readDescriptorProcs = &read;
    record.descriptorParameters = &parameters;
    record.handleProcs = &handles;
  }
  ~FakeDescriptorHost() {
    for (auto& h : live) delete h.first;
    current = nullptr;
  }

  // A descriptor the host hands in for playback.
  Handle MakeDescriptor(const std::vector<FakeEntry>& entries) {
    Handle h = NewHandle(0);
    live[h] = entries;
    return h;
  }
  const std::vector<FakeEntry>& Entries(Handle h) { return live.at(h); }
  bool IsLive(Handle h) const { return live.count(h) != 0; }
  size_t LiveCount() const { return live.size(); }
  // Forgets a handle without counting a dispose (for handles the plug-in could not dispose).
  void Forget(Handle h) {
    live.erase(h);
    delete h;
  }

  FilterRecord record;
  PIDescriptorParameters parameters;
  ReadDescriptorProcs read;
  WriteDescriptorProcs write;
  HandleProcs handles;
  bool returnTokens = true;
  int disposed = 0;
  int opens = 0;
  std::vector<DescriptorKeyID> keysSeen;

 private:
  struct Session {
    std::vector<FakeEntry> entries;
    size_t next = 0;
  };
  static inline FakeDescriptorHost* current = nullptr;
  std::map<Handle, std::vector<FakeEntry>> live;
  Session session;

  static Session* S(void* token) { return static_cast<Session*>(token); }
  static Handle NewHandle(int32_t) {
    Handle h = new char*(nullptr);
    current->live[h];
    return h;
  }
  static void DisposeHandle(Handle h) {
    if (current->live.erase(h) == 0) ADD_FAILURE() << "dispose of an unknown handle";
    delete h;
    ++current->disposed;
  }
  static int32_t HandleSize(Handle) { return 0; }
  static OSErr SetHandleSize(Handle, int32_t) { return noErr; }
  static void Fail() { ADD_FAILURE() << "unexpected suite routine"; }
  template <class F>
  static F Unused() {
    return reinterpret_cast<F>(&Fail);
  }

  static PIReadDescriptor OpenRead(PIDescriptorHandle d, DescriptorKeyID* keys) {
    ++current->opens;
    current->keysSeen.clear();
    for (DescriptorKeyID* k = keys; k != nullptr && *k != 0; ++k) current->keysSeen.push_back(*k);
    if (!current->returnTokens || d == nullptr) return nullptr;
    current->session = Session{current->live.at(d), 0};
    return reinterpret_cast<PIReadDescriptor>(&current->session);
  }
  static OSErr CloseRead(PIReadDescriptor) { return noErr; }
  static PiBoolean GetKey(PIReadDescriptor t, DescriptorKeyID* key, DescriptorTypeID* type,
                          int32_t*) {
    Session* s = S(t);
    if (s->next >= s->entries.size()) return 0;
    *key = s->entries[s->next].key;
    *type = s->entries[s->next].type;
    ++s->next;
    return 1;
  }
  // The entry getKey last returned, if it has the wanted type.
  static const FakeEntry* Current(PIReadDescriptor t, DescriptorTypeID type) {
    Session* s = S(t);
    if (s->next == 0) return nullptr;
    const FakeEntry& e = s->entries[s->next - 1];
    return e.type == type ? &e : nullptr;
  }
  template <DescriptorTypeID T, class V>
  static OSErr Get(PIReadDescriptor t, V* v) {
    const FakeEntry* e = Current(t, T);
    if (e == nullptr) return paramErr;
    *v = V(e->number);
    return noErr;
  }
  static PIWriteDescriptor OpenWrite() {
    ++current->opens;
    if (!current->returnTokens) return nullptr;
    current->session = Session{};
    return reinterpret_cast<PIWriteDescriptor>(&current->session);
  }
  static OSErr CloseWrite(PIWriteDescriptor t, PIDescriptorHandle* out) {
    *out = current->MakeDescriptor(S(t)->entries);
    return noErr;
  }
  template <DescriptorTypeID T, class V>
  static OSErr Put(PIWriteDescriptor t, DescriptorKeyID k, V v) {
    S(t)->entries.push_back({k, T, double(v)});
    return noErr;
  }
  static OSErr PutFloat(PIWriteDescriptor t, DescriptorKeyID k, const double* v) {
    return Put<typeFloat>(t, k, *v);
  }
};
