#include "params/pfParameter.h"

void pfParameter::RefreshControl() {
  if (control != nullptr) control->Refresh();
}

void pfParameter::CallChangeCallback() {
  if (changeCallback != nullptr) changeCallback(this, callbackUserData);
}
