#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <string>
#include "model/model.h"
#include "sample_lists.h"
#include "tmrxlist_cli.h"

namespace {
struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun Tmrxlist(std::initializer_list<const char*> args, const std::string& input = "")
{
  std::vector<const char*> argv{"tmrxlist"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = Run_Tmrxlist(static_cast<int>(argv.size()), argv.data(), in, out, err);
  return {status, out.str(), err.str()};
}

std::string Temp_File(const std::string& name, const std::string& content)
{
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}
}  // namespace

TEST(Tmrxlist, PrintsTheReturnedTextOfAFile)
{
  std::string path = Temp_File("tmrxlist_example.txt", EXAMPLE_LIST);
  ToolRun run = Tmrxlist({path.c_str()});
  EXPECT_EQ(run.status, TMRXLIST_OK) << run.err;
  EXPECT_EQ(run.out, std::string(EXAMPLE_RETURNED) + "\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Adapter_Count() + Link_Count(), 0) << "the tool leaves the model empty";
}

TEST(Tmrxlist, ReadsStandardInputAndDumps)
{
  ToolRun run = Tmrxlist({"--dump", "-"}, EXAMPLE_LIST);
  EXPECT_EQ(run.status, TMRXLIST_OK) << run.err;
  EXPECT_NE(run.out.find("trunk 1: \"Main trunk\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("0: default, ports 2"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("adapter 3: K100TX bus 0 dev 9 slot 9"), std::string::npos) << run.out;
}

TEST(Tmrxlist, RefusedListPrintsTheModelMessage)
{
  ToolRun run = Tmrxlist({"-"}, "{{K250,{{0 4 0 1 48 1 0}},{}}}");
  EXPECT_EQ(run.status, TMRXLIST_REFUSED);
  EXPECT_EQ(run.err, "Parse Installed: invalid Bus Width, got (48)!\n");
  EXPECT_EQ(run.out, "");
  run = Tmrxlist({"-"}, "{{TmrxLink,{{T,2,1,{},{{TmrxLink,5,32,0,4,4,0,1,0,0,0}}}}},{K250,{},{{0 9 0}}}}");
  EXPECT_EQ(run.status, TMRXLIST_OK) << "a code-13 member is fine";
}

TEST(Tmrxlist, UsageErrors)
{
  EXPECT_EQ(Tmrxlist({}).status, TMRXLIST_USAGE);
  EXPECT_EQ(Tmrxlist({"a", "b"}).status, TMRXLIST_USAGE);
  EXPECT_EQ(Tmrxlist({"--frobnicate", "a"}).status, TMRXLIST_USAGE);
  ToolRun missing = Tmrxlist({"/nonexistent/list.txt"});
  EXPECT_EQ(missing.status, TMRXLIST_USAGE);
  EXPECT_NE(missing.err.find("cannot read /nonexistent/list.txt"), std::string::npos) << missing.err;
  ToolRun nul = Tmrxlist({"-"}, std::string("{}\0{", 4));
  EXPECT_EQ(nul.status, TMRXLIST_USAGE) << "a NUL byte would hide the rest of the input";
  EXPECT_NE(nul.err.find("NUL byte at offset 2"), std::string::npos) << nul.err;
  ToolRun help = Tmrxlist({"--help"});
  EXPECT_EQ(help.status, TMRXLIST_OK);
  EXPECT_NE(help.out.find("usage: tmrxlist"), std::string::npos);
}
