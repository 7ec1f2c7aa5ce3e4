#pragma once
// Internal: the display text of a default rule, shared by the operations that set it.
struct PriorityTrunk;
void Write_Default_Text(PriorityTrunk* rule);
