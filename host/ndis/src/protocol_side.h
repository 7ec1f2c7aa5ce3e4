// The protocol side's part of indications and completions, shared by the
// NDIS indication calls and the Adapter API.
#pragma once

#include "hostndis/detail/machine.h"

namespace hostndis::detail {

// The miniport is done with protocol packet `index` (synchronously or by
// NdisMSendComplete).
void FinishSend(Miniport* m, uint32_t index, PNDIS_PACKET packet, NDIS_STATUS status);
// Sends refused packets again, once no handler is running (if the adapter
// requeues refused sends).
void ScheduleRequeuedSends(Miniport* m);
// Gives the miniport the sends held while its reset was pending.
void SendHeldForReset(Miniport* m);
// SendPackets with `count` protocol packets.
void SendPackets(Miniport* m, PNDIS_PACKET const* packets, uint32_t count);
// Gives one kept receive packet back through ReturnPacket.
void ReturnReceivePacket(Miniport* m, PNDIS_PACKET packet);

}  // namespace hostndis::detail
