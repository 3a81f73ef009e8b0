#include "output/ini_file.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "engine/ustring.h"
#include "output/image_writers.h"

namespace ks {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// "[Name]" -> "Name"; empty when the line is no section header.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  name = Trim(t.substr(1, t.size() - 2));
  return true;
}

bool KeyValue(const std::string& line, std::string& key, std::string& value) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return false;
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  value = line.substr(eq + 1);
  if (!value.empty() && value.back() == '\r') value.pop_back();
  return !key.empty();
}

}  // namespace

bool IniFile::Load(const std::string& path, std::string& error) {
  lines_.clear();
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return true;  // a new file
  if (S_ISDIR(st.st_mode)) {
    error = "'" + path + "' is a directory";
    return false;
  }
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = "cannot read '" + path + "'";
    return false;
  }
  std::ostringstream ss;
  ss << f.rdbuf();
  Parse(ss.str());
  return true;
}

void IniFile::Parse(const std::string& text) {
  lines_.clear();
  eol_ = text.find("\r\n") != std::string::npos || text.find('\n') == std::string::npos ? "\r\n" : "\n";
  finalEol_ = text.empty() || text.back() == '\n';
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    if (!line.empty() && line.back() == '\r' && eol_ == "\r\n") line.pop_back();
    lines_.push_back(line);
    if (nl == std::string::npos) break;
    pos = nl + 1;
  }
}

bool IniFile::HasSection(const std::string& section) const {
  std::string name;
  for (const auto& l : lines_)
    if (SectionName(l, name) && EqualsNoCase(name, section)) return true;
  return false;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> r;
  std::string name;
  for (const auto& l : lines_)
    if (SectionName(l, name)) r.push_back(name);
  return r;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSection(const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> r;
  bool in = false;
  std::string name, key, value;
  for (const auto& l : lines_) {
    if (SectionName(l, name)) {
      in = EqualsNoCase(name, section);
      continue;
    }
    if (in && KeyValue(l, key, value)) r.emplace_back(key, value);
  }
  return r;
}

void IniFile::WriteSection(const std::string& section,
                           const std::vector<std::pair<std::string, std::string>>& pairs) {
  // Locate the section's lines [begin, end).
  size_t begin = lines_.size(), end = lines_.size();
  std::string name;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (SectionName(lines_[i], name)) {
      if (begin != lines_.size()) {
        end = i;
        break;
      }
      if (EqualsNoCase(name, section)) begin = i + 1;
    }
  }
  if (begin == lines_.size()) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.push_back("");
    lines_.push_back("[" + section + "]");
    begin = end = lines_.size();
    finalEol_ = true;
  }
  // Insert new keys after the section's last key (before trailing blank lines).
  size_t insertAt = end;
  while (insertAt > begin && Trim(lines_[insertAt - 1]).empty()) --insertAt;
  std::string key, value;
  for (const auto& [k, v] : pairs) {
    bool found = false;
    for (size_t i = begin; i < end; ++i) {
      if (KeyValue(lines_[i], key, value) && EqualsNoCase(key, k)) {
        lines_[i] = key + "=" + v;
        found = true;
        break;
      }
    }
    if (!found) {
      lines_.insert(lines_.begin() + static_cast<long>(insertAt), k + "=" + v);
      ++insertAt;
      ++end;
    }
  }
}

std::string IniFile::Text() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    if (i + 1 < lines_.size() || finalEol_) out += eol_;
  }
  return out;
}

bool IniFile::Save(const std::string& path, std::string& error) const {
  return WriteFileAtomic(path, Text(), error);
}

}  // namespace ks
