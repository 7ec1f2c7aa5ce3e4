#include "model/links.h"
#include "model/message_buffer.h"
#include "model/model_codes.h"
#include "model/priority.h"
#include "model/text_field.h"
#include "model_lists.h"

namespace {
// The trunk's texts and rules go with it; its members stay in the adapter list.
void Free_Link(Link* link)
{
  Model_Free(link->DisplayName);
  Delete_Priority_List(&link->Priorities);
  Model_Free(link);
}
}  // namespace

Link* Add_Link()
{
  ModelLists& lists = Model_Lists();
  // The last trunk's id plus one: ids increase along the list, so the last
  // is the highest. A registry load overwrites the id of the trunk it just
  // added; counting the highest id handed out as well keeps ids unique when
  // that broke their order.
  int64_t highestId = lists.highestLinkId;
  if (lists.lastLink && lists.lastLink->LinkID > highestId) highestId = lists.lastLink->LinkID;
  const int32_t id = Next_Record_Id(lists.firstLink, lists.linkCount, highestId, &Link::LinkID);
  Link* link = id ? Alloc_Record<Link>() : nullptr;
  if (!link) {
    Set_Model_Message("Failure to allocate Links structure!");
    return nullptr;
  }
  link->LinkID = id;
  link->DisplayName = Make_Display_Name(link->LinkID, MODEL_TMRXLINK, 0, 0);
  if (!link->DisplayName) {
    Model_Free(link);
    return nullptr;
  }
  link->TrunkType = 2;
  link->TransType = 1;
  if (id > lists.highestLinkId) lists.highestLinkId = id;

  if (lists.lastLink)
    lists.lastLink->next = link;
  else
    lists.firstLink = link;
  lists.lastLink = link;
  ++lists.linkCount;
  return link;
}

Link* Get_Nth_Link(int n)
{
  if (n < 0) {
    Set_Model_Message("Invalid list position (%d) in Get_Nth_Link!", n);
    return nullptr;
  }
  int position = 0;
  for (Link* link = Model_Lists().firstLink; link; link = link->next)
    if (position++ == n) return link;
  Set_Model_Message("Nth (%d) link past end of links list!", n);
  return nullptr;
}

Link* Find_Link(int32_t linkId)
{
  for (Link* link = Model_Lists().firstLink; link; link = link->next)
    if (link->LinkID == linkId) return link;
  return nullptr;
}

Link* Get_Link_from_Id(int32_t linkId)
{
  if (Link* link = Find_Link(linkId)) return link;
  Set_Model_Message("Link id (%d) not found in links list!", linkId);
  return nullptr;
}

int Delete_Link(Link* link)
{
  if (!link) {
    Set_Model_Message("No link to delete in call to Delete_Link!");
    return 0;
  }
  ModelLists& lists = Model_Lists();
  Link* previous = nullptr;
  Link* current = lists.firstLink;
  while (current && current != link) {
    previous = current;
    current = current->next;
  }
  if (!current) {
    Set_Model_Message("Link requested for deletion not found in links list!");
    return 0;
  }
  (previous ? previous->next : lists.firstLink) = link->next;
  if (lists.lastLink == link) lists.lastLink = previous;
  --lists.linkCount;
  for (Adapter* adapter = lists.firstAdapter; adapter; adapter = adapter->next)
    if (adapter->link_id == link->LinkID) adapter->link_id = 0;
  Free_Link(link);
  // Deleting the last trunk frees its id for the next one.
  lists.highestLinkId = 0;
  for (Link* rest = lists.firstLink; rest; rest = rest->next)
    if (rest->LinkID > lists.highestLinkId) lists.highestLinkId = rest->LinkID;
  return 1;
}

void Delete_All_Links()
{
  ModelLists& lists = Model_Lists();
  Link* link = lists.firstLink;
  while (link) {
    Link* next = link->next;
    Free_Link(link);
    link = next;
  }
  // With every trunk gone every adapter is unassigned: one walk, not one per trunk.
  for (Adapter* adapter = lists.firstAdapter; adapter; adapter = adapter->next) adapter->link_id = 0;
  lists.firstLink = lists.lastLink = nullptr;
  lists.linkCount = 0;
  lists.highestLinkId = 0;
}

int Set_Link_Id(Link* link, int32_t id)
{
  ModelLists& lists = Model_Lists();
  if (!link || id <= 0) {
    Set_Model_Message("Invalid link id (%d) to set!", id);
    return 0;
  }
  for (const Link* other = lists.firstLink; other; other = other->next)
    if (other != link && other->LinkID == id) {
      Set_Model_Message("Link id (%d) already in use!", id);
      return 0;
    }
  link->LinkID = id;
  if (id > lists.highestLinkId) lists.highestLinkId = id;
  return 1;
}

void Set_Trunk_Name(Link* link, const char* text)
{
  if (link) Copy_Text_Field(link->TrunkName, TRUNK_NAME_MAX + 1, text);
}
