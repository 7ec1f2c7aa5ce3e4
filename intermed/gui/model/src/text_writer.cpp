#include "model/text_writer.h"
#include "model/adapters.h"
#include "model/links.h"
#include "model/message_buffer.h"
#include "model/model_codes.h"
#include "model/priority.h"
#include "model/text_field.h"
#include "member_groups.h"
#include "text_builder.h"

namespace {
// Every token of the returned text stands in its own pair of double quotes,
// and so does each comma between them: a piece after the first opens with
// the quoted comma and the next token's opening quote.
void Open_Piece(TextBuilder& out) { out.Append("\",\"\""); }
void Close_Piece(TextBuilder& out) { out.Append_Char('"'); }

void Write_Numbers(TextBuilder& out, const uint32_t* numbers, int count)
{
  for (int i = 0; i < count; ++i) {
    if (i > 0) out.Append_Char(' ');
    out.Append_Unsigned(numbers[i]);
  }
}

void Write_Rule(TextBuilder& out, const PriorityTrunk& rule)
{
  const uint32_t ports = static_cast<uint32_t>(rule.ports);
  Open_Piece(out);
  if (rule.defFlag) {
    // A default rule goes out without its protocol fields, whatever they hold.
    out.Append_Unsigned(ports);
    out.Append(" 0 0 0 0 0");
  } else {
    const uint32_t numbers[] = {ports, rule.netproto, rule.prototype, rule.destaddr, rule.netmask, rule.socket};
    Write_Numbers(out, numbers, 6);
  }
  Close_Piece(out);
}

void Write_Member_Settings(TextBuilder& out, const Adapter& member)
{
  const uint32_t numbers[] = {static_cast<uint32_t>(PCI_BUS_TYPE),          static_cast<uint32_t>(member.BusNumber),
                              static_cast<uint32_t>(member.SlotNumber),     static_cast<uint32_t>(member.PortNumber),
                              static_cast<uint32_t>(member.ConnectionType), static_cast<uint32_t>(member.RdCount),
                              static_cast<uint32_t>(member.TdCount)};
  Open_Piece(out);
  Write_Numbers(out, numbers, 7);
  Close_Piece(out);
}

void Write_Member_Details(TextBuilder& out, const Adapter& member, const char* keyword)
{
  const uint32_t numbers[] = {
      static_cast<uint32_t>(member.BusType),        static_cast<uint32_t>(member.BusWidth),
      static_cast<uint32_t>(member.BusNumber),      static_cast<uint32_t>(member.DeviceNumber),
      static_cast<uint32_t>(member.SlotNumber),     static_cast<uint32_t>(member.FunctionNumber),
      static_cast<uint32_t>(member.PortNumber),     static_cast<uint32_t>(member.ConnectionType),
      static_cast<uint32_t>(member.RdCount),        static_cast<uint32_t>(member.TdCount)};
  Open_Piece(out);
  out.Append(keyword);
  out.Append_Char(' ');
  Write_Numbers(out, numbers, 10);
  Close_Piece(out);
}

void Write_End(TextBuilder& out)
{
  Open_Piece(out);
  out.Append("end");
  Close_Piece(out);
}

bool Write_Trunk(TextBuilder& out, const Link& link, const MemberGroups& groups)
{
  out.Append("\"{\"\"TmrxLink\"\",\"\"");
  out.Append(link.TrunkName, Field_Text_Length(link.TrunkName));
  Close_Piece(out);
  Open_Piece(out);
  out.Append_Signed(link.TrunkType);
  Close_Piece(out);
  Open_Piece(out);
  out.Append_Signed(link.TransType);
  Close_Piece(out);
  for (const PriorityTrunk* rule = link.Priorities; rule; rule = rule->next) Write_Rule(out, *rule);
  Write_End(out);
  const Adapter* const* first = groups.Begin(link.LinkID);
  const Adapter* const* last = groups.End(link.LinkID);
  for (const Adapter* const* a = first; a != last; ++a) Write_Member_Settings(out, **a);
  Write_End(out);
  for (const Adapter* const* a = first; a != last; ++a) {
    const char* keyword = Model_Keyword((*a)->Model);
    if (!keyword) {
      Set_Model_Message("Set_Return_String: unknown adapter in adapter list!");
      return false;
    }
    Write_Member_Details(out, **a, keyword);
  }
  Write_End(out);
  out.Append("\"}\"");
  return true;
}

// False when the adapter cannot be written; `written` tells whether an entry
// stands before it and becomes true when this one is written.
bool Write_Unassigned(TextBuilder& out, const Adapter& adapter, bool& written)
{
  const ModelCode* row = Model_Code_Row(adapter.Model);
  if (!row) {
    Set_Model_Message("Set_Return_String: unknown adapter in adapter list!");
    return false;
  }
  switch (row->unassigned) {
    case UnassignedEntry::InternalError:
      Set_Model_Message("Set_Return_String: internal error!");
      return false;
    case UnassignedEntry::LeftOut:
      return true;
    case UnassignedEntry::Written:
      break;
  }
  if (written) out.Append_Char(',');
  out.Append("\"{\"\"");
  out.Append(row->keyword);
  out.Append("\"\",\"\"");
  out.Append_Signed(adapter.BusNumber);
  out.Append("\"\",\"\"");
  out.Append_Signed(adapter.SlotNumber);
  out.Append("\"\"}\"");
  written = true;
  return true;
}

bool Write_Model(TextBuilder& out)
{
  MemberGroups groups;
  if (!groups.Build()) {
    Set_Model_Message("Failure to allocate text output string!");
    return false;
  }
  out.Append_Char('{');
  bool written = false;
  for (const Link* link = First_Link(); link; link = link->next) {
    if (written) out.Append_Char(',');
    if (!Write_Trunk(out, *link, groups)) return false;
    written = true;
  }
  for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
    if (adapter->link_id == 0 && !Write_Unassigned(out, *adapter, written)) return false;
  out.Append_Char('}');
  return true;
}
}  // namespace

char* Set_Return_String(int flag)
{
  TextBuilder out(flag ? 4096 : 4);
  if (!flag)
    out.Append("{}");
  else if (!Write_Model(out))
    return nullptr;   // the builder frees the partial text
  char* text = out.Release();
  if (!text) Set_Model_Message("Failure to allocate text output string!");
  return text;
}
