// Moving adapters between the available list and the selected trunk.
#include "adapter_lists.h"
#include "dialog_messages.h"
#include "main_trunk_actions.h"
#include "model/adapters.h"
#include "model/links.h"
#include "model/membership.h"
#include "resource.h"

namespace {

// The selected positions of `list` (at most 64), or -1 after the list's
// error or the `noneSelected` message.
int SelectedPositions(HWND dialog, int list, const wchar_t* noneSelected, int positions[MAX_SELECTED_ENTRIES])
{
  int count = ReadListSelection(dialog, list, positions);
  if (count < 0) {
    ShowError(dialog, L"Error in List Box Selection");
    return -1;
  }
  if (count == 0) {
    ShowError(dialog, noneSelected);
    return -1;
  }
  return count;
}

// All members of one trunk sit on one PCI bus: the selected available
// adapters must share a bus number, and it must be the trunk's.
bool SameBusAsTrunk(HWND dialog, const Link* link, const int* positions, int count)
{
  Adapter* first = Get_Nth_Adapter(positions[0], 0);
  if (!first) {
    ShowError(dialog, L"Cannot locate first available adapter!");
    return false;
  }
  for (int i = 1; i < count; ++i) {
    Adapter* adapter = Get_Nth_Adapter(positions[i], 0);
    if (!adapter) {
      ShowError(dialog, L"Cannot locate one of the selected available adapters!");
      return false;
    }
    if (adapter->BusNumber != first->BusNumber) {
      ShowError(dialog, L"Error:  Under NT 4.0, cannot group ports with differing bus numbers");
      return false;
    }
  }
  if (link->NumAdapters > 0) {
    Adapter* member = Get_Nth_Adapter(0, link->LinkID);
    if (!member) {
      ShowError(dialog, L"Cannot locate first adapter in link!");
      return false;
    }
    if (member->BusNumber != first->BusNumber) {
      ShowError(dialog, L"Error:  Under NT 4.0, cannot add ports with differing bus numbers");
      return false;
    }
  }
  return true;
}

}  // namespace

void OnAddInterface(HWND dialog)
{
  Link* link = SelectedTrunk(dialog, L"Please select/create a Logical Group first");
  if (!link) return;
  int positions[MAX_SELECTED_ENTRIES];
  int count = SelectedPositions(dialog, IDC_AVAILABLE_LIST, L"Make selection(s) in Available Interfaces", positions);
  if (count < 0 || !SameBusAsTrunk(dialog, link, positions, count)) return;
  if (!Add_Adapters_to_Link(link, positions, count)) {
    // Some may have moved: show both lists as the model has them.
    ShowModelError(dialog);
    FillAdapterList(dialog, IDC_AVAILABLE_LIST, 0, FILL_REFILL);
  } else {
    DeleteListEntries(dialog, IDC_AVAILABLE_LIST, positions, count);
  }
  FillAdapterList(dialog, IDC_MEMBER_LIST, link->LinkID, FILL_REFILL);
  if (link->Priorities) ShowWarning(dialog, L"You may need to adjust your Priority ports settings!");
}

void OnRemoveInterface(HWND dialog)
{
  Link* link = SelectedTrunk(dialog, L"Please select a Logical Group first");
  if (!link) return;
  int positions[MAX_SELECTED_ENTRIES];
  int count = SelectedPositions(dialog, IDC_MEMBER_LIST,
                                L"Make selection(s) from the \"Interfaces for this group\" first", positions);
  if (count < 0) return;
  bool hadRules = link->Priorities != nullptr;
  if (!Remove_Adapters_from_Link(link, positions, count)) {
    ShowModelError(dialog);
    FillAdapterList(dialog, IDC_MEMBER_LIST, link->LinkID, FILL_REFILL);
  } else {
    DeleteListEntries(dialog, IDC_MEMBER_LIST, positions, count);
  }
  FillAdapterList(dialog, IDC_AVAILABLE_LIST, 0, FILL_REFILL);
  // The model drops a trunk's rules with its last member.
  if (hadRules && !link->Priorities) ShowWarning(dialog, L"Priority trunking information deleted also!");
}
