// The speed and duplex check boxes of template IDD_SPEED_DUPLEX.
#include "dialogs/speed_duplex.h"

#include <initializer_list>

#include "resource.h"

namespace {

struct SpeedBox {
  int id;
  unsigned box;
};
const SpeedBox kSpeedBoxes[] = {
    {IDC_SPEED_100, BOX_100}, {IDC_SPEED_10, BOX_10},     {IDC_SPEED_AUTO, BOX_AUTO},
    {IDC_DUPLEX_FULL, BOX_FULL}, {IDC_DUPLEX_HALF, BOX_HALF},
};

}  // namespace

void ShowSpeedDuplex(HWND dialog, int32_t code)
{
  unsigned checked = SpeedDuplexBoxesOf(code);
  for (const SpeedBox& box : kSpeedBoxes)
    SendDlgItemMessageW(dialog, box.id, BM_SETCHECK, (checked & box.box) ? BST_CHECKED : BST_UNCHECKED, 0);
}

unsigned CheckedSpeedBoxes(HWND dialog)
{
  unsigned checked = 0;
  for (const SpeedBox& box : kSpeedBoxes)
    if (SendDlgItemMessageW(dialog, box.id, BM_GETSTATE, 0, 0) & BST_CHECKED) checked |= box.box;
  return checked;
}

int32_t ReadSpeedDuplex(HWND dialog) { return SpeedDuplexCodeOf(CheckedSpeedBoxes(dialog)); }

void HideSpeedChoices(HWND dialog)
{
  for (int id : {IDC_SPEED_10, IDC_SPEED_100, IDC_SPEED_AUTO}) ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
}

unsigned SpeedBoxOfControl(int id)
{
  for (const SpeedBox& box : kSpeedBoxes)
    if (box.id == id) return box.box;
  return 0;
}
