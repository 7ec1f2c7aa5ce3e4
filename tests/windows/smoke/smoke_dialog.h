// A small dialog over the resource template IDD_SMOKE, standing in for the
// product's dialogs in the smoke tests of the Windows test harness.
#pragma once

#include "smoke_dialog_ids.h"

#include <windows.h>

#include <string>

// What the user chose when the dialog ended with OK.
struct SmokeChoice {
  std::wstring name;
  int item = -1;   // position in the item list, -1 for none
  int speed = -1;  // position in the speed combo box
  bool enabled = false;
};

// Runs the dialog modally; returns IDOK, IDCANCEL, or -1 when it cannot be
// created. `choice` is filled on OK.
INT_PTR RunSmokeDialog(HWND owner, SmokeChoice* choice, int templateId = IDD_SMOKE);
