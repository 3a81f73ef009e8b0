#include "output/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <unordered_map>

#include "engine/ustring.h"
#include "output/atomic_file.h"

namespace ks {

namespace {

std::string_view Trim(std::string_view s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// "[Name]" -> "Name"; false when the line is no section header.
bool SectionName(std::string_view line, std::string_view& name) {
  const std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  name = Trim(t.substr(1, t.size() - 2));
  return true;
}

bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return false;
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(line.substr(0, eq));
  value = line.substr(eq + 1);
  if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
  return !key.empty();
}

// One line of the text: its bytes without the line end ("\r\n", "\n", or none after a
// last line without one) run from `start` to `textEnd`; the next line begins at `next`.
struct LineSpan {
  size_t start, textEnd, next;
};

// Calls f(span, line text) for every line from byte `from` on, until f returns false.
template <typename F>
void ForEachLine(const std::string& t, size_t from, F&& f) {
  for (size_t pos = from; pos < t.size();) {
    const size_t nl = t.find('\n', pos);
    LineSpan l{pos, t.size(), t.size()};
    if (nl != std::string::npos) {
      l.textEnd = nl > pos && t[nl - 1] == '\r' ? nl - 1 : nl;
      l.next = nl + 1;
    }
    if (!f(l, std::string_view(t).substr(pos, l.textEnd - pos))) return;
    pos = l.next;
  }
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

const char* const kTooLarge = "larger than 8 MB (8388608 bytes), the most an INI file may hold";

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
  const bool bom = text.rfind("\xEF\xBB\xBF", 0) == 0;
  bom_ = bom ? text.substr(0, 3) : std::string();
  text_ = bom ? text.substr(3) : text;
  // New lines follow the file: CR LF when it has any (or no line end at all), else LF.
  eol_ = text_.find("\r\n") != std::string::npos || text_.find('\n') == std::string::npos ? "\r\n" : "\n";
}

bool IniFile::HasSection(const std::string& section) const {
  bool found = false;
  std::string_view name;
  ForEachLine(text_, 0, [&](const LineSpan&, std::string_view line) {
    found = SectionName(line, name) && EqualsNoCase(name, section);
    return !found;
  });
  return found;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> r;
  std::string_view name;
  ForEachLine(text_, 0, [&](const LineSpan&, std::string_view line) {
    if (SectionName(line, name)) r.emplace_back(name);
    return true;
  });
  return r;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSection(const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> r;
  bool in = false;
  std::string_view name, key, value;
  ForEachLine(text_, 0, [&](const LineSpan&, std::string_view line) {
    if (SectionName(line, name)) {
      if (in) return false;  // a later section of the same name is not read (nor written)
      in = EqualsNoCase(name, section);
      return true;
    }
    if (in && KeyValue(line, key, value)) r.emplace_back(key, value);
    return true;
  });
  return r;
}

void IniFile::WriteSection(const std::string& section,
                           const std::vector<std::pair<std::string, std::string>>& pairs) {
  // The first section of that name: its lines run from byte `begin` to byte `end`.
  // Without one, a header is appended (after a blank line when the file's last line is
  // not blank) and the section is empty at the end of the text.
  bool found = false;
  size_t begin = text_.size(), end = text_.size();
  std::string_view name, lastLine;
  ForEachLine(text_, 0, [&](const LineSpan& l, std::string_view line) {
    lastLine = line;
    if (!SectionName(line, name)) return true;
    if (found) {
      end = l.start;
      return false;
    }
    if (EqualsNoCase(name, section)) {
      found = true;
      begin = l.next;
    }
    return true;
  });
  if (!found) {
    std::string head;
    if (!text_.empty() && text_.back() != '\n') head += eol_;  // the last line gets an end
    if (!Trim(lastLine).empty()) head += eol_;
    head += "[" + section + "]" + eol_;
    text_ += head;
    begin = end = text_.size();
  }
  // The lines of each key already in the section, by name without case. A key may
  // stand more than once, and reading applies every line of it in order, so each gets
  // the new value. Settings sections hold thousands of keys (a caption of many lines),
  // so each key is looked up once rather than searched for along the section. New keys
  // go, in order, after the section's last line that is not blank.
  std::unordered_map<std::string, std::vector<LineSpan>> existing;
  size_t insertAt = begin;
  std::string_view key, value;
  ForEachLine(text_, begin, [&](const LineSpan& l, std::string_view line) {
    if (l.start >= end) return false;
    if (KeyValue(line, key, value)) existing[UpperAscii(key)].push_back(l);
    if (!Trim(line).empty()) insertAt = l.next;
    return true;
  });
  std::map<size_t, std::pair<LineSpan, std::string>> replaced;  // by first byte: the line, its new text
  std::unordered_map<std::string, size_t> addedAt;                // a key added twice keeps its first place
  std::vector<std::pair<std::string, std::string>> newKeys;
  for (const auto& [k, v] : pairs) {
    const std::string upper = UpperAscii(k);
    if (auto it = existing.find(upper); it != existing.end()) {
      for (const LineSpan& l : it->second) {
        KeyValue(std::string_view(text_).substr(l.start, l.textEnd - l.start), key, value);
        replaced[l.start] = {l, std::string(key) + "=" + v};
      }
    } else if (auto a = addedAt.find(upper); a != addedAt.end()) {
      newKeys[a->second].second = v;
    } else {
      addedAt.emplace(upper, newKeys.size());
      newKeys.emplace_back(k, v);
    }
  }
  std::string added;
  for (const auto& [k, v] : newKeys) added += k + "=" + v + eol_;
  // Lines added after a last line without an end give that line one.
  if (!added.empty() && insertAt == text_.size() && !text_.empty() && text_.back() != '\n') added.insert(0, eol_);

  // The new text: the bytes between changed lines as they were (every changed line lies
  // before the place of the added ones), each changed line with its own end, the added
  // lines, the rest as it was.
  std::string out;
  out.reserve(text_.size() + added.size() + replaced.size() * 16);
  size_t copied = 0;
  for (const auto& [start, change] : replaced) {
    out.append(text_, copied, start - copied);
    out += change.second;
    copied = change.first.textEnd;
  }
  out.append(text_, copied, insertAt - copied);
  out += added;
  out.append(text_, insertAt, std::string::npos);
  text_ = std::move(out);
}

std::string IniFile::Text() const { return bom_ + text_; }

bool IniFile::Save(const std::string& path, std::string& error) const {
  if (static_cast<long long>(bom_.size() + text_.size()) > kMaxIniFileBytes) {
    error = "Cannot write \"" + path + "\": the settings would make the file " + kTooLarge;
    return false;
  }
  return WriteFileAtomic(path, Text(), error);
}

}  // namespace ks
