#include "decimal_word.h"

bool Parse_Decimal(const char* word, int64_t minimum, int64_t maximum, int64_t* value)
{
  const char* p = word;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (*p < '0' || *p > '9') return false;
  // Past ten digits the value is out of every 32-bit range; stop growing it
  // there so that long digit runs cannot overflow.
  const int64_t ceiling = 10000000000LL;
  int64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (magnitude < ceiling) magnitude = magnitude * 10 + (*p - '0');
  int64_t number = negative ? -magnitude : magnitude;
  if (number < minimum || number > maximum) return false;
  *value = number;
  return true;
}
