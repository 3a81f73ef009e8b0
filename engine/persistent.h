// One property mechanism for every class with published properties: a table per class
// (name, type, default, stored, read-only, get/set as text, sub-object). INI files, the
// CLI's --set, the editor and Assign tests read and write properties only through it.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/export.h"
#include "engine/ustring.h"

namespace ks {

class TksPersistent;

enum class PropType { Integer, Boolean, Enum, Set, Color, String, StringList, Float, Object, Event };

// Names of an enumeration's values, in value order.
struct BARVELLO_ENGINE_API EnumType {
  std::string name;
  std::vector<std::string> values;
  // Case-insensitive lookup of a value name; -1 when unknown.
  int Find(std::string_view valueName) const;
  std::string Name(int value) const;  // empty when out of range
};

struct PropInfo {
  std::string name;
  PropType type = PropType::Integer;
  const EnumType* enumType = nullptr;  // Enum and Set
  std::string defaultText;             // the value of a new object, as text
  bool stored = true;
  bool readOnly = false;
  // Value as text (not for Object, StringList, Event).
  std::function<std::string(const TksPersistent&)> get;
  // Set from text; false when the text does not convert. Absent when read-only.
  std::function<bool(TksPersistent&, std::string_view)> set;
  // Object-valued properties: the owned sub-object.
  std::function<TksPersistent*(TksPersistent&)> object;
  // String lists: the lines (UTF-8) and a setter that replaces them (and notifies).
  std::function<std::vector<std::string>(const TksPersistent&)> getLines;
  std::function<void(TksPersistent&, const std::vector<std::string>&)> setLines;
  // Optional for string lists: the number of lines and a setter of one existing line,
  // so that loading a long list line by line does not copy it once per line.
  std::function<size_t(const TksPersistent&)> lineCount;
  std::function<void(TksPersistent&, size_t, const std::string&)> setLine;
};

struct BARVELLO_ENGINE_API PropertyTable {
  std::vector<PropInfo> props;
  const PropInfo* Find(std::string_view name) const;  // case-insensitive
};

class BARVELLO_ENGINE_API TksPersistent {
 public:
  virtual ~TksPersistent() = default;
  virtual const PropertyTable& Properties() const = 0;
  // Copies from an object of the same class; throws Exception("Cannot assign") otherwise.
  virtual void Assign(const TksPersistent& source);
};

// ---- Text conversions shared by all tables ----------------------------------------
BARVELLO_ENGINE_API std::string IntToText(long long v);
BARVELLO_ENGINE_API bool TextToInt(std::string_view s, long long& out);  // decimal, $hex or 0x hex, optional sign
BARVELLO_ENGINE_API std::string BoolToText(bool v);                      // "True" / "False"
BARVELLO_ENGINE_API bool TextToBool(std::string_view s, bool& out);
BARVELLO_ENGINE_API std::string FloatToText(double v);
BARVELLO_ENGINE_API bool TextToFloat(std::string_view s, double& out);  // '.' or ',' as decimal separator
BARVELLO_ENGINE_API std::string SetToText(const EnumType& t, uint32_t bits);
BARVELLO_ENGINE_API bool TextToSet(const EnumType& t, std::string_view s, uint32_t& out);  // "a,b" or "[a, b]"

// ---- Dotted paths -----------------------------------------------------------------
enum class SetResult { Ok, NotFound, BadValue, ReadOnly };

// Reads "CaptionUpper.Font.Name"; string lists answer "P.Count" and "P.LineN".
BARVELLO_ENGINE_API bool GetPropertyText(TksPersistent& root, std::string_view path, std::string& out);
// Writes a property by path. For string lists, "P.Count" sets the number of lines and
// "P.LineN" replaces line N when it exists (an index past the end is ignored, Ok; the
// digits after "Line" are the index, anything else counts as 0).
BARVELLO_ENGINE_API SetResult SetPropertyText(TksPersistent& root, std::string_view path, std::string_view value);
// Finds the property a path names (nullptr when none); `owner` receives its object.
BARVELLO_ENGINE_API const PropInfo* FindPropertyPath(TksPersistent& root, std::string_view path, TksPersistent** owner);

struct PropertyValue {
  std::string path;
  std::string value;
};
// Every key of an object in declaration order, recursing into sub-objects; string lists
// as P.Count then P.Line0.. . Events never appear; read-only ones only when asked.
BARVELLO_ENGINE_API std::vector<PropertyValue> ListProperties(TksPersistent& root, bool includeReadOnly,
                                          bool onlyStored = false);

// ---- Table builder ----------------------------------------------------------------
// Getters and setters are member function pointers or lambdas taking the object.
template <class T>
class PropsBuilder {
 public:
  template <class G, class S>
  PropsBuilder& Int(const char* n, G g, S s, long long def, bool stored = true) {
    PropInfo p = Base(n, PropType::Integer, IntToText(def), stored, s);
    p.get = [g](const TksPersistent& o) { return IntToText(static_cast<long long>(std::invoke(g, Cast(o)))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set = [s](TksPersistent& o, std::string_view t) {
        long long v;
        if (!TextToInt(t, v) || v < INT32_MIN || v > INT32_MAX) return false;
        std::invoke(s, Cast(o), static_cast<int>(v));
        return true;
      };
    return Add(std::move(p));
  }
  template <class G, class S>
  PropsBuilder& Color(const char* n, G g, S s, uint32_t def, bool stored = true) {
    PropInfo p = Base(n, PropType::Color, IntToText(static_cast<int32_t>(def)), stored, s);
    p.get = [g](const TksPersistent& o) { return IntToText(static_cast<int32_t>(std::invoke(g, Cast(o)))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set = [s](TksPersistent& o, std::string_view t) {
        long long v;
        if (!TextToInt(t, v) || v < INT32_MIN || v > UINT32_MAX) return false;
        std::invoke(s, Cast(o), static_cast<uint32_t>(v));
        return true;
      };
    return Add(std::move(p));
  }
  template <class G, class S>
  PropsBuilder& Bool(const char* n, G g, S s, bool def, bool stored = true) {
    PropInfo p = Base(n, PropType::Boolean, BoolToText(def), stored, s);
    p.get = [g](const TksPersistent& o) { return BoolToText(std::invoke(g, Cast(o))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set = [s](TksPersistent& o, std::string_view t) {
        bool v;
        if (!TextToBool(t, v)) return false;
        std::invoke(s, Cast(o), v);
        return true;
      };
    return Add(std::move(p));
  }
  template <class G, class S>
  PropsBuilder& Float(const char* n, G g, S s, double def, bool stored = true) {
    PropInfo p = Base(n, PropType::Float, FloatToText(def), stored, s);
    p.get = [g](const TksPersistent& o) { return FloatToText(std::invoke(g, Cast(o))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set = [s](TksPersistent& o, std::string_view t) {
        double v;
        if (!TextToFloat(t, v)) return false;
        std::invoke(s, Cast(o), v);
        return true;
      };
    return Add(std::move(p));
  }
  // UTF-8 std::string values.
  template <class G, class S>
  PropsBuilder& Str(const char* n, G g, S s, std::string def = {}, bool stored = true) {
    PropInfo p = Base(n, PropType::String, std::move(def), stored, s);
    p.get = [g](const TksPersistent& o) { return std::string(std::invoke(g, Cast(o))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set = [s](TksPersistent& o, std::string_view t) {
        std::invoke(s, Cast(o), std::string(t));
        return true;
      };
    return Add(std::move(p));
  }
  // UTF-16 std::u16string values, shown as UTF-8.
  template <class G, class S>
  PropsBuilder& UStr(const char* n, G g, S s, std::string def = {}, bool stored = true) {
    PropInfo p = Base(n, PropType::String, std::move(def), stored, s);
    p.get = [g](const TksPersistent& o) { return ToUtf8(std::invoke(g, Cast(o))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set = [s](TksPersistent& o, std::string_view t) {
        std::invoke(s, Cast(o), FromUtf8(t));
        return true;
      };
    return Add(std::move(p));
  }
  template <class E, class G, class S>
  PropsBuilder& Enum(const char* n, const EnumType& et, G g, S s, E def, bool stored = true) {
    PropInfo p = Base(n, PropType::Enum, et.Name(static_cast<int>(def)), stored, s);
    p.enumType = &et;
    p.get = [g, &et](const TksPersistent& o) { return et.Name(static_cast<int>(std::invoke(g, Cast(o)))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set = [s, &et](TksPersistent& o, std::string_view t) {
        int v = et.Find(t);
        if (v < 0) {
          long long n2;
          if (!TextToInt(t, n2) || n2 < 0 || n2 >= static_cast<long long>(et.values.size())) return false;
          v = static_cast<int>(n2);
        }
        std::invoke(s, Cast(o), static_cast<E>(v));
        return true;
      };
    return Add(std::move(p));
  }
  // Sets stored as bit masks (bit i = value i).
  template <class G, class S>
  PropsBuilder& Set(const char* n, const EnumType& et, G g, S s, uint32_t def, bool stored = true) {
    PropInfo p = Base(n, PropType::Set, SetToText(et, def), stored, s);
    p.enumType = &et;
    p.get = [g, &et](const TksPersistent& o) { return SetToText(et, static_cast<uint32_t>(std::invoke(g, Cast(o)))); };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set = [s, &et](TksPersistent& o, std::string_view t) {
        uint32_t v;
        if (!TextToSet(et, t, v)) return false;
        std::invoke(s, Cast(o), v);
        return true;
      };
    return Add(std::move(p));
  }
  // Owned sub-object; G returns a pointer (or reference) to it.
  template <class G>
  PropsBuilder& Object(const char* n, G g) {
    PropInfo p;
    p.name = n;
    p.type = PropType::Object;
    p.object = [g](TksPersistent& o) -> TksPersistent* { return Ptr(std::invoke(g, Cast(o))); };
    return Add(std::move(p));
  }
  // String list; G returns std::vector<std::string> (UTF-8 lines), S takes it.
  template <class G, class S>
  PropsBuilder& List(const char* n, G g, S s) {
    PropInfo p;
    p.name = n;
    p.type = PropType::StringList;
    p.getLines = [g](const TksPersistent& o) { return std::invoke(g, Cast(o)); };
    p.setLines = [s](TksPersistent& o, const std::vector<std::string>& v) { std::invoke(s, Cast(o), v); };
    return Add(std::move(p));
  }
  // String list with a line count N (size_t of the object) and a setter L of one existing
  // line (object, index, UTF-8 text), used when a path names a single line.
  template <class G, class S, class N, class L>
  PropsBuilder& List(const char* n, G g, S s, N count, L setLine) {
    List(n, g, s);
    PropInfo& p = t_.props.back();
    p.lineCount = [count](const TksPersistent& o) { return static_cast<size_t>(std::invoke(count, Cast(o))); };
    p.setLine = [setLine](TksPersistent& o, size_t i, const std::string& v) { std::invoke(setLine, Cast(o), i, v); };
    return *this;
  }
  PropsBuilder& Event(const char* n) {
    PropInfo p;
    p.name = n;
    p.type = PropType::Event;
    p.stored = false;
    return Add(std::move(p));
  }
  // Copies the rows of a base class's table (they must accept this class's objects).
  PropsBuilder& Inherit(const PropertyTable& base) {
    for (const auto& p : base.props) t_.props.push_back(p);
    return *this;
  }
  PropertyTable Build() { return std::move(t_); }

 private:
  static const T& Cast(const TksPersistent& o) { return static_cast<const T&>(o); }
  static T& Cast(TksPersistent& o) { return static_cast<T&>(o); }
  template <class P>
  static TksPersistent* Ptr(P* p) { return p; }
  template <class P>
  static TksPersistent* Ptr(P& p) { return &p; }
  template <class P>
  static TksPersistent* Ptr(const std::unique_ptr<P>& p) { return p.get(); }
  template <class S>
  static PropInfo Base(const char* n, PropType t, std::string def, bool stored, const S&) {
    PropInfo p;
    p.name = n;
    p.type = t;
    p.defaultText = std::move(def);
    p.stored = stored;
    p.readOnly = std::is_null_pointer_v<S>;
    return p;
  }
  PropsBuilder& Add(PropInfo p) {
    t_.props.push_back(std::move(p));
    return *this;
  }
  PropertyTable t_;
};

}  // namespace ks
