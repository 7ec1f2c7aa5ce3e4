#pragma once
#include <cstdint>

// Internal: a word read as a decimal number from its start (optional sign,
// then digits; what follows the digits is ignored). False when the word does
// not begin with a number or the number lies outside [minimum, maximum].
bool Parse_Decimal(const char* word, int64_t minimum, int64_t maximum, int64_t* value);
