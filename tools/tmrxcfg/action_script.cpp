#include "action_script.h"

#include <windows.h>

#include <cstdlib>
#include <sstream>

namespace {

bool ParseId(const std::string& word, int* id)
{
  if (word == "ok") return *id = IDOK, true;
  if (word == "cancel") return *id = IDCANCEL, true;
  char* end = nullptr;
  long value = strtol(word.c_str(), &end, 10);
  if (word.empty() || *end || value < 0 || value > 0xFFFF) return false;
  *id = static_cast<int>(value);
  return true;
}

bool ParsePosition(const std::string& word, int* position)
{
  char* end = nullptr;
  long value = strtol(word.c_str(), &end, 10);
  if (word.empty() || *end || value < 0 || value > 0x7FFF) return false;
  *position = static_cast<int>(value);
  return true;
}

bool ParseKey(const std::string& word, unsigned* key)
{
  static const struct {
    const char* name;
    unsigned key;
  } kKeys[] = {{"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"tab", VK_TAB}, {"space", VK_SPACE}};
  for (const auto& entry : kKeys)
    if (word == entry.name) return *key = entry.key, true;
  return false;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The rest of the line after the first `words` words and one blank.
std::string RestOfLine(const std::string& line, int words)
{
  size_t at = 0;
  for (int i = 0; i < words; ++i) {
    at = line.find_first_not_of(" \t", at);
    at = line.find_first_of(" \t", at);
    if (at == std::string::npos) return "";
  }
  return line.substr(at + 1);
}

bool ParseLine(const std::string& line, Action* action)
{
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  bool hasId = !words.empty() && ParseId(words[0], &action->id);
  auto positionsFrom = [&](size_t start) {
    for (size_t i = start; i < words.size(); ++i) {
      int position;
      if (!ParsePosition(words[i], &position)) return false;
      action->positions.push_back(position);
    }
    return words.size() > start;
  };

  if (verb == "click" || verb == "focus") {
    action->kind = verb == "click" ? Action::Click : Action::Focus;
    return hasId && words.size() == 1;
  }
  if (verb == "key") {
    action->kind = Action::Key;
    return words.size() == 1 && ParseKey(words[0], &action->key);
  }
  if (verb == "shot") {
    action->kind = Action::Shot;
    if (words.size() != 1) return false;
    action->text = Widen(words[0]);
    return true;
  }
  if (verb == "type") {
    action->kind = Action::Type;
    action->text = Widen(RestOfLine(line, 2));
    return hasId && words.size() >= 2;
  }
  if (verb == "select" || verb == "doubleclick") {
    action->kind = verb == "select" ? Action::Select : Action::DoubleClick;
    return hasId && words.size() == 2 && positionsFrom(1);
  }
  if (verb == "selectmany") {
    action->kind = Action::SelectMany;
    return hasId && positionsFrom(1);
  }
  return false;
}

}  // namespace

bool ParseActionScript(const std::string& script, std::vector<Action>* actions, std::string* error)
{
  std::istringstream in(script);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    Action action{};
    action.line = number;
    if (!ParseLine(line.substr(start), &action)) {
      *error = "line " + std::to_string(number) + ": cannot read \"" + line + "\"";
      return false;
    }
    actions->push_back(action);
  }
  return true;
}

std::vector<Action> DefaultHeadlessScript()
{
  Action confirm{};
  confirm.kind = Action::Click;
  confirm.id = IDOK;
  return {confirm, confirm};
}
