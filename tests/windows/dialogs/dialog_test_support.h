// Shared pieces of the dialog tests: example models, the fixture that
// starts every test from an empty model, and short names for what the
// tests read back from the model and the controls.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dialogs/dialog_context.h"
#include "example_lists.h"
#include "dialogs/library_dialogs.h"
#include "model/model.h"
#include "resource.h"

// A List sublist of `count` K100TX adapters on `bus`, slots from `firstSlot`.
std::string AdapterEntries(int count, int bus = 0, int firstSlot = 1);
// "{" + sublists + "}".
std::string TextList(const std::string& sublists);
// A TmrxLink sublist with one trunk.
std::string TrunkSublist(const std::string& name, int type, const std::string& rules,
                         const std::string& ports);
// A PortsList entry of the model `keyword` at (bus, slot), function 0.
std::string PortsEntry(const char* keyword, int bus, int slot, int connectionType = 0);

// Empties the model before and after each test.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Reads `text` into the empty model; fails the test when it does not read.
  void Load(const std::string& text);
};

std::wstring Wide(const char* text);
// The display names of the adapters whose link_id is `linkId`, model order.
std::vector<std::wstring> AdapterNames(int32_t linkId);
// What the rule list of a trunk shows: each rule's priorityinfo.
std::vector<std::wstring> RuleTexts(const Link* link);
int RuleCount(const Link* link);

// A script step typing into whatever has the focus, without moving it
// first (moving the focus onto the control that has it would make the
// dialog manager take it away and give it back).
std::function<void(HWND)> TypeIntoFocus(std::wstring text);

// The library's dialogs as the main dialog opens them.
INT_PTR OpenDialog(int templateId, DLGPROC procedure);
