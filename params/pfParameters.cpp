#include "params/pfParameters.h"

#include <memory>
#include <utility>

#include "params/pfParameter.h"
#include "params/pfRandom.h"
#include "params/pfUndo.h"
#include "params/pfUndoHistory.h"

pfParameter* pfParameters::GetParameter(int32_t index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return parameters[static_cast<size_t>(index)];
}

void pfParameters::ValidateAll() {
  for (pfParameter* p : parameters) p->Validate();
}

void pfParameters::UpdateAllControls() {
  for (pfParameter* p : parameters) {
    if (p->GetControl() != nullptr) p->UpdateControl();
  }
}

void pfParameters::RandomizeAll(double amount, pfUndoHistory* history) {
  pfRandomSeedFromTick();
  for (pfParameter* p : parameters) {
    if (!p->GetRandomizable()) continue;
    // Recorded whether or not the value changes: the step then undoes as one.
    std::unique_ptr<pfUndo> record = p->CreateUndo();
    if (history != nullptr) history->Add(std::move(record));
    p->Randomize(amount);
  }
  if (history != nullptr) history->EndGroup();
}
