#include "engine/persistent.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/errors.h"
#include "engine/ustring.h"

namespace ks {

int EnumType::Find(std::string_view valueName) const {
  for (size_t i = 0; i < values.size(); ++i)
    if (EqualsNoCase(values[i], valueName)) return static_cast<int>(i);
  return -1;
}

std::string EnumType::Name(int value) const {
  if (value < 0 || value >= static_cast<int>(values.size())) return {};
  return values[value];
}

const PropInfo* PropertyTable::Find(std::string_view name) const {
  for (const auto& p : props)
    if (EqualsNoCase(p.name, name)) return &p;
  return nullptr;
}

void TksPersistent::Assign(const TksPersistent&) { throw Exception(erErrorInBarCode, "Cannot assign"); }

std::string IntToText(long long v) { return std::to_string(v); }

static std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool TextToInt(std::string_view s, long long& out) {
  s = Trim(s);
  if (s.empty()) return false;
  bool neg = false;
  if (s.front() == '+' || s.front() == '-') {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty() || s.size() > 20) return false;
  unsigned long long v = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFFFull) return false;
  }
  out = neg ? -static_cast<long long>(v) : static_cast<long long>(v);
  return true;
}

std::string BoolToText(bool v) { return v ? "True" : "False"; }

bool TextToBool(std::string_view s, bool& out) {
  s = Trim(s);
  if (EqualsNoCase(s, "True") || s == "1") {
    out = true;
    return true;
  }
  if (EqualsNoCase(s, "False") || s == "0") {
    out = false;
    return true;
  }
  return false;
}

// Numbers are written with the user's decimal separator and read with either '.' or ','.
// The conversions themselves are locale-independent (a Qt application switches the C
// locale to the user's, under which strtod would no longer accept '.').
std::string FloatToText(double v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, res.ptr);
  const char* point = std::localeconv()->decimal_point;
  if (point && point[0] && point[0] != '.')
    for (auto& c : s)
      if (c == '.') c = point[0];
  return s;
}

bool TextToFloat(std::string_view s, double& out) {
  s = Trim(s);
  if (s.empty() || s.size() > 60) return false;
  std::string t(s);
  for (auto& c : t)
    if (c == ',') c = '.';
  const char* first = t.c_str();
  if (*first == '+') ++first;
  double v = 0;
  auto res = std::from_chars(first, t.c_str() + t.size(), v);
  if (res.ec != std::errc() || res.ptr != t.c_str() + t.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

std::string SetToText(const EnumType& t, uint32_t bits) {
  std::string r;
  for (size_t i = 0; i < t.values.size() && i < 32; ++i) {
    if (bits & (1u << i)) {
      if (!r.empty()) r += ',';
      r += t.values[i];
    }
  }
  return r;
}

bool TextToSet(const EnumType& t, std::string_view s, uint32_t& out) {
  s = Trim(s);
  if (!s.empty() && s.front() == '[') {
    if (s.back() != ']') return false;
    s = s.substr(1, s.size() - 2);
  }
  uint32_t v = 0;
  while (true) {
    size_t comma = s.find(',');
    std::string_view part = Trim(s.substr(0, comma));
    if (!part.empty()) {
      int i = t.Find(part);
      if (i < 0 || i >= 32) return false;
      v |= 1u << i;
    } else if (comma != std::string_view::npos) {
      return false;
    }
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  out = v;
  return true;
}

namespace {

// Splits "a.b.c" into parts.
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (true) {
    size_t dot = path.find('.');
    parts.push_back(path.substr(0, dot));
    if (dot == std::string_view::npos) break;
    path.remove_prefix(dot + 1);
  }
  return parts;
}

struct Resolved {
  TksPersistent* owner = nullptr;
  const PropInfo* prop = nullptr;
  std::string_view listRest;  // for string lists: "Count" or "LineN"
};

bool Resolve(TksPersistent& root, std::string_view path, Resolved& r) {
  auto parts = SplitPath(path);
  TksPersistent* obj = &root;
  for (size_t i = 0; i < parts.size(); ++i) {
    const PropInfo* p = obj->Properties().Find(parts[i]);
    if (!p) return false;
    if (p->type == PropType::StringList) {
      if (i + 2 != parts.size()) return false;
      r.owner = obj;
      r.prop = p;
      r.listRest = parts[i + 1];
      return true;
    }
    if (i + 1 == parts.size()) {
      if (p->type == PropType::Object) return false;
      r.owner = obj;
      r.prop = p;
      return true;
    }
    if (p->type != PropType::Object || !p->object) return false;
    obj = p->object(*obj);
    if (!obj) return false;
  }
  return false;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

// The characters after "Line" as the index; non-numbers count as 0. All of them, not
// only the first four: a list of more than 10000 lines would otherwise load line 12345
// into line 1234 and come back corrupted from its own INI section.
size_t LineIndex(std::string_view rest) {
  std::string_view digits = rest.substr(4);
  long long v;
  if (!TextToInt(digits, v) || v < 0) return 0;
  return static_cast<size_t>(v);
}

}  // namespace

const PropInfo* FindPropertyPath(TksPersistent& root, std::string_view path, TksPersistent** owner) {
  Resolved r;
  if (!Resolve(root, path, r)) return nullptr;
  if (owner) *owner = r.owner;
  return r.prop;
}

bool GetPropertyText(TksPersistent& root, std::string_view path, std::string& out) {
  Resolved r;
  if (!Resolve(root, path, r)) return false;
  const PropInfo& p = *r.prop;
  if (p.type == PropType::StringList) {
    if (EqualsNoCase(r.listRest, "Count")) {
      const size_t n = p.lineCount ? p.lineCount(*r.owner) : p.getLines(*r.owner).size();
      out = IntToText(static_cast<long long>(n));
      return true;
    }
    auto lines = p.getLines(*r.owner);
    if (StartsWithNoCase(r.listRest, "Line")) {
      size_t i = LineIndex(r.listRest);
      if (i >= lines.size()) return false;
      out = lines[i];
      return true;
    }
    return false;
  }
  if (p.type == PropType::Event || !p.get) return false;
  out = p.get(*r.owner);
  return true;
}

SetResult SetPropertyText(TksPersistent& root, std::string_view path, std::string_view value) {
  Resolved r;
  if (!Resolve(root, path, r)) return SetResult::NotFound;
  const PropInfo& p = *r.prop;
  if (p.type == PropType::StringList) {
    if (EqualsNoCase(r.listRest, "Count")) {
      long long n;
      if (!TextToInt(value, n) || n < 0) n = 0;
      if (n > 100000) return SetResult::BadValue;
      p.setLines(*r.owner, std::vector<std::string>(static_cast<size_t>(n)));
      return SetResult::Ok;
    }
    if (StartsWithNoCase(r.listRest, "Line")) {
      const size_t i = LineIndex(r.listRest);
      if (p.setLine && p.lineCount) {
        if (i < p.lineCount(*r.owner)) p.setLine(*r.owner, i, std::string(value));
        return SetResult::Ok;
      }
      auto lines = p.getLines(*r.owner);
      if (i < lines.size()) {
        lines[i] = std::string(value);
        p.setLines(*r.owner, lines);
      }
      return SetResult::Ok;
    }
    return SetResult::NotFound;
  }
  if (p.type == PropType::Event) return SetResult::NotFound;
  if (p.readOnly || !p.set) return SetResult::ReadOnly;
  return p.set(*r.owner, value) ? SetResult::Ok : SetResult::BadValue;
}

static void ListInto(TksPersistent& obj, const std::string& prefix, bool includeReadOnly, bool onlyStored,
                     std::vector<PropertyValue>& out) {
  for (const auto& p : obj.Properties().props) {
    std::string path = prefix.empty() ? p.name : prefix + "." + p.name;
    switch (p.type) {
      case PropType::Event:
        break;
      case PropType::Object:
        if (TksPersistent* sub = p.object ? p.object(obj) : nullptr)
          ListInto(*sub, path, includeReadOnly, onlyStored, out);
        break;
      case PropType::StringList: {
        auto lines = p.getLines(obj);
        out.push_back({path + ".Count", IntToText(static_cast<long long>(lines.size()))});
        for (size_t i = 0; i < lines.size(); ++i) out.push_back({path + ".Line" + std::to_string(i), lines[i]});
        break;
      }
      default:
        if (p.readOnly && !includeReadOnly) break;
        if (onlyStored && !p.stored) break;
        out.push_back({path, p.get(obj)});
    }
  }
}

std::vector<PropertyValue> ListProperties(TksPersistent& root, bool includeReadOnly, bool onlyStored) {
  std::vector<PropertyValue> out;
  ListInto(root, "", includeReadOnly, onlyStored, out);
  return out;
}

}  // namespace ks
