#include "output/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_map>

#include "engine/ustring.h"
#include "output/atomic_file.h"

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

// Reads a regular file of at most kMaxIniFileBytes into `text`. A link is followed only
// when `followLink`. The type is looked at before the file is opened (opening some
// devices already does something) and again on the open file, which is opened without
// waiting, so a FIFO cannot block. `err` holds the errno of an Unreadable outcome.
IniFile::ReadStatus ReadBounded(const std::string& path, bool followLink, std::string& text, int& err) {
  using S = IniFile::ReadStatus;
  text.clear();
  err = 0;
  struct stat st {};
  if ((followLink ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0) {
    err = errno;
    return err == ENOENT ? S::Missing : S::Unreadable;
  }
  if (!S_ISREG(st.st_mode)) return S::NotRegular;
  if (st.st_size > kMaxIniFileBytes) return S::TooLarge;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW));
  if (fd < 0) {
    err = errno;
    return err == ENOENT ? S::Missing : err == ELOOP ? S::NotRegular : S::Unreadable;
  }
  S status = S::Ok;
  if (fstat(fd, &st) != 0) {
    err = errno;
    status = S::Unreadable;
  } else if (!S_ISREG(st.st_mode)) {
    status = S::NotRegular;
  } else {
    // One byte more than allowed tells a file that grew since it was looked at.
    text.resize(static_cast<size_t>(std::min<long long>(st.st_size, kMaxIniFileBytes)) + 1);
    size_t got = 0;
    while (got < text.size()) {
      const ssize_t n = read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        err = errno;
        status = S::Unreadable;
        break;
      }
      if (n == 0) break;
      got += static_cast<size_t>(n);
      if (got == text.size() && got <= static_cast<size_t>(kMaxIniFileBytes))
        text.resize(std::min<size_t>(got * 2, static_cast<size_t>(kMaxIniFileBytes) + 1));
    }
    text.resize(got);
    if (status == S::Ok && got > static_cast<size_t>(kMaxIniFileBytes)) status = S::TooLarge;
  }
  close(fd);
  if (status != S::Ok) text.clear();
  return status;
}

const char* const kTooLarge = "larger than 4 MB (4194304 bytes), the most an INI file may hold";

}  // namespace

IniFile::ReadStatus IniFile::Read(const std::string& path, std::string& error) {
  std::string text;
  int err = 0;
  const ReadStatus status = ReadBounded(path, true, text, err);
  Parse(text);
  const std::string name = "INI file '" + path + "'";
  switch (status) {
    case ReadStatus::Ok: break;
    case ReadStatus::Missing: error = name + " not found"; break;
    case ReadStatus::NotRegular: error = name + " is not a regular file"; break;
    case ReadStatus::TooLarge: error = name + " is " + kTooLarge; break;
    case ReadStatus::Unreadable: error = name + " cannot be read: " + std::strerror(err); break;
  }
  return status;
}

bool IniFile::Load(const std::string& path, std::string& error) {
  Parse({});
  // Messages in the form the atomic writer uses, since a save reads the file first.
  if (!CheckReplaceableTarget(path, error)) return false;
  // A file that cannot be looked at (missing, or a folder on the way that cannot be
  // searched or is none) is a new file; the write reports what stands in its way.
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return true;
  std::string text;
  int err = 0;
  switch (ReadBounded(path, false, text, err)) {
    case ReadStatus::Ok: Parse(text); return true;
    case ReadStatus::Missing: return true;
    case ReadStatus::NotRegular: error = "Cannot write \"" + path + "\": the target is not a regular file"; break;
    case ReadStatus::TooLarge: error = "Cannot write \"" + path + "\": the file is " + kTooLarge; break;
    case ReadStatus::Unreadable: error = "Cannot read \"" + path + "\": " + std::strerror(err); break;
  }
  return false;
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
  bool in = false, seen = false;
  std::string name, key, value;
  for (const auto& l : lines_) {
    if (SectionName(l.text, name)) {
      if (in) break;  // a later section of the same name is not read (nor written)
      in = !seen && EqualsNoCase(name, section);
      seen = seen || in;
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
  // The lines of each key already in the section, by name without case. A key may
  // stand more than once, and reading applies every line of it in order, so each gets
  // the new value. Settings sections hold thousands of keys (a caption of many lines),
  // so each key is looked up once rather than searched for along the section.
  std::unordered_map<std::string, std::vector<size_t>> existing;
  std::string key, value;
  for (size_t i = begin; i < end; ++i)
    if (KeyValue(lines_[i].text, key, value)) existing[UpperAscii(key)].push_back(i);
  // Existing keys get the new value in place; new keys go, in order, after the
  // section's last key (before trailing blank lines).
  std::vector<std::string> added;
  std::unordered_map<std::string, size_t> addedAt;
  for (const auto& [k, v] : pairs) {
    const std::string upper = UpperAscii(k);
    if (auto it = existing.find(upper); it != existing.end()) {
      for (const size_t line : it->second) {
        KeyValue(lines_[line].text, key, value);
        lines_[line].text = key + "=" + v;
      }
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
