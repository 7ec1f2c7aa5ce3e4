// tmrxcfg: plays the installer of TmrxInt.dll. Reads a text list from a
// file, calls doTmrxLink with it and this program's window handle, and
// prints the text it returns (or says that it failed).
//
//   tmrxcfg [--headless] [--script FILE] [--pictures DIR] LISTFILE
//
//   --script FILE    play the actions in FILE against the dialogs (action_script.h)
//   --pictures DIR   save a picture (BMP) of each dialog and message box into DIR
//   --headless       nobody watches: pictures go to "screenshots" unless
//                    --pictures says otherwise, windows still open when the
//                    script is done are closed (and the run fails); without
//                    --script, the default one confirms the first message box
//                    and the main trunk dialog
//
// Exit status: 0 with the returned text on stdout; 1 when doTmrxLink failed;
// 2 for bad usage or an unreadable file; 3 when the script could not be
// played as written.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "action_script.h"
#include "dialog_player.h"
#include "installer_call.h"

namespace {

int Usage()
{
  fputs("usage: tmrxcfg [--headless] [--script FILE] [--pictures DIR] LISTFILE\n", stderr);
  return 2;
}

bool ReadFile(const std::string& path, std::string* text)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *text = content.str();
  return true;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

int main(int argc, char** argv)
{
  bool headless = false;
  std::string scriptPath, picturesDir, listPath;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--headless") {
      headless = true;
    } else if ((arg == "--script" || arg == "--pictures") && i + 1 < argc) {
      (arg == "--script" ? scriptPath : picturesDir) = argv[++i];
    } else if (arg.rfind("--", 0) == 0 || !listPath.empty()) {
      return Usage();
    } else {
      listPath = arg;
    }
  }
  if (listPath.empty()) return Usage();

  std::string list;
  if (!ReadFile(listPath, &list)) {
    fprintf(stderr, "tmrxcfg: cannot read %s\n", listPath.c_str());
    return 2;
  }
  PlayerOptions options;
  if (!scriptPath.empty()) {
    std::string script, error;
    if (!ReadFile(scriptPath, &script)) {
      fprintf(stderr, "tmrxcfg: cannot read %s\n", scriptPath.c_str());
      return 2;
    }
    if (!ParseActionScript(script, &options.actions, &error)) {
      fprintf(stderr, "tmrxcfg: %s: %s\n", scriptPath.c_str(), error.c_str());
      return 2;
    }
  } else if (headless) {
    options.actions = DefaultHeadlessScript();
  }
  if (headless && picturesDir.empty()) picturesDir = "screenshots";
  if (!picturesDir.empty()) {
    CreateDirectoryA(picturesDir.c_str(), nullptr);
    options.picturesDir = Widen(picturesDir);
  }
  options.closeLeftovers = headless;

  std::string error;
  DoTmrxLink entry = LoadTmrxLink(&error);
  if (!entry) {
    fprintf(stderr, "tmrxcfg: %s\n", error.c_str());
    return 2;
  }
  HWND window = CreateInstallerWindow();
  std::string handle = HandleText(window);
  const char* args[] = {list.c_str(), handle.c_str()};
  char* result = nullptr;
  std::unique_ptr<DialogPlayer> player;
  if (!options.actions.empty() || !options.picturesDir.empty()) player.reset(new DialogPlayer(options));
  BOOLEAN done = entry(2, args, &result);
  bool scriptFailed = player && !player->Finish();
  DestroyWindow(window);
  if (!done) {
    fputs("tmrxcfg: doTmrxLink failed (its message box said why)\n", stderr);
    return 1;
  }
  printf("%s\n", result);
  // The text comes from the C runtime's malloc inside TmrxInt.dll.
  free(result);
  return scriptFailed ? 3 : 0;
}
