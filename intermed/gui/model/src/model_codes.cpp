#include "model/model_codes.h"
#include <cstring>

namespace {
using U = UnassignedEntry;

// Lookups walk this table in order, so code 13 comes first.
const ModelCode codes[] = {
  {MODEL_TMRXLINK, "TmrxLink", " TamrixLink Controller", 0, U::InternalError, false, 0},
  {MODEL_K10FX, "K10FX", " Tamrix K10FX  Controller", 2, U::Written, true, 0},
  {MODEL_K100TX, "K100TX", " Tamrix K100TX Controller", 0, U::Written, true, 0},
  {MODEL_K100FX, "K100FX", " Tamrix K100FX Controller", 4, U::Written, true, 0},
  {MODEL_K250, "K250", " Tamrix K250   Controller", 0, U::Written, true, 3},
  {MODEL_K250FX, "K250FX", " Tamrix K250FX Controller", 4, U::Written, true, 3},
  {MODEL_K260, "K260", " Tamrix K260   Controller", 0, U::LeftOut, true, 0},
  {MODEL_K290, "K290", " Tamrix K290   Controller", 0, U::LeftOut, true, 0},
  {MODEL_K1000, "K1000", " Tamrix K1000  Controller", 0, U::Written, true, 0},
  {MODEL_K1200, "K1200", " Tamrix K1200  Controller", 0, U::Written, true, 0},
  {MODEL_W10FX, "W10FX", " Orvel NV-10FX  Controller", 2, U::Written, true, 0},
  {MODEL_W100FX, "W100FX", " Orvel NV-100FX Controller", 4, U::Written, true, 0},
  {MODEL_W250FX, "W250FX", " Orvel NV-400FX Controller", 4, U::Written, true, 0},
  {MODEL_W1000, "W1000", " Orvel NV-1000FX-SX Controller", 0, U::Written, true, 0},
};
}  // namespace

const ModelCode* Model_Code_Row(int32_t code)
{
  for (const ModelCode& row : codes)
    if (row.code == code) return &row;
  return nullptr;
}

int32_t Find_Model_Keyword(const char* text)
{
  if (!text) return MODEL_NOT_FOUND;
  for (const ModelCode& row : codes)
    if (std::strcmp(row.keyword, text) == 0) return row.code;
  return MODEL_NOT_FOUND;
}

const char* Model_Keyword(int32_t code)
{
  const ModelCode* row = Model_Code_Row(code);
  return row ? row->keyword : nullptr;
}

int32_t Default_Connection_Type(int32_t code)
{
  const ModelCode* row = Model_Code_Row(code);
  return row ? row->defaultConnectionType : 0;
}
