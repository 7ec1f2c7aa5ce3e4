#include "sub_dialog.h"

#include "dialog_messages.h"
#include "dialogs/library_dialogs.h"

INT_PTR OpenSubDialog(HWND owner, int templateId, DLGPROC procedure)
{
  INT_PTR result = OpenLibraryDialog(owner, templateId, procedure);
  if (result == -1) ShowError(owner, L"Error creating Dialog Box!");
  return result;
}
