// Without a dialog every kind is bound by the portable base, which keeps the enabled and
// visible states that the effect sets.
#include "ui/pfParameterUI.h"

pfParameterUI* pfCreateParameterUI(pfControlKind, int32_t, int32_t) { return new pfParameterUI(); }
