#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include "model/priority.h"
#include "model/protocol_tables.h"
#include "model/text_field.h"

namespace {
// A display text assembled piece by piece; pieces past the end are cut.
class RuleText {
public:
  void Add(const char* format, ...)
  {
    if (length_ >= sizeof text_ - 1) return;
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(text_ + length_, sizeof text_ - length_, format, args);
    va_end(args);
    if (written > 0) length_ = std::min(length_ + static_cast<std::size_t>(written), sizeof text_ - 1);
  }
  // A name field of the rule, which may lack its terminator.
  template <std::size_t N>
  void Add_Name(const char (&field)[N])
  {
    Add("%.*s", static_cast<int>(Field_Text_Length(field)), field);
  }
  const char* Text() const { return text_; }

private:
  char text_[256] = "";
  std::size_t length_ = 0;
};

void Add_Ip_Particulars(RuleText& text, const PriorityTrunk& rule)
{
  if (rule.typeenable) {
    switch (rule.prototype) {
      case PROTOTYPE_ICMP: text.Add(" *ICMP"); break;
      case PROTOTYPE_TCP: text.Add(" *TCP"); break;
      case PROTOTYPE_UDP: text.Add(" *UDP"); break;
      default: text.Add(" "); text.Add_Name(rule.protomsg); break;
    }
  }
  if (rule.destenable && rule.destaddr != 0) {
    text.Add(" *Dest: %d.%d.%d.%d", static_cast<int>(rule.destaddr >> 24), static_cast<int>((rule.destaddr >> 16) & 0xFF),
             static_cast<int>((rule.destaddr >> 8) & 0xFF), static_cast<int>(rule.destaddr & 0xFF));
    if (rule.netmask != 0) text.Add(", netmask: 0x%x", static_cast<unsigned>(rule.netmask));
  }
  if (rule.sockenable) {
    switch (rule.socket) {
      case SOCKET_FTP: text.Add(" *ftp"); break;
      case SOCKET_SMTP: text.Add(" *smtp"); break;
      case SOCKET_HTTP: text.Add(" *http"); break;
      default: text.Add(" "); text.Add_Name(rule.sockmsg); break;
    }
  }
}
}  // namespace

void Render_Priority(PriorityTrunk* rule)
{
  // Without a protocol the text stays, e.g. what Make_Default_Priority wrote.
  if (!rule || rule->netproto == 0) return;
  RuleText text;
  if (rule->defFlag) text.Add("Default: ");
  switch (rule->netproto) {
    case NETPROTO_IP:
      text.Add("**IP");
      Add_Ip_Particulars(text, *rule);
      break;
    case NETPROTO_APPLETALK: text.Add("**AppleTalk"); break;
    case NETPROTO_IPX:
    case NETPROTO_IPX_ALT: text.Add("**IPX"); break;
    default:
      text.Add("(%x)", static_cast<unsigned>(rule->netproto));
      text.Add_Name(rule->netmsg);
      break;
  }
  if (rule->ports != 0) text.Add(" ports: %d", rule->ports);
  Copy_Text_Field(rule->priorityinfo, text.Text());
}
