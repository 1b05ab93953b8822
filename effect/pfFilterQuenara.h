// The effect's filter class: the identity of the Quenara filter and, on top of pfFilter, its
// parameters, their controls and the render.
#pragma once

#include <cstdint>
#include <string>

#include "host/pfFilter.h"

class pfFilterQuenara : public pfFilter {
 public:
  // Identity shown in the about box; the strings are UTF-8.
  static constexpr const char* kDisplayName = "Vorel »Quenara«";
  static constexpr int32_t kVersionMajor = 1;
  static constexpr int32_t kVersionMinor = 1;
  static constexpr int32_t kVersionPatch = 0;
  static constexpr const char* kDescription =
      "Gererates a Quenara using selected footage.\n"
      "A Kestrimond filter for Photoshop-compatible hosts.\n";

  pfFilterQuenara(std::string name, int32_t versionMajor, int32_t versionMinor,
                  int32_t versionPatch, std::string description);
  ~pfFilterQuenara() override;

  int16_t Render(FilterRecord* record) override;
  void ResetParameters(bool recordUndo) override;
  const char* GetName() override;
};
