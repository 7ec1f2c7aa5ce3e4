// Reads an extended dialog template (DLGTEMPLATEEX) out of a module's
// resources, so that the tests can compare what the DLL carries with the
// layouts the dialogs are designed with.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TemplateControl {
  int id = 0;
  std::wstring className;  // "Button", "Edit", ... (ordinals resolved)
  std::wstring text;       // "#106" for a resource ordinal
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring caption;
  int pointSize = 0;
  std::wstring font;
  std::vector<TemplateControl> controls;
};

// False (and the test fails) when the module has no such extended template.
bool ReadDialogTemplate(HMODULE module, int templateId, DialogTemplate* out);
