#include "output/ini_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>
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
  Parse({});
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return true;  // a new file
  // Messages in the form the atomic writer uses, since a save reads the file first.
  if (S_ISDIR(st.st_mode)) {
    error = "Cannot write \"" + path + "\": the target is a folder";
    return false;
  }
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = "Cannot read \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  std::ostringstream ss;
  ss << f.rdbuf();
  Parse(ss.str());
  return true;
}

void IniFile::Parse(const std::string& text) {
  lines_.clear();
  bom_.clear();
  size_t pos = 0;
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
    bom_ = text.substr(0, 3);
    pos = 3;
  }
  // New lines follow the file: CR LF when it has any (or no line end at all), else LF.
  eol_ = text.find("\r\n") != std::string::npos || text.find('\n') == std::string::npos ? "\r\n" : "\n";
  while (pos < text.size()) {
    const size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) {
      lines_.push_back({text.substr(pos), ""});
      break;
    }
    const bool cr = nl > pos && text[nl - 1] == '\r';
    lines_.push_back({text.substr(pos, nl - pos - (cr ? 1 : 0)), cr ? "\r\n" : "\n"});
    pos = nl + 1;
  }
}

bool IniFile::HasSection(const std::string& section) const {
  std::string name;
  for (const auto& l : lines_)
    if (SectionName(l.text, name) && EqualsNoCase(name, section)) return true;
  return false;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> r;
  std::string name;
  for (const auto& l : lines_)
    if (SectionName(l.text, name)) r.push_back(name);
  return r;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSection(const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> r;
  bool in = false;
  std::string name, key, value;
  for (const auto& l : lines_) {
    if (SectionName(l.text, name)) {
      in = EqualsNoCase(name, section);
      continue;
    }
    if (in && KeyValue(l.text, key, value)) r.emplace_back(key, value);
  }
  return r;
}

void IniFile::Insert(size_t at, const std::vector<std::string>& texts) {
  if (texts.empty()) return;
  // Lines added after a last line without an end give that line one.
  if (at == lines_.size() && !lines_.empty() && lines_.back().end.empty()) lines_.back().end = eol_;
  std::vector<Line> added;
  added.reserve(texts.size());
  for (const auto& t : texts) added.push_back({t, eol_});
  lines_.insert(lines_.begin() + static_cast<long>(at), added.begin(), added.end());
}

void IniFile::WriteSection(const std::string& section,
                           const std::vector<std::pair<std::string, std::string>>& pairs) {
  // Locate the first section of that name: its lines are [begin, end).
  bool found = false;
  size_t begin = lines_.size(), end = lines_.size();
  std::string name;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!SectionName(lines_[i].text, name)) continue;
    if (found) {
      end = i;
      break;
    }
    if (EqualsNoCase(name, section)) {
      found = true;
      begin = i + 1;
    }
  }
  if (!found) {
    std::vector<std::string> head;
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) head.push_back("");
    head.push_back("[" + section + "]");
    Insert(lines_.size(), head);
    begin = end = lines_.size();
  }
  // The keys already in the section, by name without case (the first of equal ones).
  // Settings sections hold thousands of keys (a caption of many lines), so each key is
  // looked up once rather than searched for along the section.
  std::unordered_map<std::string, size_t> existing;
  std::string key, value;
  for (size_t i = begin; i < end; ++i)
    if (KeyValue(lines_[i].text, key, value)) existing.emplace(UpperAscii(key), i);
  // Existing keys get the new value in place; new keys go, in order, after the
  // section's last key (before trailing blank lines).
  std::vector<std::string> added;
  std::unordered_map<std::string, size_t> addedAt;
  for (const auto& [k, v] : pairs) {
    const std::string upper = UpperAscii(k);
    if (auto it = existing.find(upper); it != existing.end()) {
      KeyValue(lines_[it->second].text, key, value);
      lines_[it->second].text = key + "=" + v;
    } else if (auto a = addedAt.find(upper); a != addedAt.end()) {
      added[a->second] = added[a->second].substr(0, added[a->second].find('=')) + "=" + v;
    } else {
      addedAt.emplace(upper, added.size());
      added.push_back(k + "=" + v);
    }
  }
  size_t insertAt = end;
  while (insertAt > begin && Trim(lines_[insertAt - 1].text).empty()) --insertAt;
  Insert(insertAt, added);
}

std::string IniFile::Text() const {
  std::string out = bom_;
  for (const auto& l : lines_) out += l.text + l.end;
  return out;
}

bool IniFile::Save(const std::string& path, std::string& error) const {
  return WriteFileAtomic(path, Text(), error);
}

}  // namespace ks
