#include "inf_file.h"

#include <cctype>
#include <fstream>

namespace trx_test {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

namespace {

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// Splits one line at commas outside quotes, drops the comment, unquotes
// ("" inside quotes is one quote) and trims each field.
std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); i++) {
    char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        i++;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ';') {
      break;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c != ' ' && c != '\t' && c != '\r') {
      fields.back() += c;
    } else if (!fields.back().empty()) {
      fields.back() += c;  // trimmed at the end
    }
  }
  for (std::string& field : fields) field = Trim(field);
  return fields;
}

}  // namespace

InfFile::InfFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    error_ = "cannot read " + path;
    return;
  }
  std::string line;
  std::vector<InfLine>* section = nullptr;
  while (std::getline(in, line)) {
    std::string text = Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      section = &sections_[Lower(text.substr(1, text.find(']') - 1))];
      continue;
    }
    if (section == nullptr) continue;
    InfLine parsed;
    size_t equals = text.find('=');
    size_t quote = text.find('"');
    if (equals != std::string::npos && (quote == std::string::npos || equals < quote)) {
      parsed.key = Trim(text.substr(0, equals));
      text = text.substr(equals + 1);
    }
    parsed.fields = SplitFields(text);
    section->push_back(parsed);
  }
  for (const InfLine& entry : Section("Strings")) {
    if (!entry.fields.empty()) strings_[Lower(entry.key)] = entry.fields[0];
  }
}

const std::vector<InfLine>& InfFile::Section(const std::string& name) const {
  static const std::vector<InfLine> kNone;
  auto found = sections_.find(Lower(name));
  return found == sections_.end() ? kNone : found->second;
}

std::string InfFile::Substitute(const std::string& text) const {
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    size_t end = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
    if (end == std::string::npos) {
      out += text[i];
      continue;
    }
    auto found = strings_.find(Lower(text.substr(i + 1, end - i - 1)));
    out += found != strings_.end() ? found->second : text.substr(i, end - i + 1);
    i = end;
  }
  return out;
}

std::string InfFile::InstallSectionOf(const std::string& hardware_id) const {
  for (const InfLine& maker : Section("Manufacturer")) {
    if (maker.fields.empty()) continue;
    for (const InfLine& model : Section(maker.fields[0])) {
      for (size_t i = 1; i < model.fields.size(); i++) {
        if (Lower(model.fields[i]) == Lower(hardware_id)) return model.fields[0];
      }
    }
  }
  return "";
}

std::map<std::string, std::string> InfFile::RegistryOf(const std::string& install_section) const {
  std::map<std::string, std::string> values;
  for (const InfLine& directive : Section(install_section)) {
    if (Lower(directive.key) != "addreg") continue;
    for (const std::string& reg_section : directive.fields) {
      for (const InfLine& entry : Section(reg_section)) {
        if (entry.fields.size() < 5 || Lower(entry.fields[0]) != "hkr") continue;
        values[Lower(entry.fields[1] + "\\" + entry.fields[2])] = Substitute(entry.fields[4]);
      }
    }
  }
  return values;
}

}  // namespace trx_test
