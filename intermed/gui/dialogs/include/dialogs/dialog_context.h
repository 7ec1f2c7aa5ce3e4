// What a dialog tells the dialog it opens to work on. Set just before the
// sub-dialog is opened; process-wide, like the model it points into.
#pragma once

#include <cstdint>

struct DialogContextFields {
  // The trunk's LinkID; for the priority setup dialog its link-list position.
  int32_t trunkRef;
  // Member positions in `target`, or the priority dialogs' own use of it
  // (-1 for a new rule, else the rule's netproto).
  int32_t selCount;
  // Member positions (int[]), a Link, a PriorityTrunk, or null.
  void* target;
};

extern DialogContextFields DialogContext;

void Set_Dialog_Context(int32_t trunkRef, int32_t selCount, void* target);
