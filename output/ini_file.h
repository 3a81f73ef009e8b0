// A small INI file layer: read a section's pairs in file order, rewrite one section while
// keeping every other line byte for byte, and save atomically.
//
// A file that holds a section name twice is read and written the same way: only the first
// section of that name counts, the later ones are kept as they are and never applied.
// Within a section a key may stand more than once; its lines are applied in file order
// (the last one wins), and writing gives every one of them the new value.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ks {

// The largest INI file read or written (8 MB). A settings section takes a few
// kilobytes, and a caption of the most lines the property table allows (100,000) fits
// with lines of some 50 characters; the bound keeps a wrong file (a disk image, a log)
// from being read whole.
constexpr long long kMaxIniFileBytes = 8LL * 1024 * 1024;

class IniFile {
 public:
  enum class ReadStatus { Ok, Missing, NotRegular, TooLarge, Unreadable };

  // Reads an existing INI file to apply its settings. Only a regular file (a link to one
  // is followed) of at most kMaxIniFileBytes is read: a FIFO, a device such as /dev/zero
  // or a folder is refused without being read. On failure the document is empty and
  // `error` says why, in the form: INI file '<path>' <what is wrong>.
  ReadStatus Read(const std::string& path, std::string& error);
  // Loads the file a section is about to be written into; a missing file gives an empty
  // document. The target is checked as the atomic writer checks it (no folder, link or
  // other non-regular file, nothing read-only), and read under the same size bound.
  // False with a message in the writer's form (Cannot write "<path>": <reason>).
  bool Load(const std::string& path, std::string& error);
  void Parse(const std::string& text);

  bool HasSection(const std::string& section) const;
  std::vector<std::string> Sections() const;
  // The name/value pairs of the first section of that name, in file order (names case
  // as written).
  std::vector<std::pair<std::string, std::string>> ReadSection(const std::string& section) const;
  // Writes each pair into the first section of that name: every line of an existing key
  // (case-insensitive) keeps its place and gets the new value, new keys are appended to
  // the section; a missing section is appended at the end. Every other line stays as it
  // was.
  void WriteSection(const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs);

  std::string Text() const;
  // Writes the text atomically; refused (false, with a message) when it is larger than
  // kMaxIniFileBytes, since such a file could not be read again.
  bool Save(const std::string& path, std::string& error) const;

 private:
  // The file as it is, after a byte order mark; each line keeps its own end ("\r\n",
  // "\n", or none after a last line without one), so a file with mixed line ends comes
  // back byte for byte. Lines are found as they are needed: the memory a file takes is
  // its size, however many lines it has.
  std::string bom_;           // a UTF-8 byte order mark the file began with
  std::string text_;
  std::string eol_ = "\r\n";  // the end of lines this layer adds
};

}  // namespace ks
