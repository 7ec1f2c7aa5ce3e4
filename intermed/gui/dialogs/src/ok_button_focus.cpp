#include "ok_button_focus.h"

bool OkButtonHasFocus(HWND dialog)
{
  return (SendDlgItemMessageW(dialog, IDOK, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0;
}
