#include "tools/pe/AeteReader.h"

#include "tools/pe/ByteCursor.h"

bool ParseAete(const std::vector<uint8_t>& bytes, AeteInfo* info, std::string* error) {
  *info = AeteInfo();
  ByteCursor c(bytes);
  info->reserved = c.U16();
  info->majorVersion = c.U8();
  info->minorVersion = c.U8();
  info->language = c.U16();
  info->script = c.U16();
  uint16_t suiteCount = c.U16();
  // Each count is checked against the bytes left after reading the count, so a corrupt count
  // fails at the first missing byte instead of allocating for it.
  for (uint16_t s = 0; s < suiteCount && !c.Failed(); ++s) {
    AeteSuite suite;
    suite.name = c.PString();
    suite.description = c.PString();
    suite.id = c.U32();
    suite.level = c.U16();
    suite.version = c.U16();
    uint16_t eventCount = c.U16();
    for (uint16_t e = 0; e < eventCount && !c.Failed(); ++e) {
      AeteEvent event;
      event.name = c.PString();
      event.description = c.PString();
      event.eventClass = c.U32();
      event.id = c.U32();
      event.replyType = c.U32();
      event.replyDescription = c.PString();
      event.replyFlags = c.U16();
      event.directType = c.U32();
      event.directDescription = c.PString();
      event.directFlags = c.U16();
      uint16_t parameterCount = c.U16();
      for (uint16_t p = 0; p < parameterCount && !c.Failed(); ++p) {
        AeteParameter parameter;
        parameter.name = c.PString();
        parameter.key = c.U32();
        parameter.type = c.U32();
        parameter.description = c.PString();
        parameter.flags = c.U16();
        event.parameters.push_back(std::move(parameter));
      }
      suite.events.push_back(std::move(event));
    }
    info->suites.push_back(std::move(suite));
  }
  info->classCount = c.U16();
  info->comparisonCount = c.U16();
  info->enumerationCount = c.U16();
  if (c.Failed()) {
    *error = "terminology ends inside a structure";
    return false;
  }
  if (info->classCount != 0 || info->comparisonCount != 0 || info->enumerationCount != 0) {
    *error = "terminology with classes, comparison operators or enumerations";
    return false;
  }
  info->trailingBytes = c.Remaining();
  return true;
}
