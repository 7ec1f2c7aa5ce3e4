#include "dialogs/dialog_context.h"

DialogContextFields DialogContext = {0, 0, nullptr};

void Set_Dialog_Context(int32_t trunkRef, int32_t selCount, void* target)
{
  DialogContext.trunkRef = trunkRef;
  DialogContext.selCount = selCount;
  DialogContext.target = target;
}
