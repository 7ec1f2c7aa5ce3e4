#include "dialog_test_support.h"

#include <cstring>

std::string AdapterEntries(int count, int bus, int firstSlot)
{
  std::string entries = "{K100TX,{},{";
  for (int i = 0; i < count; ++i)
    entries += (i ? "," : "") + ("{" + std::to_string(bus) + " " + std::to_string(firstSlot + i) + " 0}");
  return entries + "}}";
}

std::string TextList(const std::string& sublists) { return "{" + sublists + "}"; }

std::string TrunkSublist(const std::string& name, int type, const std::string& rules, const std::string& ports)
{
  return "{TmrxLink,{{" + name + "," + std::to_string(type) + ",1,{" + rules + "},{" + ports + "}}}}";
}

std::string PortsEntry(const char* keyword, int bus, int slot, int connectionType)
{
  return std::string("{") + keyword + ",5,32," + std::to_string(bus) + "," + std::to_string(slot) + "," +
         std::to_string(slot) + ",0,0," + std::to_string(connectionType) + ",0,0}";
}

void DialogTest::SetUp()
{
  Empty_Model();
  Set_Dialog_Context(0, 0, nullptr);
}

void DialogTest::TearDown() { Empty_Model(); }

void DialogTest::Load(const std::string& text)
{
  ASSERT_EQ(1, Read_Text_List(text.c_str())) << "example list does not read: " << Model_Message();
}

std::wstring Wide(const char* text) { return std::wstring(text, text + strlen(text)); }

std::vector<std::wstring> AdapterNames(int32_t linkId)
{
  std::vector<std::wstring> names;
  for (Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
    if (adapter->link_id == linkId) names.push_back(Wide(adapter->msg));
  return names;
}

std::vector<std::wstring> RuleTexts(const Link* link)
{
  std::vector<std::wstring> texts;
  for (PriorityTrunk* rule = link->Priorities; rule; rule = rule->next) texts.push_back(Wide(rule->priorityinfo));
  return texts;
}

int RuleCount(const Link* link) { return static_cast<int>(RuleTexts(link).size()); }

INT_PTR OpenDialog(int templateId, DLGPROC procedure) { return OpenLibraryDialog(nullptr, templateId, procedure); }

std::function<void(HWND)> TypeIntoFocus(std::wstring text)
{
  return [text](HWND) {
    HWND focus = GetFocus();
    for (wchar_t c : text) PostMessageW(focus, WM_CHAR, c, 1);
  };
}
