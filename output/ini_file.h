// A small INI file layer: read a section's pairs in file order, rewrite one section while
// keeping every other line byte for byte, and save atomically.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ks {

class IniFile {
 public:
  // Loads the file; a missing file gives an empty document. False with a message when
  // the file exists but cannot be read.
  bool Load(const std::string& path, std::string& error);
  void Parse(const std::string& text);

  bool HasSection(const std::string& section) const;
  std::vector<std::string> Sections() const;
  // The name/value pairs of a section in file order (names case as written).
  std::vector<std::pair<std::string, std::string>> ReadSection(const std::string& section) const;
  // Writes each pair into the section: an existing key (case-insensitive) keeps its place
  // and gets the new value, new keys are appended to the section; a missing section is
  // appended at the end. Every other line stays as it was.
  void WriteSection(const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs);

  std::string Text() const;
  bool Save(const std::string& path, std::string& error) const;

 private:
  // A line keeps its own end ("\r\n", "\n", or "" for a last line without one), so a
  // file with mixed line ends comes back byte for byte.
  struct Line {
    std::string text;
    std::string end;
  };
  void Insert(size_t at, const std::vector<std::string>& texts);

  std::string bom_;         // a UTF-8 byte order mark the file began with
  std::vector<Line> lines_;
  std::string eol_ = "\r\n";  // the end of lines this layer adds
};

}  // namespace ks
