// The actions tmrxcfg plays against the dialogs, read from a text file with
// one action per line (blank lines and lines starting with '#' are skipped).
// Each acts on the window open innermost, dialog or message box:
//
//   click ID              click a button, check box or radio button
//   type ID TEXT...       focus the control and type the rest of the line
//   key NAME              press enter, escape, tab or space on the focus
//   focus ID              move the focus to the control
//   select ID POSITION    select a list box or combo box entry
//   selectmany ID POS...  make these entries a multiple-selection list's selection
//   doubleclick ID POS    select a list box entry and double-click it
//   shot NAME             save a picture of the window as NAME.bmp
//
// IDs are numbers, or ok (1) and cancel (2).
#pragma once

#include <string>
#include <vector>

struct Action {
  enum Kind { Click, Type, Key, Focus, Select, SelectMany, DoubleClick, Shot } kind;
  int id = 0;
  std::vector<int> positions;
  std::wstring text;   // Type: the text; Shot: the name
  unsigned key = 0;    // Key: the virtual key
  int line = 0;        // in the script file, for messages
};

// Parses a script; on a bad line returns false with `error` naming it.
bool ParseActionScript(const std::string& script, std::vector<Action>* actions, std::string* error);

// The script a headless run plays when none is given: confirm the entry's
// first message box, then OK the main trunk dialog.
std::vector<Action> DefaultHeadlessScript();
