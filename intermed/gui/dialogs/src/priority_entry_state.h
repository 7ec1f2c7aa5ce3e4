// Shared state of the "Priority Trunk Entry Particulars" dialog: the rule
// and trunk it edits (from DialogContext) and its change flags.
#pragma once

#include <windows.h>

struct Link;
struct PriorityTrunk;

enum ChoiceBoxIndex { CHOICE_NET, CHOICE_IP, CHOICE_SOCKET, CHOICE_BOXES };
enum AddressFieldIndex { ADDRESS_DEST, ADDRESS_MASK, ADDRESS_FIELDS };

// Set while the user's typing in a choice box has not been stored yet.
extern bool protocolEdited[CHOICE_BOXES];
// Set while a changed address field has not been stored yet.
extern bool addressChanged[ADDRESS_FIELDS];

PriorityTrunk* EditedRule();
Link* EditedRuleTrunk();

// The IP particulars: the three enable boxes and the inputs they enable.
void EnableIpParticulars(HWND dialog, bool on);
// Shows an IP rule's transport protocol, destination and socket.
void ShowIpParticulars(HWND dialog, const PriorityTrunk* rule);
// A click on one of the enable boxes 1024, 1025, 1026.
void OnIpEnableClicked(HWND dialog, PriorityTrunk* rule);
void OnDestinationEnableClicked(HWND dialog, PriorityTrunk* rule);
void OnSocketEnableClicked(HWND dialog, PriorityTrunk* rule);
