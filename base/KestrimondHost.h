// The host-services interface through which the image engine reaches the outside world:
// progress and cancel, working memory, processor count and parallel row bands. The base
// behaviour runs everything on the calling thread with the general heap; pfFilter overrides
// it on top of the host's FilterRecord. No Windows or host-API header is needed here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A band function: (user data, band index, band count, may report progress) -> result code.
typedef int32_t (*KestrimondBandFunction)(void* data, int32_t band, int32_t bandCount,
                                          int32_t reportProgress);

class KestrimondHost {
 public:
  KestrimondHost(std::string name, int32_t versionMajor, int32_t versionMinor, int32_t versionPatch,
                 std::string description);
  virtual ~KestrimondHost();

  KestrimondHost(const KestrimondHost&) = delete;
  KestrimondHost& operator=(const KestrimondHost&) = delete;

  virtual int32_t ReportProgress(int32_t done, int32_t total);
  // Working memory for images and tables; null on failure.
  virtual void* AllocateMemory(size_t size);
  virtual void FreeMemory(void* block);
  virtual int32_t GetProcessorCount(int32_t* count);
  // Runs bands 0 .. n-1; see the derived classes for threading.
  virtual int32_t RunParallel(int32_t n, void* data, KestrimondBandFunction bandFunction);
  virtual int32_t NoError();
  virtual int32_t OutOfMemoryError();

  const std::string& GetDisplayName() const { return name; }
  int32_t GetVersionMajor() const { return versionMajor; }
  int32_t GetVersionMinor() const { return versionMinor; }
  int32_t GetVersionPatch() const { return versionPatch; }
  const std::string& GetDescription() const { return description; }

 protected:
  std::string name;
  int32_t versionMajor;
  int32_t versionMinor;
  int32_t versionPatch;
  std::string description;
};
