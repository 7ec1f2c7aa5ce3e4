// libFuzzer target: any bytes through Read_Text_List, then Set_Return_String
// and member removal, checking the model's invariants on the way.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include "model/model.h"
#include "model_invariants.h"

namespace {
void Check(bool holds, const char* what) { Fuzz_Check(holds, what); }

// The reader only appends, so ids also increase along their lists.
void Check_Model() { Check_Model_Invariants(IdOrder::Increasing); }

void Write_Model()
{
  char* text = Set_Return_String(1);
  if (text) {
    std::size_t length = std::strlen(text);
    Check(length >= 2 && text[0] == '{' && text[length - 1] == '}', "returned text is braced");
    std::free(text);
  } else {
    Check(Model_Message()[0] != '\0', "a refused write leaves a message");
  }
}

// Every member leaves its trunk; the last one takes the rules with it.
void Empty_Trunks()
{
  for (Link* link = First_Link(); link; link = link->next) {
    // A trunk read without members may keep its rules; one that loses its
    // last member may not.
    bool hadMembers = link->NumAdapters > 0;
    while (link->NumAdapters > 0) Check(Remove_Nth_Adapter_from_Link(link, 0) == 1, "member removal");
    Check(!hadMembers || link->Priorities == nullptr, "rules freed with the last member");
  }
  Check_Model();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
  std::string text(reinterpret_cast<const char*>(data), size);
  Empty_Model();
  Clear_Model_Message();
  if (Read_Text_List(text.c_str())) {
    Check_Model();
    Write_Model();
    Finish_Priority_Edit(0);
    Empty_Trunks();
  } else {
    Check(First_Adapter() == nullptr && First_Link() == nullptr, "failed read leaves the model empty");
    Check(Adapter_Count() == 0 && Link_Count() == 0, "failed read leaves the counts 0");
    Check(Model_Message()[0] != '\0', "every refusal leaves a message");
  }
  Empty_Model();
  return 0;
}
