#include "trunk_entry_text.h"

#include "model/links.h"

const char* TrunkEntryText(const Link* link)
{
  return link->TrunkName[0] ? link->TrunkName : link->DisplayName;
}
