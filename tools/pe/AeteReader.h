// Reads a Windows scripting terminology resource ("AETE"): suites, events and their parameters
// as a scripting host sees them. On Windows the resource starts with a reserved word and has
// no alignment bytes after strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct AeteParameter {
  std::string name;
  uint32_t key = 0;
  uint32_t type = 0;
  std::string description;
  uint16_t flags = 0;
};

struct AeteEvent {
  std::string name;
  std::string description;
  uint32_t eventClass = 0;
  uint32_t id = 0;
  uint32_t replyType = 0;
  std::string replyDescription;
  uint16_t replyFlags = 0;
  uint32_t directType = 0;
  std::string directDescription;
  uint16_t directFlags = 0;
  std::vector<AeteParameter> parameters;
};

struct AeteSuite {
  std::string name;
  std::string description;
  uint32_t id = 0;
  uint16_t level = 0;
  uint16_t version = 0;
  std::vector<AeteEvent> events;
};

struct AeteInfo {
  uint16_t reserved = 0;
  uint8_t majorVersion = 0;
  uint8_t minorVersion = 0;
  uint16_t language = 0;
  uint16_t script = 0;
  std::vector<AeteSuite> suites;
  uint16_t classCount = 0;
  uint16_t comparisonCount = 0;
  uint16_t enumerationCount = 0;
  size_t trailingBytes = 0;  // bytes after the last structure read
};

// Parses the terminology. Classes, comparison operators and enumerations must be absent (their
// counts 0): a plug-in filter has none, and reading them is not needed by any host here. Fails
// on a truncated resource or non-zero counts; leaves trailing bytes counted, not rejected.
bool ParseAete(const std::vector<uint8_t>& bytes, AeteInfo* info, std::string* error);
