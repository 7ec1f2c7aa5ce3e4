// Reader and writer throughput on a text list of N adapters in N/10 trunks
// of 10 members, each trunk with 8 rules; every adapter is also given by an
// Installed entry, so the reader both creates and finds adapters.
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include "model/model.h"

namespace {
std::string Location(int adapter)
{
  return std::to_string(adapter / 32) + " " + std::to_string(adapter % 32);
}

std::string Make_Text_List(int adapters)
{
  std::string text = "{{K250,{";
  for (int i = 0; i < adapters; ++i)
    text += (i ? ",{" : "{") + Location(i) + " 0 1 32 " + std::to_string(i % 4 + 1) + " 0}";
  text += "},{}},\n{TmrxLink,{";
  for (int trunk = 0; trunk < adapters / 10; ++trunk) {
    text += (trunk ? ",\n{" : "{") + std::string("Trunk number ") + std::to_string(trunk) + ",2,1,{";
    for (int rule = 0; rule < 8; ++rule)
      text += std::to_string(rule % 10 + 1) + " 2048 6 " + std::to_string(3232235776u + rule) + " 4294967040 " +
              std::to_string(80 + rule) + (rule < 7 ? ", " : "");
    text += "},{";
    for (int m = 0; m < 10; ++m) {
      int i = trunk * 10 + m;
      text += (m ? ",{K250,5,32," : "{K250,5,32,") + std::to_string(i / 32) + "," + std::to_string(i % 32) + "," +
              std::to_string(i % 32) + ",0," + std::to_string(i % 4 + 1) + ",4,64,64}";
    }
    text += "}}";
  }
  text += "}}}";
  return text;
}

void BM_Read_Text_List(benchmark::State& state)
{
  const std::string text = Make_Text_List(static_cast<int>(state.range(0)));
  Empty_Model();
  for (auto _ : state) {
    if (!Read_Text_List(text.c_str())) state.SkipWithError(Model_Message());
    state.PauseTiming();
    Empty_Model();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.counters["text_bytes"] = static_cast<double>(text.size());
}

void BM_Set_Return_String(benchmark::State& state)
{
  const std::string text = Make_Text_List(static_cast<int>(state.range(0)));
  Empty_Model();
  if (!Read_Text_List(text.c_str())) state.SkipWithError(Model_Message());
  std::size_t written = 0;
  for (auto _ : state) {
    char* out = Set_Return_String(1);
    if (!out) {
      state.SkipWithError(Model_Message());
      break;
    }
    written = std::strlen(out);
    std::free(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(written));
  state.counters["text_bytes"] = static_cast<double>(written);
  Empty_Model();
}
}  // namespace

BENCHMARK(BM_Read_Text_List)->Arg(100)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Set_Return_String)->Arg(100)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
