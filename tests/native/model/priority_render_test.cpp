#include <cstring>
#include "model_fixture.h"

class RenderPriority : public ModelTest {
protected:
  std::string Render(PriorityTrunk& rule)
  {
    Render_Priority(&rule);
    return rule.priorityinfo;
  }
  PriorityTrunk rule{};
};

TEST_F(RenderPriority, DefaultIpRule)
{
  rule.defFlag = 1;
  rule.netproto = NETPROTO_IP;
  rule.ports = 3;
  EXPECT_EQ(Render(rule), "Default: **IP ports: 3");
}

TEST_F(RenderPriority, IpRuleWithEveryMatch)
{
  rule.netproto = NETPROTO_IP;
  rule.typeenable = 1;
  rule.prototype = PROTOTYPE_TCP;
  rule.destenable = 1;
  rule.destaddr = 0xC0A80100;
  rule.netmask = 0xFFFFFF00;
  rule.sockenable = 1;
  rule.socket = SOCKET_HTTP;
  rule.ports = 2;
  EXPECT_EQ(Render(rule), "**IP *TCP *Dest: 192.168.1.0, netmask: 0xffffff00 *http ports: 2");
  rule.prototype = PROTOTYPE_UDP;
  rule.netmask = 0;
  rule.socket = 8080;
  std::strcpy(rule.sockmsg, "proxy");
  EXPECT_EQ(Render(rule), "**IP *UDP *Dest: 192.168.1.0 proxy ports: 2") << "UDP is 0x17; no mask, no mask piece";
}

TEST_F(RenderPriority, DestinationZeroIsNotShown)
{
  rule.netproto = NETPROTO_IP;
  rule.destenable = 1;
  rule.netmask = 0xFF000000;
  rule.typeenable = 1;
  rule.prototype = 50;
  std::strcpy(rule.protomsg, "ESP");
  EXPECT_EQ(Render(rule), "**IP ESP") << "no destination, so no mask either; ports 0 is not shown";
}

TEST_F(RenderPriority, OtherNetworkProtocols)
{
  rule.ports = 1;
  rule.netproto = 0x806;
  std::strcpy(rule.netmsg, "ARP");
  EXPECT_EQ(Render(rule), "(806)ARP ports: 1");
  rule.netproto = NETPROTO_IPX_ALT;
  EXPECT_EQ(Render(rule), "**IPX ports: 1");
  rule.netproto = NETPROTO_APPLETALK;
  rule.defFlag = 1;
  EXPECT_EQ(Render(rule), "Default: **AppleTalk ports: 1");
}

TEST_F(RenderPriority, NoProtocolLeavesTheText)
{
  std::strcpy(rule.priorityinfo, "Default priority: ports: 2");
  rule.defFlag = 1;
  rule.ports = 5;
  EXPECT_EQ(Render(rule), "Default priority: ports: 2");
}

TEST_F(RenderPriority, UnterminatedNameFieldsStayInsideTheirField)
{
  rule.netproto = 0x86DD;
  std::memset(rule.netmsg, 'v', sizeof rule.netmsg);
  rule.typeenable = 1;
  EXPECT_EQ(Render(rule), "(86dd)" + std::string(32, 'v'));
}
