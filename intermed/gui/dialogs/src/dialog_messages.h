// The message boxes of the dialogs: errors, warnings and OK/Cancel questions
// under their fixed captions, owned by the dialog that shows them.
#pragma once

#include <windows.h>

void ShowError(HWND owner, const wchar_t* text);
// The model's message buffer as an error.
void ShowModelError(HWND owner);
void ShowWarning(HWND owner, const wchar_t* text);
// Prompts of the priority dialogs, captioned "TamrixLink".
void ShowLinkNotice(HWND owner, const wchar_t* text);
// An OK/Cancel question captioned "Tamrix Warning": true when answered OK.
bool AskToContinue(HWND owner, const wchar_t* text);
