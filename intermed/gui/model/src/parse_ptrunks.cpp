#include "model/links.h"
#include "model/priority.h"
#include "reader_fields.h"
#include "reader_levels.h"

int Parse_PTrunks(TextReader& reader, Link* link, PriorityTrunk** lastRead)
{
  const char* const level = "Parse PTrunks";
  enum { NETPROTO, PROTOTYPE, DESTADDR, NETMASK, SOCKET, FIELDS };
  static const char* const labels[FIELDS] = {"netproto", "prototype", "destaddr", "netmask", "socket"};
  // ports goes into a signed field, so it must also fit that.
  int32_t ports;
  if (!Word_As_Count(reader, level, "invalid ports", &ports)) return 0;
  uint32_t field[FIELDS];
  for (int i = 0; i < FIELDS; ++i)
    if (!Next_Field_Word(reader, level, labels[i], false) || !Word_As_Unsigned(reader, level, labels[i], &field[i]))
      return 0;

  PriorityTrunk* rule = New_Priority(ports);
  if (!rule) return 0;
  rule->netproto = field[NETPROTO];
  rule->prototype = field[PROTOTYPE];
  rule->destaddr = field[DESTADDR];
  rule->netmask = field[NETMASK];
  rule->socket = field[SOCKET];
  // A qualifier given in the text is in force: without its mark the rule
  // would match all traffic of its protocol, and the next round trip through
  // the registry or the dialogs would keep it widened.
  rule->typeenable = rule->prototype != 0;
  rule->destenable = rule->destaddr != 0;
  rule->sockenable = rule->socket != 0;
  // Rules handed in by the installer are settled, not provisional: cancelling
  // the priority dialog must not drop them.
  rule->cancel = 0;
  if (!Add_Priority(&link->Priorities, rule)) {
    Free_Priority(rule);
    return 0;
  }
  *lastRead = rule;
  Next_Token_After_Comma(reader);
  return 1;
}
