#pragma once
// The installer's example text list and what the library returns for it.
inline const char* const EXAMPLE_LIST =
    "{{K250,{{0 4 0 1 32 1 0},{0 5 0 1 32 2 0}},{}},{K100TX,{},{{0 9 0}}},\n"
    " {TmrxLink,{{Main trunk,2,1,{2 0 0 0 0 0},\n"
    "  {{K250,5,32,0,4,4,0,1,0,0,0},{K250,5,32,0,5,5,0,2,0,0,0}}}}}}\n";

inline const char* const EXAMPLE_RETURNED =
    "{\"{\"\"TmrxLink\"\",\"\"Main trunk\"\",\"\"2\"\",\"\"1\"\",\"\"2 0 0 0 0 0\"\",\"\"end\"\","
    "\"\"5 0 4 1 0 0 0\"\",\"\"5 0 5 2 0 0 0\"\",\"\"end\"\",\"\"K250 5 32 0 4 4 0 1 0 0 0\"\","
    "\"\"K250 5 32 0 5 5 0 2 0 0 0\"\",\"\"end\"\"}\",\"{\"\"K100TX\"\",\"\"0\"\",\"\"9\"\"}\"}";
