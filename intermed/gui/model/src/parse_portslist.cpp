#include "model/adapters.h"
#include "model/membership.h"
#include "model/model_codes.h"
#include "reader_fields.h"
#include "reader_levels.h"

int Parse_PortsList(TextReader& reader, Link* link)
{
  const char* const level = "Parse PortsList";
  // The eleven creation values in their order, the keyword first.
  static const char* const labels[] = {"Adapter Name",   "Bus Type",    "Bus Width",       "Bus Number",
                                       "Device Number",  "Slot Number", "Function Number", "Port Number",
                                       "Connection Type", "RdCount",    "TdCount"};
  int32_t field[11];
  if (!Next_Field_Word(reader, level, labels[0], false)) return 0;
  field[0] = Find_Model_Keyword(reader.word);
  if (field[0] == MODEL_NOT_FOUND) return Report_Bad_Value(level, labels[0], reader.word);
  for (int i = 1; i < 11; ++i) {
    if (!Read_Signed_Field(reader, level, labels[i], true, &field[i])) return 0;
    if (i == 1 && field[i] != PCI_BUS_TYPE) return Report_Bad_Value(level, "expected Bus Type of 5", reader.word);
    if (i == 2 && !Check_Bus_Width(reader, level, field[i])) return 0;
  }
  Get_Token(reader);
  if (!Expect_Token(reader, level, TOKEN_CLOSE, "expecting end of sublist")) return 0;
  AdapterValues values{field[0], field[1], field[2], field[3], field[4],  field[5],
                       field[6], field[7], field[8], field[9], field[10]};
  Adapter* adapter = Add_Adapter(values);
  if (!adapter || !Add_Adapter_Entry_to_Link(link, adapter)) return 0;
  Next_Token_After_Comma(reader);
  return 1;
}
