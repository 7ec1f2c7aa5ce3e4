#include "notify/adapter_match.h"

#include "model/model_codes.h"

namespace {

struct ModelText {
  const char* text;
  int32_t model;
};

// PCI subsystem device id and subsystem vendor id, lower-case hexadecimal.
const ModelText HARDWARE_IDS[] = {
    {"02507c3a", MODEL_K250}, {"02527c3a", MODEL_K250FX}, {"01027c3a", MODEL_K100TX},
    {"01017c3a", MODEL_K100FX}, {"00107c3a", MODEL_K10FX},
};
// Compared over the keyword's own length, in this order.
const ModelText DISPLAY_KEYWORDS[] = {
    {"K250FX", MODEL_K250FX}, {"K250", MODEL_K250}, {"K100TX", MODEL_K100TX},
    {"K100FX", MODEL_K100FX}, {"K10FX", MODEL_K10FX},
};

// Whether `text` begins with the ASCII `prefix` (case-sensitive).
bool Starts_With(const WCHAR* text, const char* prefix)
{
  for (; *prefix; ++prefix, ++text)
    if (*text != static_cast<WCHAR>(static_cast<unsigned char>(*prefix))) return false;
  return true;
}

// The text after the first occurrence of `word`, or null.
const WCHAR* After(const WCHAR* text, const char* word)
{
  std::size_t length = 0;
  while (word[length]) ++length;
  for (; *text; ++text)
    if (Starts_With(text, word)) return text + length;
  return nullptr;
}

}  // namespace

int32_t MatchAdapterModel(const WCHAR* hardwareId, const WCHAR* displayName)
{
  if (!hardwareId || !displayName) return MODEL_NOT_FOUND;
  if (const WCHAR* subsystem = After(hardwareId, "subsys_")) {
    for (const ModelText& row : HARDWARE_IDS)
      if (Starts_With(subsystem, row.text)) return row.model;
    return MODEL_NOT_FOUND;
  }
  const WCHAR* model = After(displayName, "Tamrix ");
  if (!model) return MODEL_NOT_FOUND;
  for (const ModelText& row : DISPLAY_KEYWORDS)
    if (Starts_With(model, row.text)) return row.model;
  return MODEL_NOT_FOUND;
}

AdapterValues Discovered_Adapter_Values(int32_t model, int32_t slot)
{
  AdapterValues values{};
  values.Model = model;
  values.BusType = PCI_BUS_TYPE;
  values.BusWidth = 32;
  values.BusNumber = 5;
  values.DeviceNumber = slot;
  values.SlotNumber = slot;
  values.FunctionNumber = 0;
  values.PortNumber = 0;
  values.ConnectionType = Default_Connection_Type(model);
  values.RdCount = 0;
  values.TdCount = 0;
  return values;
}
