#include "model/message_buffer.h"
#include "model/model_codes.h"
#include "text_builder.h"

char* Make_Display_Name(int32_t number, int32_t code, int32_t busNumber, int32_t slotNumber)
{
  const ModelCode* row = Model_Code_Row(code);
  if (!row) return nullptr;
  TextBuilder name(96);
  name.Append_Char('[');
  name.Append_Signed(number);
  name.Append_Char(']');
  name.Append(row->displayText);
  if (row->locationSuffix) {
    name.Append(" (bus:");
    name.Append_Signed(busNumber);
    name.Append(", dev:");
    // 64-bit so that a slot near the bottom of the range cannot overflow.
    name.Append_Signed(static_cast<int64_t>(slotNumber) - row->devOffset);
    name.Append(") ");
  }
  char* text = name.Release();
  if (!text) Set_Model_Message("Failure to allocate message buffer!");
  return text;
}
