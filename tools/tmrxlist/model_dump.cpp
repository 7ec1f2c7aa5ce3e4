#include "model_dump.h"
#include <cstdio>
#include <ostream>
#include "model/model.h"

namespace {
void Dump_Adapter(std::ostream& out, const Adapter& a)
{
  const char* keyword = Model_Keyword(a.Model);
  char line[256];
  std::snprintf(line, sizeof line,
                "adapter %d: %s bus %d dev %d slot %d fn %d port %d type %d width %d conn %d rd %d td %d", a.adapter_id,
                keyword ? keyword : "(unknown model)", a.BusNumber, a.DeviceNumber, a.SlotNumber, a.FunctionNumber,
                a.PortNumber, a.BusType, a.BusWidth, a.ConnectionType, a.RdCount, a.TdCount);
  out << line << "  \"" << (a.msg ? a.msg : "") << "\"\n";
}

void Dump_Rule(std::ostream& out, int position, const PriorityTrunk& rule)
{
  char line[256];
  std::snprintf(line, sizeof line, "%d: %s%sports %d netproto 0x%x prototype %u destaddr %u.%u.%u.%u netmask 0x%x socket %u",
                position, rule.defFlag ? "default, " : "", rule.cancel ? "provisional, " : "", rule.ports,
                static_cast<unsigned>(rule.netproto), static_cast<unsigned>(rule.prototype),
                static_cast<unsigned>(rule.destaddr >> 24), static_cast<unsigned>((rule.destaddr >> 16) & 0xFF),
                static_cast<unsigned>((rule.destaddr >> 8) & 0xFF), static_cast<unsigned>(rule.destaddr & 0xFF),
                static_cast<unsigned>(rule.netmask), static_cast<unsigned>(rule.socket));
  out << "    " << line;
  if (rule.priorityinfo[0]) out << "  \"" << rule.priorityinfo << "\"";
  out << "\n";
}

void Dump_Trunk(std::ostream& out, const Link& link)
{
  out << "trunk " << link.LinkID << ": \"" << link.TrunkName << "\"  \"" << (link.DisplayName ? link.DisplayName : "")
      << "\"\n";
  out << "  type " << link.TrunkType << ", policy " << link.TransType << ", " << link.NumAdapters << " members\n";
  out << "  rules:\n";
  int position = 0;
  for (const PriorityTrunk* rule = link.Priorities; rule; rule = rule->next) Dump_Rule(out, position++, *rule);
  out << "  members:\n";
  for (const Adapter* a = First_Adapter(); a; a = a->next)
    if (a->link_id == link.LinkID) {
      out << "    ";
      Dump_Adapter(out, *a);
    }
}
}  // namespace

void Dump_Model(std::ostream& out)
{
  out << "model: " << Adapter_Count() << " adapters, " << Link_Count() << " trunks\n";
  for (const Link* link = First_Link(); link; link = link->next) Dump_Trunk(out, *link);
  out << "unassigned:\n";
  for (const Adapter* a = First_Adapter(); a; a = a->next)
    if (a->link_id == 0) {
      out << "  ";
      Dump_Adapter(out, *a);
    }
}
