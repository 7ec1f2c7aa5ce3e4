#pragma once
#include <iosfwd>

// tmrxlist [--dump] FILE: reads a nested text list ("-" for standard input)
// into an empty model and prints the flat text list returned to installers,
// or with --dump the model as an indented tree.
// Exit codes: 0 success, 1 the text list was refused (the model's message on
// `err`), 2 usage error or input that cannot be read as a text.
enum TmrxlistExit { TMRXLIST_OK = 0, TMRXLIST_REFUSED = 1, TMRXLIST_USAGE = 2 };

int Run_Tmrxlist(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err);
