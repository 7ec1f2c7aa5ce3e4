// Plays an action script against the dialogs and message boxes that open on
// this thread, from a timer that runs inside their modal loops, and saves a
// picture of each window as it first shows.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "action_script.h"

struct PlayerOptions {
  std::vector<Action> actions;
  std::wstring picturesDir;     // empty: no pictures
  bool closeLeftovers = false;  // close windows left open once the script is done
  DWORD idleMs = 4000;          // how long a window may wait with nothing to play
};

class DialogPlayer {
 public:
  explicit DialogPlayer(PlayerOptions options);
  ~DialogPlayer();
  DialogPlayer(const DialogPlayer&) = delete;
  DialogPlayer& operator=(const DialogPlayer&) = delete;

  // Stops playing. False when a window had to be closed, an action could
  // not be played, or the dialogs closed before the script was done.
  bool Finish();

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();
  void Picture(HWND window, const std::wstring& name);
  void Play(HWND window, const Action& action);

  PlayerOptions options_;
  UINT_PTR timer_ = 0;
  HWND current_ = nullptr;  // the innermost window
  bool pictured_ = false;   // its picture has been taken
  HWND busy_ = nullptr;     // an action on this window is still running
  std::set<HWND> seen_;     // windows pictured as they first showed
  size_t next_ = 0;
  DWORD idleSince_ = 0;
  int windowsSeen_ = 0;
  bool failed_ = false;
};
