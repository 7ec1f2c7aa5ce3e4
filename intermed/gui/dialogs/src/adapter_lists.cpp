#include "adapter_lists.h"

#include "control_text.h"
#include "model/adapters.h"

void FillAdapterList(HWND dialog, int list, int32_t linkId, int mode)
{
  if (mode == FILL_EMPTY || mode == FILL_REFILL) {
    for (LRESULT i = SendDlgItemMessageW(dialog, list, LB_GETCOUNT, 0, 0) - 1; i >= 0; --i)
      SendDlgItemMessageW(dialog, list, LB_DELETESTRING, i, 0);
  }
  if (mode == FILL_APPEND || mode == FILL_REFILL) {
    for (Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
      if (adapter->link_id == linkId) AppendListText(dialog, list, adapter->msg);
  }
}

int ReadListSelection(HWND dialog, int list, int positions[MAX_SELECTED_ENTRIES])
{
  LRESULT count = SendDlgItemMessageW(dialog, list, LB_GETSELITEMS, MAX_SELECTED_ENTRIES,
                                      reinterpret_cast<LPARAM>(positions));
  return count < 0 ? -1 : static_cast<int>(count);
}

void DeleteListEntries(HWND dialog, int list, const int* positions, int count)
{
  for (int i = count - 1; i >= 0; --i) SendDlgItemMessageW(dialog, list, LB_DELETESTRING, positions[i], 0);
}
