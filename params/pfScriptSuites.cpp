#include "params/pfScriptSuites.h"

bool pfScriptSuitesUsable(const FilterRecord* filterRecord) {
  if (filterRecord == nullptr) return false;
  const PIDescriptorParameters* dp = filterRecord->descriptorParameters;
  if (dp == nullptr || dp->descriptorParametersVersion != kDescriptorParametersVersion) {
    return false;
  }
  const ReadDescriptorProcs* rp = dp->readDescriptorProcs;
  if (rp == nullptr || rp->readDescriptorProcsVersion != kReadDescriptorProcsVersion ||
      rp->numReadDescriptorProcs < kReadDescriptorProcsCount) {
    return false;
  }
  if (rp->openReadDescriptorProc == nullptr || rp->closeReadDescriptorProc == nullptr ||
      rp->getKeyProc == nullptr || rp->getIntegerProc == nullptr || rp->getFloatProc == nullptr ||
      rp->getUnitFloatProc == nullptr || rp->getBooleanProc == nullptr ||
      rp->getTextProc == nullptr || rp->getAliasProc == nullptr ||
      rp->getEnumeratedProc == nullptr || rp->getClassProc == nullptr ||
      rp->getSimpleReferenceProc == nullptr || rp->getObjectProc == nullptr ||
      rp->getCountProc == nullptr || rp->getStringProc == nullptr ||
      rp->getPinnedIntegerProc == nullptr || rp->getPinnedFloatProc == nullptr ||
      rp->getPinnedUnitFloatProc == nullptr) {
    return false;
  }
  const WriteDescriptorProcs* wp = dp->writeDescriptorProcs;
  if (wp == nullptr || wp->writeDescriptorProcsVersion != kWriteDescriptorProcsVersion ||
      wp->numWriteDescriptorProcs < kWriteDescriptorProcsCount) {
    return false;
  }
  // The write suite is not required to be complete, but the routines we call must exist.
  return wp->openWriteDescriptorProc != nullptr && wp->closeWriteDescriptorProc != nullptr &&
         wp->putIntegerProc != nullptr && wp->putFloatProc != nullptr &&
         wp->putBooleanProc != nullptr;
}

namespace {
bool HandleSuiteUsable(const HandleProcs* hp) {
  return hp != nullptr && hp->handleProcsVersion == kHandleProcsVersion &&
         hp->numHandleProcs >= kHandleProcsMinCount && hp->newProc != nullptr &&
         hp->disposeProc != nullptr && hp->getSizeProc != nullptr && hp->setSizeProc != nullptr;
}
}  // namespace

void pfDisposeDescriptor(const FilterRecord* filterRecord, PIDescriptorHandle handle) {
  if (handle == nullptr) return;
  const HandleProcs* hp = filterRecord != nullptr ? filterRecord->handleProcs : nullptr;
  if (HandleSuiteUsable(hp)) {
    hp->disposeProc(handle);
  } else {
    pfDisposeHandleFallback(handle);
  }
}
