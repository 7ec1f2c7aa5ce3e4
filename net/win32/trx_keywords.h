// The adapter's integer registry keywords, in the order ReadKeywords reads
// them. The installation file offers the same defaults and limits.
#pragma once

#include "trx_adapter.h"

typedef struct KEYWORD_ENTRY {
  NDIS_STRING Keyword;
  const char* Name;        // for diagnostics
  BOOLEAN Required;
  ULONG FieldOffset;       // in ADAPTER_CONTEXT
  ULONG FieldWidth;        // bytes
  ULONG Default;
  ULONG Minimum;
  ULONG Maximum;
} KEYWORD_ENTRY;

extern const KEYWORD_ENTRY KeywordTable[];
extern const ULONG KeywordCount;
