// barvello-cli: headless encoding and export on the Barvello engine.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "engine/matrix/matrix.h"
#include "engine/params.h"
#include "engine/persistent.h"
#include "engine/symbology.h"
#include "engine/ustring.h"
#include "tools/cli/cli_output.h"

using namespace ks;

namespace {

constexpr const char* kUsage = R"(Usage: barvello-cli -s SYMBOLOGY (-d TEXT | --data-file FILE) [options] (-o FILE | --pattern)

Encodes a barcode with the Barvello engine and writes it as an image or prints its
bar pattern.

Options:
  -s, --symbology NAME   symbology identifier, e.g. bcEan13, bcCode128, bcQRCode,
                         bcDataMatrix, bcPDF417 (case-insensitive, "bc" optional);
                         --list-symbologies prints them all
  -d, --data TEXT        the data text (UTF-8, at most 1 MB)
      --data-file FILE   the data text is the file's bytes as UTF-8 (one trailing
                         newline removed; at most 1 MB)
  -o, --output FILE      write an image; the type follows the extension:
                         .png .jpg/.jpeg .gif .bmp .emf .wmf .svg .pdf (.ini writes
                         the settings)
      --png-truecolor    write a PNG in true colour, 8 bits a channel, as the
                         desktop program does; without it a PNG of at most 256
                         colours is written with a palette or as grey levels at 1,
                         2, 4 or 8 bits a pixel, whichever holds them (the same
                         pixels, a smaller file)
  -W, --width N          image width in pixels
  -H, --height N         image height in pixels
                         Without them the size is chosen so that a scanner reads the
                         symbol: every module a whole number of pixels, at least 2;
                         linear codes 2 px per module and 60% of that width high (at
                         least 60 px) plus the human-readable line; matrix codes
                         square at 4 px per module; PDF417 2 px per module wide and
                         rows 3 modules high.
                         An image has at most 100 million pixels; a WMF at most
                         32767 pixels on a side (its coordinates are 16-bit).
      --set PATH=VALUE   set a published property by its dotted path as in the INI
                         file (repeatable), e.g. --set Options=boSecurity,boAutoCheckDigit
                         --set Params.QRCode.EccLevel=QrEccLevelH --set Angle=90
                         A value the barcode does not take as given (an angle
                         other than 0, 90, 180, 270 or their negatives, a QR
                         version beyond the symbol's range) is a usage error.
      --ini FILE[:SECTION]  load settings from an INI section first (default section
                         "ksBarcode"); a FILE that exists is taken whole, colon or not
      --pattern          print the encoding instead of writing an image: linear and
                         postal codes one bar-pattern row; QR and Data Matrix one line
                         of 1 (dark) / 0 (light) per module row; PDF417 one line per row
      --batch FILE       one data text per line, one file per line; the output name
                         holds a counter such as %05d. A line of more than 1 MB, or
                         one that is not UTF-8, fails like a line that cannot be
                         encoded, and the run goes on.
      --threads N        worker threads for --batch (default: one per core; at
                         most 64). However many there are, at most 4 MB of data
                         text is in work at a time, so long lines do not take
                         memory per thread.
      --labels FILE.pdf  print the barcode as sheets of labels into a PDF: A4 at
                         600 dpi, labels 50 x 30 mm in 3 columns and 6 rows
                         (margins left 15, top 20, right 20, bottom 20 mm, spaces
                         10 mm), filled row by row, page after page
      --count N          number of labels (with --labels; default 1, at most
                         100000); pages go to the file as they are printed.
                         --count 0 prints nothing and writes no file.
      --start-from K     label positions left empty on the first page (fewer
                         than the positions of one page)
      --sheet NAME       another A4 label sheet: A4-2x4 (105 x 74 mm), A4-2x8
                         (105 x 37), A4-3x7 (70 x 42), A4-3x8 (70 x 37), A4-3x11
                         (70 x 25), or a definition NAME|WIDTH|HEIGHT|LEFT|TOP|
                         RIGHT|BOTTOM|SPACEX|SPACEY in mm
      --verify           decode every image with zxing-cpp before it is written
                         and compare the text read with what the barcode encodes
                         (check digits completed, add-on after a blank, GS1 without
                         parentheses, Codabar with its start/stop letters, UPC-E in
                         8 digits), the image read as it sits on white paper; an
                         image that misreads or does not read is not written: the
                         tool prints what was read and exits 1 with erVerifyFailed
                         (--batch: that line fails). EMF, WMF, SVG and
                         PDF are checked through the raster image of their size,
                         --labels through one label at the paper's resolution.
                         Not verifiable (written with a note): bcPostNet, bcPlanet,
                         bcRoyalMail, bc4State, bcDutch4StatePostal,
                         bcSingapore4StatePostalCode, bcPostBar, bcIntelligentMail,
                         bcAustraliaPost, bc25Datalogic, bc25Matrix, bc25Industrial,
                         bc25IATA, bc25Invert, bc25Coop, bcCode11, bcTelepen, bcFim;
                         MicroPDF417; interleaved 2 of 5 under 6 digits; Code 93
                         with the characters & " ( ); Code 128 function characters;
                         ABC Codabar pieces without their own start/stop letters
      --list-symbologies print every symbology identifier with its name
  -h, --help             this text
      --version          the program's version

Order of application: INI, then the symbology, then every --set in order, then the
data text last.

Exit status: 0 success; 1 the barcode could not be encoded, or with --verify did not
read back (the message and the error identifier, e.g. erCharOutOfSet, erVerifyFailed,
on stderr; no file written), or a data text is longer than 1 MB; 2 usage error (also
a data text that is not valid UTF-8). Text from the input is shown in messages with
control characters escaped.

Examples:
  barvello-cli -s bcEan13 -d 400638133393 --pattern
  barvello-cli -s bcQRCode -d "https://example.com" -o qr.png
  barvello-cli -s bcCode128 -d "ABC-123" --set Angle=90 -o code.svg
)";

int Usage(const std::string& msg) {
  std::cerr << "barvello-cli: " << Printable(msg) << "\n"
            << "Try 'barvello-cli --help' for more information.\n";
  return 2;
}

// Reads a data file: at most `limit` bytes (more sets `tooLong` and stops reading).
// False with `error` set when the file cannot be read, a folder included.
bool ReadDataFile(const std::string& path, size_t limit, std::string& out, bool& tooLong, std::string& error) {
  tooLong = false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  int err = fd < 0 ? errno : fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  out.clear();
  char buf[65536];
  while (!err) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
    if (out.size() > limit) {
      tooLong = true;
      break;
    }
  }
  if (fd >= 0) close(fd);
  if (err) error = "cannot read data file '" + path + "': " + (err == EISDIR ? "it is a folder" : std::strerror(err));
  return err == 0;
}

bool ParseInt(const std::string& s, int& out) {
  long long v;
  if (!TextToInt(s, v) || v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  InstallInterruptHandlers();
  CliOptions o;
  std::vector<std::string> args(argv + 1, argv + argc);
  auto need = [&](size_t& i, const std::string& opt, std::string& out) {
    if (i + 1 >= args.size()) return false;
    out = args[++i];
    (void)opt;
    return true;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string v;
    if (a == "-h" || a == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (a == "--version") {
      std::cout << "barvello-cli 0.1.0\n";
      return 0;
    } else if (a == "--list-symbologies") {
      for (int s = 0; s < kSymbologyRows; ++s) {
        auto info = SymbologyInfo(static_cast<TksBarcodeSymbology>(s), u"");
        std::cout << SymbologyIdentifier(static_cast<TksBarcodeSymbology>(s)) << "\t" << info.Name
                  << (info.Supported ? "" : "\t(not supported)") << "\n";
      }
      return 0;
    } else if (a == "-s" || a == "--symbology") {
      if (!need(i, a, v)) return Usage("option " + a + " needs a value");
      TksBarcodeSymbology s;
      if (!SymbologyFromName(v, s)) return Usage("unknown symbology '" + v + "' (see --list-symbologies)");
      o.symbology = s;
      o.haveSymbology = true;
    } else if (a == "-d" || a == "--data") {
      if (!need(i, a, v)) return Usage("option " + a + " needs a value");
      o.data = v;
      o.haveData = true;
    } else if (a == "--data-file") {
      if (!need(i, a, v)) return Usage("option " + a + " needs a value");
      std::string bytes, error;
      bool tooLong;
      // Read no further than the limit (and a line end after it): a larger file is
      // refused without being read whole.
      if (!ReadDataFile(v, kMaxDataBytes + 2, bytes, tooLong, error)) return Usage(error);
      if (!bytes.empty() && bytes.back() == '\n') {
        bytes.pop_back();
        if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
      }
      if (tooLong) bytes.resize(kMaxDataBytes + 1);
      o.data = bytes;
      o.haveData = true;
    } else if (a == "--set") {
      if (!need(i, a, v)) return Usage("option --set needs PATH=VALUE");
      size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0) return Usage("--set needs PATH=VALUE, got '" + v + "'");
      o.sets.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else if (a == "--ini") {
      if (!need(i, a, v)) return Usage("option --ini needs FILE[:SECTION]");
      o.ini = v;
    } else if (a == "-o" || a == "--output") {
      if (!need(i, a, v)) return Usage("option " + a + " needs a file name");
      o.output = v;
    } else if (a == "-W" || a == "--width" || a == "-H" || a == "--height" || a == "--threads" ||
               a == "--count" || a == "--start-from") {
      if (!need(i, a, v)) return Usage("option " + a + " needs a number");
      int n;
      if (!ParseInt(v, n) || n < 0) return Usage("option " + a + " needs a non-negative whole number, got '" + v + "'");
      if (a == "-W" || a == "--width") o.width = n;
      else if (a == "-H" || a == "--height") o.height = n;
      else if (a == "--threads" && n > kMaxThreads)
        return Usage("--threads " + v + ": at most " + std::to_string(kMaxThreads) + " threads");
      else if (a == "--threads") o.threads = n;
      else if (a == "--count" && n > kMaxLabels)
        return Usage("--count " + v + ": at most " + std::to_string(kMaxLabels) + " labels in one run");
      else if (a == "--count") o.count = n;
      else o.startFrom = n;
    } else if (a == "--png-truecolor") {
      o.pngTrueColor = true;
    } else if (a == "--pattern") {
      o.pattern = true;
    } else if (a == "--verify") {
      o.verify = true;
    } else if (a == "--batch") {
      if (!need(i, a, v)) return Usage("option --batch needs a file");
      o.batch = v;
    } else if (a == "--labels") {
      if (!need(i, a, v)) return Usage("option --labels needs a PDF file name");
      o.labels = v;
    } else if (a == "--sheet") {
      if (!need(i, a, v)) return Usage("option --sheet needs a name");
      o.sheet = v;
    } else {
      return Usage("unknown option '" + a + "'");
    }
  }
  if (!o.haveSymbology && o.ini.empty()) return Usage("missing -s SYMBOLOGY");
  if (!o.haveData && o.batch.empty()) return Usage("missing -d TEXT or --data-file FILE");
  int modes = (o.pattern ? 1 : 0) + (!o.output.empty() && o.batch.empty() ? 1 : 0) + (!o.labels.empty() ? 1 : 0) +
              (!o.batch.empty() ? 1 : 0);
  if (modes == 0) return Usage("nothing to do: give -o FILE, --pattern, --batch or --labels");
  if (modes > 1) return Usage("choose one of -o, --pattern, --batch and --labels");
  if (o.haveData) {
    // Before anything is laid out: a text beyond the limit would cost memory and time
    // in proportion, and one that is not UTF-8 would be encoded as something else.
    std::string error;
    if (int rc = CheckDataText(o.data, error)) {
      std::cerr << "barvello-cli: " << error << "\n";
      return rc;
    }
  }
  return RunCli(o);
}
