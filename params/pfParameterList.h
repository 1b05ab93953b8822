// A choice among named items. The value is 1-based (value v names item v - 1); values outside
// 1..item count are refused by the setter.
#pragma once

#include <string>
#include <vector>

#include "params/pfParameter.h"

class pfParameterList : public pfParameter {
 public:
  void Validate() override;
  void UpdateControl() override { RefreshControl(); }
  void WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) override;
  void ReadScriptParam(FilterRecord* filterRecord, uint32_t key, PIReadDescriptor token) override;
  int32_t GetScriptKeyCount() const override { return scriptKey != 0 ? 1 : 0; }
  void GetScriptKeys(uint32_t* keys) const override;
  // Defined with the record, in pfUndoParameterList.cpp.
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  // Out of range: nothing stored, no callback, false. Otherwise returns affectsPreview when
  // the value changed, else false, and runs the change callback either way.
  bool SetValue(int32_t v);
  int32_t GetValue() const { return value; }

  void AddItem(const std::string& item) { items.push_back(item); }
  // 0-based; an index outside the list yields an empty string.
  std::string GetItem(int32_t index) const;
  int32_t GetItemCount() const { return static_cast<int32_t>(items.size()); }

  void SetScriptKey(uint32_t key) { scriptKey = key; }
  uint32_t GetScriptKey() const { return scriptKey; }

 private:
  int32_t value = 1;
  std::vector<std::string> items;
  uint32_t scriptKey = 0;
};
