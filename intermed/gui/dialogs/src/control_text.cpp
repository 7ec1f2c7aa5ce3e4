#include "control_text.h"

#include <cstdlib>
#include <vector>

#include "model/wide_text.h"

namespace {

// Sends `message` with the widened text as lParam.
LRESULT SendWithText(HWND dialog, int id, UINT message, WPARAM wParam, const char* text)
{
  WideChar* wide = WidenText(text);
  if (!wide) return -1;
  LRESULT result = SendDlgItemMessageW(dialog, id, message, wParam, reinterpret_cast<LPARAM>(wide));
  free(wide);
  return result;
}

}  // namespace

void SetControlText(HWND dialog, int id, const char* text)
{
  WideChar* wide = WidenText(text);
  if (!wide) return;
  SetDlgItemTextW(dialog, id, wide);
  free(wide);
}

char* ReadControlText(HWND dialog, int id, int maxUnits)
{
  std::vector<wchar_t> buffer(static_cast<size_t>(maxUnits) + 1, L'\0');
  GetDlgItemTextW(dialog, id, buffer.data(), maxUnits + 1);
  return NarrowText(buffer.data());
}

LRESULT AppendListText(HWND dialog, int list, const char* text)
{
  return SendWithText(dialog, list, LB_INSERTSTRING, static_cast<WPARAM>(-1), text);
}

LRESULT InsertComboText(HWND dialog, int box, int index, const char* text)
{
  return SendWithText(dialog, box, CB_INSERTSTRING, static_cast<WPARAM>(index), text);
}

char* ReadComboItemText(HWND dialog, int box, int index)
{
  LRESULT length = SendDlgItemMessageW(dialog, box, CB_GETLBTEXTLEN, index, 0);
  if (length < 0) return nullptr;
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  if (SendDlgItemMessageW(dialog, box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer.data())) < 0)
    return nullptr;
  return NarrowText(buffer.data());
}
