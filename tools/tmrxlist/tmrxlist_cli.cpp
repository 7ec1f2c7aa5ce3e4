#include "tmrxlist_cli.h"
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include "model/model.h"
#include "model_dump.h"

namespace {
const char* const USAGE =
    "usage: tmrxlist [--dump] FILE\n"
    "  Reads the nested text list in FILE (\"-\" for standard input) into an\n"
    "  empty model and prints the flat text list that installers get back.\n"
    "  --dump   print the model as an indented tree instead\n"
    "exit status: 0 success, 1 the text list was refused (reason on stderr),\n"
    "             2 usage error or unreadable input\n";

bool Read_All(std::istream& in, std::string& text)
{
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int Print_Model(bool dump, std::ostream& out, std::ostream& err)
{
  if (dump) {
    Dump_Model(out);
    return TMRXLIST_OK;
  }
  char* text = Set_Return_String(1);
  if (!text) {
    err << Model_Message() << "\n";
    return TMRXLIST_REFUSED;
  }
  out << text << "\n";
  std::free(text);
  return TMRXLIST_OK;
}
}  // namespace

int Run_Tmrxlist(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err)
{
  bool dump = false;
  const char* file = nullptr;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (options && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
      out << USAGE;
      return TMRXLIST_OK;
    }
    if (options && std::strcmp(arg, "--dump") == 0) {
      dump = true;
    } else if (options && std::strcmp(arg, "--") == 0) {
      options = false;
    } else if (options && arg[0] == '-' && arg[1] != '\0') {
      err << "tmrxlist: unknown option " << arg << "\n" << USAGE;
      return TMRXLIST_USAGE;
    } else if (!file) {
      file = arg;
    } else {
      err << "tmrxlist: one FILE only\n" << USAGE;
      return TMRXLIST_USAGE;
    }
  }
  if (!file) {
    err << USAGE;
    return TMRXLIST_USAGE;
  }

  std::string text;
  bool readable;
  if (std::strcmp(file, "-") == 0) {
    readable = Read_All(in, text);
  } else {
    std::ifstream stream(file, std::ios::binary);
    readable = stream.is_open() && Read_All(stream, text);
  }
  if (!readable) {
    err << "tmrxlist: cannot read " << file << "\n";
    return TMRXLIST_USAGE;
  }
  // The installer hands over a zero-terminated text: a NUL would silently
  // cut what follows it.
  std::size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    err << "tmrxlist: " << file << ": NUL byte at offset " << nul << ", not a text list\n";
    return TMRXLIST_USAGE;
  }

  Empty_Model();
  int status = TMRXLIST_REFUSED;
  if (Read_Text_List(text.c_str()))
    status = Print_Model(dump, out, err);
  else
    err << Model_Message() << "\n";
  Empty_Model();
  return status;
}
