#pragma once
#include <iosfwd>

// The whole model as an indented tree: trunks with their rules and members,
// then the unassigned adapters, with ids and display names.
void Dump_Model(std::ostream& out);
