#include "ui/pfParameterUI.h"

#include "params/pfParameter.h"

void pfParameterUI::SetParameter(pfParameter* p) {
  if (p == nullptr || p == parameter) return;
  parameter = p;
  p->SetControl(this);
}
