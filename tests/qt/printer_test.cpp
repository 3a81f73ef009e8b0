// Label printing: the sheet geometry and its units, the label walk, printing into PDF
// files (read back by poppler's pdfinfo, pdftoppm and pdftotext, labels decoded by
// ZXingReader), the events and the progress window, the preview and the label tool of
// barvello-cli.
#include "output/printer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/errors.h"
#include "engine/symbology.h"
#include "engine/ustring.h"
#include "output/print_progress.h"
#include "render/qt/qt_canvas.h"
#include "render/recording_canvas.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

// ---- files and external readers -------------------------------------------------------

class TempFolder {
 public:
  TempFolder() {
    static int serial = 0;
    path_ = fs::temp_directory_path() /
            ("barvello-print-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// Runs a shell command; returns its standard output and sets `status` to the exit code.
std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  const int rc = pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

int PdfPageCount(const std::string& pdf) {
  std::smatch m;
  const std::string info = Shell("pdfinfo '" + pdf + "' 2>/dev/null");
  return std::regex_search(info, m, std::regex(R"(Pages:\s+(\d+))")) ? std::stoi(m[1]) : -1;
}

// Renders every page of a PDF at `dpi`.
std::vector<QImage> RenderPdf(const std::string& pdf, int dpi, const TempFolder& folder) {
  const std::string prefix = folder.File("page");
  Shell("pdftoppm -r " + std::to_string(dpi) + " -png '" + pdf + "' '" + prefix + "'");
  std::vector<std::string> names;
  for (int n = 1; n <= 99; ++n) {
    for (const char* fmt : {"%s-%d.png", "%s-%02d.png"}) {
      char name[512];
      std::snprintf(name, sizeof name, fmt, prefix.c_str(), n);
      if (fs::exists(name)) names.push_back(name);
    }
  }
  std::vector<QImage> pages;
  for (const auto& n : names) pages.push_back(QImage(QString::fromStdString(n)).convertToFormat(QImage::Format_RGB32));
  return pages;
}

// The text ZXingReader reads from an image, empty when it finds nothing.
std::string Decode(const QImage& image, const TempFolder& folder) {
  static int serial = 0;
  const std::string name = folder.File("label" + std::to_string(++serial) + ".png");
  image.save(QString::fromStdString(name));
  std::smatch m;
  const std::string out = Shell("ZXingReader '" + name + "' 2>&1");
  return std::regex_search(out, m, std::regex(R"(Text:\s+\"([^\"]*)\")")) ? std::string(m[1]) : std::string();
}

struct Word {
  int page;
  double xMin, yMin, xMax, yMax;  // points
  std::string text;
};

// The words of a PDF with their boxes, by pdftotext.
std::vector<Word> PdfWords(const std::string& pdf, const TempFolder& folder) {
  const std::string html = folder.File("words.html");
  Shell("pdftotext -bbox '" + pdf + "' '" + html + "' 2>/dev/null");
  std::ifstream f(html);
  std::stringstream ss;
  ss << f.rdbuf();
  const std::string s = ss.str();
  std::vector<Word> words;
  const std::regex page(R"(<page )"), word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  int pageNo = 0;
  size_t pos = 0;
  for (;;) {
    const size_t nextPage = s.find("<page ", pos);
    const size_t nextWord = s.find("<word ", pos);
    if (nextWord == std::string::npos) break;
    if (nextPage != std::string::npos && nextPage < nextWord) {
      ++pageNo;
      pos = nextPage + 1;
      continue;
    }
    std::smatch m;
    const std::string rest = s.substr(nextWord, s.find("</word>", nextWord) + 7 - nextWord);
    if (std::regex_match(rest, m, word))
      words.push_back({pageNo, std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
    pos = nextWord + 1;
  }
  return words;
}

bool IsDark(QRgb c) { return qGray(c) < 128; }

// ---- the A4 sheet of the default paper parameters -------------------------------------

constexpr double kPointsPerMm = 72 / 25.4;

// Where the k-th label (0-based, counting empty positions) of the default sheet lies:
// three columns 60 mm apart from 15 mm, six rows 40 mm apart from 20 mm, 18 per page.
struct Place {
  int page;  // 1-based
  double left, top;
};
Place DefaultPlace(int k) { return {k / 18 + 1, 15.0 + 60 * (k % 18 % 3), 20.0 + 40 * (k % 18 / 3)}; }

QRect PixelRect(double leftMm, double topMm, double wMm, double hMm, int dpi) {
  auto px = [dpi](double mm) { return static_cast<int>(std::lround(mm * dpi / 25.4)); };
  return QRect(QPoint(px(leftMm), px(topMm)), QPoint(px(leftMm + wMm) - 1, px(topMm + hMm) - 1));
}

// A printer with the paper of a machine without printers (A4 at 600 dpi), whatever this
// machine has, printing quietly into a PDF file.
class PrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    printer.PaperParams().RefreshPaperMetrics(nullptr);
    printer.SetShowProgress(false);
    printer.SetOutputFileName(pdf);
    barcode.ErrorInfo().SetMode(emDrawErrorString);
    barcode.SetBarcodeSymbology(bcEan13);
    barcode.SetBarCode(u"400638133393");
  }

  TempFolder folder;
  std::string pdf = folder.File("labels.pdf");
  TksBarcodeComponent barcode;
  TksPrinter printer;
};

// ---- paper parameters -------------------------------------------------------------------

TEST_F(PrinterTest, MissingPrinterGivesA4At600Dpi) {
  const TksPaperParamsRec& r = printer.PaperParams().Record();
  EXPECT_EQ(r.FDpiX, 600);
  EXPECT_EQ(r.FDpiY, 600);
  EXPECT_EQ(r.pPaperWidth, 4960);  // Trunc(600 x 210 / 25.4)
  EXPECT_EQ(r.pPaperHeight, 7015);
  EXPECT_EQ(r.mm10Width, 2100);
  EXPECT_EQ(r.mm10Height, 2970);
  EXPECT_EQ(r.FPaperID, -1);
  const TksPaperParams& pp = printer.PaperParams();
  EXPECT_EQ(pp.PaperName(), "Unknown");
  EXPECT_DOUBLE_EQ(pp.PaperWidth(), 210);
  EXPECT_DOUBLE_EQ(pp.PaperHeight(), 297);
  EXPECT_DOUBLE_EQ(pp.NonPrintableHorz(), 0);
  EXPECT_DOUBLE_EQ(pp.NonPrintableVert(), 0);
  EXPECT_EQ(pp.PaperFormat(), "Unknown : 210x297 mm");
  EXPECT_EQ(pp.DocumentTitle(), kDefaultDocumentTitle);
  if (!IsPrinterInstalled()) {
    // A new object reads the same from the platform.
    TksPaperParams fresh;
    EXPECT_EQ(fresh.Record().pPaperWidth, 4960);
    EXPECT_EQ(fresh.PaperName(), "Unknown");
    EXPECT_EQ(printer.PrinterName(), "Tiskárna není vybrána");
    std::vector<std::string> papers{"stale"};
    printer.ListPapers(papers);
    EXPECT_TRUE(papers.empty());
    std::string message;
    printer.ShowMessage = [&message](const std::string& m) { message = m; };
    printer.GetPaperNames(papers);
    EXPECT_EQ(message, "Paper Size : -1");
    EXPECT_TRUE(papers.empty());
  }
}

TEST_F(PrinterTest, PrinterMetricsComeFromTheQPrinter) {
  // A5 is 420 x 595 points: at 144 dpi 840 x 1190 pixels; margins of 36 and 18 points
  // are 72 and 36 pixels, 12.7 and 6.35 mm.
  QPrinter source(QPrinter::HighResolution);
  source.setOutputFormat(QPrinter::PdfFormat);
  source.setResolution(144);
  source.setPageSize(QPageSize(QPageSize::A5));
  source.setPageMargins(QMarginsF(36, 18, 36, 18), QPageLayout::Point);
  TksPaperParams& pp = printer.PaperParams();
  pp.RefreshPaperMetrics(&source);
  const TksPaperParamsRec& r = pp.Record();
  EXPECT_EQ(r.FDpiX, 144);
  EXPECT_EQ(r.FDpiY, 144);
  EXPECT_EQ(r.pPaperWidth, 840);
  EXPECT_EQ(r.pPaperHeight, 1190);
  EXPECT_EQ(r.FOffsetX, 72);
  EXPECT_EQ(r.FOffsetY, 36);
  EXPECT_DOUBLE_EQ(pp.NonPrintableHorz(), 12.7);
  EXPECT_DOUBLE_EQ(pp.NonPrintableVert(), 6.35);
  pp.ChangeUnits(buInches);
  EXPECT_DOUBLE_EQ(pp.NonPrintableHorz(), 0.5);
  EXPECT_DOUBLE_EQ(pp.NonPrintableVert(), 0.25);
  // A PDF device has no driver list of papers: the paper stays unnamed.
  EXPECT_EQ(r.FPaperID, -1);
  EXPECT_EQ(pp.PaperName(), "Unknown");
}

TEST_F(PrinterTest, LabelsPerPage) {
  struct Case {
    const char* note;
    double lw, lh, ml, mt, mr, mb, sx, sy;
    int labels;
  };
  const Case cases[] = {
      {"default label on A4: 3 columns x 6 rows", 50, 30, 15, 20, 20, 20, 10, 10, 18},
      {"label width and space 0", 0, 30, 15, 20, 20, 20, 0, 10, 0},
      {"label height and space 0", 50, 0, 15, 20, 20, 20, 10, 0, 0},
      {"width 0 but a space: columns by the space alone", 0, 30, 15, 20, 20, 20, 10, 10, 18 * 6},
      {"label wider than the paper", 250, 30, 15, 20, 20, 20, 10, 10, 0},
      {"3 x 8 sheet without gaps", 70, 37, 0, 0.5, 0, 0.5, 0, 0, 24},
      {"one label filling the paper", 210, 297, 0, 0, 0, 0, 0, 0, 1},
  };
  TksPaperParams& pp = printer.PaperParams();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    pp.SetLabelWidth(c.lw);
    pp.SetLabelHeight(c.lh);
    pp.SetMarginLeft(c.ml);
    pp.SetMarginTop(c.mt);
    pp.SetMarginRight(c.mr);
    pp.SetMarginBottom(c.mb);
    pp.SetSpaceX(c.sx);
    pp.SetSpaceY(c.sy);
    EXPECT_EQ(pp.LabelsPerPage(), c.labels);
    if (c.labels == 0) {
      printer.SetCount(100);
      EXPECT_EQ(printer.PagesCount(), 1);
    }
  }
  // In inches the default sheet still holds 18 labels.
  printer.SetDefaults();
  pp.ChangeUnits(buInches);
  EXPECT_EQ(pp.LabelsPerPage(), 18);
}

TEST_F(PrinterTest, PagesCount) {
  struct Case {
    int count, startFrom, pages;
  };
  const Case cases[] = {{18, 0, 1}, {18, 1, 2}, {19, 0, 2}, {36, 0, 2}, {37, 0, 3},
                        {1, 17, 1}, {1, 18, 2}, {0, 0, 1}, {5, 0, 1}};
  for (const Case& c : cases) {
    printer.SetCount(c.count);
    printer.SetStartFrom(c.startFrom);
    EXPECT_EQ(printer.PagesCount(), c.pages) << c.count << " labels from " << c.startFrom;
  }
  printer.SetCount(20);
  printer.SetStartFrom(0);
  printer.SetPageIndex(2);
  EXPECT_EQ(printer.PagesCountString(), "2 / 2");
  EXPECT_EQ(printer.LabelsCount(), 20);
}

TEST_F(PrinterTest, LabelWalkFillsRowsThenPages) {
  const TksPaperParams& pp = printer.PaperParams();
  TksPrintRect r = pp.FirstLabel();
  for (int k = 0; k < 40; ++k) {
    const Place want = DefaultPlace(k);
    SCOPED_TRACE(k);
    EXPECT_DOUBLE_EQ(r.Left, want.left);
    EXPECT_DOUBLE_EQ(r.Top, want.top);
    EXPECT_DOUBLE_EQ(r.Right, want.left + 50);
    EXPECT_DOUBLE_EQ(r.Bottom, want.top + 30);
    EXPECT_EQ(pp.NextLabel(r), DefaultPlace(k + 1).page != want.page);
  }
}

TEST_F(PrinterTest, ChangeUnitsRoundsToFourDecimals) {
  struct Case {
    double (TksPaperParams::*get)() const;
    double inches, back;
  };
  const Case cases[] = {
      {&TksPaperParams::LabelWidth, 1.9685, 49.9999},   // 50 mm
      {&TksPaperParams::LabelHeight, 1.1811, 29.9999},  // 30 mm
      {&TksPaperParams::MarginLeft, 0.5906, 15.0012},   // 15 mm
      {&TksPaperParams::MarginTop, 0.7874, 20.0},       // 20 mm
      {&TksPaperParams::SpaceX, 0.3937, 10.0},          // 10 mm
  };
  TksPaperParams& pp = printer.PaperParams();
  int changes = 0;
  pp.OnChange = [&changes] { ++changes; };
  pp.ChangeUnits(buMilimetres);
  EXPECT_EQ(changes, 0) << "the same unit changes nothing";
  pp.SetUnits(buInches);
  EXPECT_EQ(pp.Units(), buInches);
  for (const Case& c : cases) EXPECT_DOUBLE_EQ((pp.*c.get)(), c.inches);
  EXPECT_EQ(pp.PaperFormat(), "Unknown :  8.27x11.69 \"");
  pp.ChangeUnits(buMilimetres);
  for (const Case& c : cases) EXPECT_DOUBLE_EQ((pp.*c.get)(), c.back);
  EXPECT_EQ(changes, 2);
}

TEST_F(PrinterTest, NumbersShowTheUsersDecimalSeparator) {
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
  printer.PaperParams().ChangeUnits(buInches);
  EXPECT_EQ(printer.PaperParams().PaperFormat(), "Unknown :  8,27x11,69 \"");
  EXPECT_EQ(FormatFloatLocale("%7.2f", 50), "  50,00");
  QLocale::setDefault(before);
}

TEST_F(PrinterTest, SavedSettingsLoadBackInAnyUnit) {
  TksPaperParams& pp = printer.PaperParams();
  pp.ChangeUnits(buInches);
  pp.SetLabelWidth(2.5);
  pp.SetMarginTop(0.75);
  pp.SetStyle(ksSheetSymbologies);
  pp.SetDocumentTitle("Police A");
  printer.SetCount(33);
  printer.SetSheets({"One|1|2", "Two|3|4"});
  printer.PreviewParams().SetShadowWidth(-3);

  TksPrinter loaded;
  for (const PropertyValue& pv : ListProperties(printer, false, true))
    ASSERT_EQ(SetPropertyText(loaded, pv.path, pv.value), SetResult::Ok) << pv.path << "=" << pv.value;
  const TksPaperParams& lp = loaded.PaperParams();
  EXPECT_EQ(lp.Units(), buInches);
  EXPECT_DOUBLE_EQ(lp.LabelWidth(), 2.5);
  EXPECT_DOUBLE_EQ(lp.MarginTop(), 0.75);
  EXPECT_DOUBLE_EQ(lp.LabelHeight(), pp.LabelHeight());
  EXPECT_EQ(lp.Style(), ksSheetSymbologies);
  EXPECT_EQ(lp.DocumentTitle(), "Police A");
  EXPECT_EQ(loaded.Count(), 33);
  EXPECT_EQ(loaded.Sheets(), printer.Sheets());
  EXPECT_EQ(loaded.PreviewParams().ShadowWidth(), -3);
  // The paper's metrics are read-only and never stored.
  EXPECT_EQ(SetPropertyText(loaded, "PaperParams.PaperWidth", "100"), SetResult::ReadOnly);
}

TEST_F(PrinterTest, BackupAndRestore) {
  TksPaperParams& pp = printer.PaperParams();
  pp.BackupParams();
  pp.ChangeUnits(buInches);
  pp.SetLabelWidth(3);
  pp.SetDocumentTitle("x");
  pp.RestoreParams();
  EXPECT_EQ(pp.Units(), buMilimetres);
  EXPECT_DOUBLE_EQ(pp.LabelWidth(), 50);
  EXPECT_EQ(pp.DocumentTitle(), kDefaultDocumentTitle);
}

TEST_F(PrinterTest, SheetDefinitions) {
  printer.SetSheets({"Small|40|20|10|12|10|10|5|4", "Broken|abc||7", "Comma|52,5|29.7"});
  std::vector<std::pair<std::string, int>> names;
  printer.SheetsFill(names);
  const std::vector<std::pair<std::string, int>> want = {{"Small", 0}, {"Broken", 1}, {"Comma", 2}};
  EXPECT_EQ(names, want);

  struct Case {
    int index;
    std::array<double, 8> values;  // width, height, left, top, right, bottom, space x, space y
  };
  const Case cases[] = {
      {0, {40, 20, 10, 12, 10, 10, 5, 4}},
      {1, {0, 0, 7, 0, 0, 0, 0, 0}},  // unreadable and missing numbers count as 0
      {2, {52.5, 29.7, 0, 0, 0, 0, 0, 0}},
  };
  const TksPaperParams& pp = printer.PaperParams();
  for (const Case& c : cases) {
    printer.SheetsSelect(c.index);
    const std::array<double, 8> got = {pp.LabelWidth(), pp.LabelHeight(), pp.MarginLeft(),   pp.MarginTop(),
                                       pp.MarginRight(), pp.MarginBottom(), pp.SpaceX(), pp.SpaceY()};
    EXPECT_EQ(got, c.values) << "sheet " << c.index;
  }
  for (int outside : {-1, 3, 100}) {
    printer.SheetsSelect(outside);
    EXPECT_DOUBLE_EQ(pp.LabelWidth(), 52.5) << outside;
  }
}

TEST_F(PrinterTest, BarcodeObjectIsForgottenWhenDestroyed) {
  auto bc = std::make_unique<TksBarcodeComponent>();
  printer.SetBarcodeObject(bc.get());
  EXPECT_EQ(printer.BarcodeObject(), bc.get());
  bc.reset();
  EXPECT_EQ(printer.BarcodeObject(), nullptr);
  EXPECT_FALSE(printer.IsDataAware());
  EXPECT_EQ(printer.DataSource(), nullptr);
}

// ---- printing -------------------------------------------------------------------------

// Twenty EAN-13 labels on A4: two pages, every label where the walk puts it, nothing
// printed elsewhere, and every label reads back.
TEST_F(PrinterTest, TwentyEan13LabelsOnA4) {
  printer.SetBarcodeObject(&barcode);
  printer.SetCount(20);
  ASSERT_TRUE(printer.Print());
  ASSERT_EQ(PdfPageCount(pdf), 2);

  constexpr int dpi = 150;
  const std::vector<QImage> pages = RenderPdf(pdf, dpi, folder);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_NEAR(pages[0].width(), 1240, 1);  // 210 x 297 mm at 150 dpi
  EXPECT_NEAR(pages[0].height(), 1754, 1);

  std::vector<std::vector<QRect>> labels(2);
  for (int k = 0; k < 20; ++k) {
    const Place p = DefaultPlace(k);
    labels[p.page - 1].push_back(PixelRect(p.left, p.top, 50, 30, dpi));
  }
  ASSERT_EQ(labels[1].size(), 2u);
  for (size_t page = 0; page < 2; ++page) {
    const QImage& img = pages[page];
    // Every dark pixel lies on a label (one pixel of rounding allowed).
    int strays = 0;
    for (int y = 0; y < img.height(); ++y) {
      for (int x = 0; x < img.width(); ++x) {
        if (!IsDark(img.pixel(x, y))) continue;
        const bool onLabel = std::any_of(labels[page].begin(), labels[page].end(),
                                         [&](const QRect& r) { return r.adjusted(-1, -1, 1, 1).contains(x, y); });
        if (!onLabel) ++strays;
      }
    }
    EXPECT_EQ(strays, 0) << "page " << page + 1;
    for (size_t i = 0; i < labels[page].size(); ++i) {
      const QRect& r = labels[page][i];
      SCOPED_TRACE("page " + std::to_string(page + 1) + " label " + std::to_string(i + 1));
      // The symbol spans the label's width: bars reach its right end.
      int minX = r.right(), maxX = r.left();
      for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
          if (IsDark(img.pixel(x, y))) minX = std::min(minX, x), maxX = std::max(maxX, x);
      EXPECT_LE(minX - r.left(), r.width() / 10);
      EXPECT_GE(maxX, r.right() - 2);
      EXPECT_EQ(Decode(img.copy(r.adjusted(-10, -10, 10, 10)), folder), "4006381333931");
    }
  }
}

// The events of a print, in order, for a model of the sheet: 18 positions a page.
std::vector<std::string> ExpectedPrintEvents(int count, int startFrom) {
  const int perPage = 18;
  auto pageOf = [&](int label) { return (startFrom + label - 1) / perPage + 1; };
  const int pages = count > 0 ? pageOf(count) : 1;
  std::vector<std::string> log = {"progress 1/" + std::to_string(pages), "report header",
                                  "page header 1/" + std::to_string(pages)};
  int page = 1;
  for (int k = 1; k <= count; ++k) {
    while (pageOf(k) > page) {
      log.push_back("page footer " + std::to_string(page) + "/" + std::to_string(pages));
      ++page;
      log.push_back("page header " + std::to_string(page) + "/" + std::to_string(pages));
      log.push_back("progress " + std::to_string(page) + "/" + std::to_string(pages));
    }
    log.push_back("before " + std::to_string(k));
    log.push_back("after " + std::to_string(k));
  }
  log.push_back("page footer " + std::to_string(page) + "/" + std::to_string(pages));
  log.push_back("report footer");
  return log;
}

TEST_F(PrinterTest, PrintEventsAndPages) {
  struct Case {
    int count, startFrom, pdfPages;
  };
  // A last label on the last position of a page starts no further, empty page.
  const Case cases[] = {{20, 0, 2}, {18, 0, 1}, {2, 17, 2}, {3, 36, 3}, {0, 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " labels from " + std::to_string(c.startFrom));
    std::vector<std::string> log;
    int label = 0;
    auto page = [&log](const char* what) {
      return [&log, what](TksPrinter*, int p, int n) {
        log.push_back(std::string(what) + " " + std::to_string(p) + "/" + std::to_string(n));
      };
    };
    printer.OnReportHeader = [&log](TksComponent*) { log.push_back("report header"); };
    printer.OnReportFooter = [&log](TksComponent*) { log.push_back("report footer"); };
    printer.OnPageHeader = page("page header");
    printer.OnPageFooter = page("page footer");
    printer.OnPrintProgress = page("progress");
    printer.OnBeforePrint = [&](TksPrinter* p, TksBarcodeComponent* bc, TksPrintRect& r, bool&, bool&) {
      ++label;
      log.push_back("before " + std::to_string(label));
      EXPECT_EQ(bc, &barcode) << "handlers get the printer's barcode object";
      const Place want = DefaultPlace(c.startFrom + label - 1);
      EXPECT_DOUBLE_EQ(r.Left, want.left);
      EXPECT_DOUBLE_EQ(r.Top, want.top);
      EXPECT_EQ(p->PageIndex(), want.page);
    };
    printer.OnAfterPrint = [&](TksPrinter*, TksBarcodeComponent*, TksPrintRect&, bool&, bool&) {
      log.push_back("after " + std::to_string(label));
    };
    printer.SetBarcodeObject(&barcode);
    printer.SetCount(c.count);
    printer.SetStartFrom(c.startFrom);
    ASSERT_TRUE(printer.Print());
    EXPECT_EQ(log, ExpectedPrintEvents(c.count, c.startFrom));
    EXPECT_EQ(PdfPageCount(pdf), c.pdfPages);
  }
}

TEST_F(PrinterTest, LabelEventsSteerTheWalk) {
  printer.SetBarcodeObject(&barcode);
  printer.SetCount(6);
  std::vector<std::string> log;
  std::vector<double> lefts;
  printer.OnReportFooter = [&log](TksComponent*) { log.push_back("report footer"); };
  printer.OnBeforePrint = [&](TksPrinter*, TksBarcodeComponent*, TksPrintRect& r, bool& enabled, bool& endLoop) {
    const int label = static_cast<int>(lefts.size()) + 1;
    lefts.push_back(r.Left);
    log.push_back("before " + std::to_string(label));
    if (label == 1) r.Left += 5;      // moves the following positions, not this one
    if (label == 2) enabled = false;  // left blank
    if (label == 4) endLoop = true;   // the walk ends here
  };
  printer.OnAfterPrint = [&](TksPrinter*, TksBarcodeComponent*, TksPrintRect&, bool& enabled, bool&) {
    log.push_back("after " + std::to_string(lefts.size()) + (enabled ? "" : " disabled"));
  };
  ASSERT_TRUE(printer.Print());
  const std::vector<std::string> want = {"before 1", "after 1", "before 2", "after 2 disabled", "before 3",
                                         "after 3",  "before 4", "report footer"};
  EXPECT_EQ(log, want);
  // Label 4 begins the next row at the left margin.
  EXPECT_EQ(lefts, (std::vector<double>{15, 80, 140, 15}));

  constexpr int dpi = 50;
  const std::vector<QImage> pages = RenderPdf(pdf, dpi, folder);
  ASSERT_EQ(pages.size(), 1u);
  auto darkIn = [&](const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += IsDark(pages[0].pixel(x, y));
    return n;
  };
  // Label 1 printed where it was before the handler moved it; label 2 left blank;
  // labels 3 and 4 printed at the moved places.
  EXPECT_GT(darkIn(PixelRect(15, 20, 50, 30, dpi)), 100);
  EXPECT_EQ(darkIn(PixelRect(80, 20, 50, 30, dpi).adjusted(2, 2, -2, -2)), 0);
  EXPECT_GT(darkIn(PixelRect(140, 20, 50, 30, dpi).adjusted(2, 0, -2, 0)), 100);
  EXPECT_GT(darkIn(PixelRect(15, 60, 50, 30, dpi)), 100);
}

TEST_F(PrinterTest, PrintFromAHandlerOfARunningPrintIsRefused) {
  printer.SetCount(3);
  int labels = 0;
  bool nested = true;
  printer.OnBeforePrint = [&](TksPrinter* p, TksBarcodeComponent*, TksPrintRect&, bool&, bool&) {
    if (++labels == 2) nested = p->Print();
  };
  EXPECT_TRUE(printer.Print());
  EXPECT_FALSE(nested);
  EXPECT_EQ(labels, 3);
  EXPECT_EQ(PdfPageCount(pdf), 1);
}

TEST_F(PrinterTest, SingleLabelStylePrintsOne) {
  printer.SetBarcodeObject(&barcode);
  printer.PaperParams().SetStyle(ksSingle);
  printer.SetCount(7);
  int labels = 0;
  printer.OnBeforePrint = [&labels](TksPrinter*, TksBarcodeComponent*, TksPrintRect&, bool&, bool&) { ++labels; };
  ASSERT_TRUE(printer.Print());
  EXPECT_EQ(labels, 1);
  EXPECT_EQ(printer.Count(), 1);
}

// The symbology sheet: label k shows the symbology numbered k - 1, from the second on
// under its catalogue name; the walk ends after the last symbology.
TEST_F(PrinterTest, SymbologySheetPrintsEverySymbologyInOrder) {
  struct Case {
    int count, labels, pages;
  };
  const Case cases[] = {{60, kSymbologyRows, 4}, {10, 10, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    printer.SetBarcodeObject(&barcode);
    printer.PaperParams().SetStyle(ksSheetSymbologies);
    printer.SetCount(c.count);
    int labels = 0;
    printer.OnBeforePrint = [&labels](TksPrinter*, TksBarcodeComponent*, TksPrintRect&, bool&, bool&) { ++labels; };
    ASSERT_TRUE(printer.Print());
    EXPECT_EQ(labels, c.labels);
    ASSERT_EQ(PdfPageCount(pdf), c.pages);

    const std::vector<Word> words = PdfWords(pdf, folder);
    for (int k = 2; k <= c.labels; ++k) {
      const auto s = static_cast<TksBarcodeSymbology>(k - 1);
      const Place p = DefaultPlace(k - 1);
      // The first line of text on the label.
      std::vector<Word> onLabel;
      for (const Word& w : words) {
        const double x = w.xMin / kPointsPerMm, y = w.yMin / kPointsPerMm;
        if (w.page == p.page && x >= p.left - 0.5 && x < p.left + 50 && y >= p.top - 0.5 && y < p.top + 30)
          onLabel.push_back(w);
      }
      std::string firstLine;
      if (!onLabel.empty()) {
        const double top = std::min_element(onLabel.begin(), onLabel.end(), [](const Word& a, const Word& b) {
                             return a.yMin < b.yMin;
                           })->yMin;
        for (const Word& w : onLabel)
          if (w.yMin < top + 2) firstLine += (firstLine.empty() ? "" : " ") + w.text;
      }
      const TksBarCodeInfo info = SymbologyInfo(s, u"");
      std::string wantName;
      std::istringstream in(info.Name);
      for (std::string part; in >> part;) wantName += (wantName.empty() ? "" : " ") + part;
      if (info.Supported && !info.InitValue.empty()) {
        EXPECT_EQ(firstLine, wantName) << SymbologyIdentifier(s) << " on label " << k;
      } else {
        // Refused by painting (unsupported, or no sample text): the error display
        // takes the label and no caption is drawn.
        std::string all;
        for (const Word& w : onLabel) all += w.text + " ";
        EXPECT_EQ(all.find(wantName), std::string::npos) << SymbologyIdentifier(s) << " on label " << k;
      }
    }
  }
}

TEST_F(PrinterTest, ProgressWindowFollowsThePages) {
  printer.SetShowProgress(true);
  printer.SetBarcodeObject(&barcode);
  printer.SetCount(20);
  std::vector<std::string> seen;
  printer.OnPrintProgress = [&seen](TksPrinter*, int, int) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* p = qobject_cast<TksPrintProgress*>(w);
      if (!p || !p->isVisible()) continue;
      seen.push_back(p->windowTitle().toStdString() + " | " + p->PageLabel()->text().toStdString() + " | " +
                     std::to_string(p->Bar()->value()) + " of " + std::to_string(p->Bar()->maximum()));
      EXPECT_EQ(p->size(), QSize(300, 150));
    }
  };
  ASSERT_TRUE(printer.Print());
  const std::vector<std::string> want = {"Tisk: Barvello - arch etiket | Page 1 of 2 | 1 of 2",
                                         "Tisk: Barvello - arch etiket | Page 2 of 2 | 2 of 2"};
  EXPECT_EQ(seen, want);
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_EQ(qobject_cast<TksPrintProgress*>(w), nullptr) << "the progress window is gone";
}

// Cancel asks "Ukončit tisk ?"; Yes stops the print at the next label with no footer and
// no file, No lets it run to the end.
TEST_F(PrinterTest, CancelAsksAndAbortsAtTheNextLabel) {
  struct Case {
    QMessageBox::StandardButton answer;
    bool completed;
    int labels;
  };
  const Case cases[] = {{QMessageBox::Yes, false, 5}, {QMessageBox::No, true, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.completed ? "No" : "Yes");
    fs::remove(pdf);
    printer.SetShowProgress(true);
    printer.SetBarcodeObject(&barcode);
    printer.SetCount(20);
    std::vector<std::string> log;
    std::string question;
    printer.OnPageFooter = [&log](TksPrinter*, int p, int) { log.push_back("page footer " + std::to_string(p)); };
    printer.OnReportFooter = [&log](TksComponent*) { log.push_back("report footer"); };
    int labels = 0;
    printer.OnBeforePrint = [&](TksPrinter*, TksBarcodeComponent*, TksPrintRect&, bool&, bool&) {
      if (++labels != 5) return;
      TksPrintProgress* window = nullptr;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<TksPrintProgress*>(w)) window = p;
      ASSERT_NE(window, nullptr);
      QTimer::singleShot(0, [&question, answer = c.answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        question = box->text().toStdString();
        box->button(answer)->click();
      });
      window->CancelButton()->click();
    };
    EXPECT_EQ(printer.Print(), c.completed);
    EXPECT_EQ(question, "Ukončit tisk ?");
    EXPECT_EQ(labels, c.labels);
    EXPECT_EQ(printer.Aborted(), !c.completed);
    EXPECT_EQ(fs::exists(pdf), c.completed);
    const std::vector<std::string> footers = {"page footer 1", "page footer 2", "report footer"};
    EXPECT_EQ(log, c.completed ? footers : std::vector<std::string>{});
  }
}

TEST_F(PrinterTest, HourglassOnlyWithoutAnyProgressDisplay) {
  struct Case {
    bool showProgress, progressHandler, hourglass;
  };
  const Case cases[] = {{false, false, true}, {false, true, false}, {true, false, false}};
  for (const Case& c : cases) {
    printer.SetShowProgress(c.showProgress);
    printer.OnPrintProgress = nullptr;
    if (c.progressHandler) printer.OnPrintProgress = [](TksPrinter*, int, int) {};
    bool waiting = false;
    printer.OnBeforePrint = [&waiting](TksPrinter*, TksBarcodeComponent*, TksPrintRect&, bool&, bool&) {
      waiting = QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    printer.SetCount(1);
    ASSERT_TRUE(printer.Print());
    EXPECT_EQ(waiting, c.hourglass) << c.showProgress << c.progressHandler;
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  }
}

TEST_F(PrinterTest, FailuresEndThePrintAndCleanUp) {
  struct Case {
    const char* note;
    std::function<void()> arrange;
    std::string message;  // the start of the failure's message
  };
  const std::string missing = folder.File("no/such/folder/labels.pdf");
  const Case cases[] = {
      {"the file cannot be written", [&] { printer.SetOutputFileName(missing); }, "Cannot write \"" + missing + "\""},
      {"a label raises", [&] {
         barcode.ErrorInfo().SetMode(emStandardRaise);
         barcode.SetBarcodeSymbology(bcCode128);
         barcode.SetBarCode(u"");
       },
       "Code 128"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    printer.SetOutputFileName(pdf);
    printer.SetShowProgress(true);
    printer.SetBarcodeObject(&barcode);
    printer.SetCount(3);
    c.arrange();
    bool footer = false;
    printer.OnReportFooter = [&footer](TksComponent*) { footer = true; };
    try {
      printer.Print();
      ADD_FAILURE() << "the print reported success";
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
    EXPECT_FALSE(fs::exists(pdf));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(printer.CurrentCanvas(), nullptr);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<TksPrintProgress*>(w), nullptr);
  }
}

TEST_F(PrinterTest, WithoutPrinterOrFileNameThePrintAsksForAPdfFile) {
  if (IsPrinterInstalled()) GTEST_SKIP() << "a printer is installed here";
  printer.SetOutputFileName("");
  printer.SetBarcodeObject(&barcode);
  printer.SetCount(2);
  int asked = 0, headers = 0;
  printer.OnReportHeader = [&headers](TksComponent*) { ++headers; };
  printer.FileDialog = [&asked](std::string&) { return ++asked, false; };
  EXPECT_FALSE(printer.Print()) << "a cancelled file dialog ends the print";
  EXPECT_EQ(headers, 0);
  printer.FileDialog = [&](std::string& name) {
    name = pdf;
    return ++asked, true;
  };
  EXPECT_TRUE(printer.Print());
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(PdfPageCount(pdf), 1);
}

TEST_F(PrinterTest, HandlerHelpersWorkOnThePrinterPage) {
  printer.SetCount(1);
  TPoint corner{}, pointMargin{};
  TRect label{};
  int height = 0;
  printer.OnPageHeader = [&](TksPrinter* p, int page, int) {
    EXPECT_TRUE(p->CurrentIsPrinter());
    corner = p->ConvertPoint(0, 0);
    pointMargin = p->ConvertPoint(15, 20);
    label = p->ConvertRect({15, 20, 65, 50});
    height = p->ConvertHeight(5);
    p->FontHeight(5);
    p->TextOut(15, 10, u"Strana " + FromUtf8(std::to_string(page)));
  };
  ASSERT_TRUE(printer.Print());
  EXPECT_EQ(corner, (TPoint{0, 0}));
  EXPECT_EQ(pointMargin, (TPoint{354, 472}));  // 4960 x 15 / 210, 7015 x 20 / 297
  EXPECT_EQ(label, (TRect{354, 472, 1535, 1180}));  // 4960 x 65 / 210, 7015 x 50 / 297
  EXPECT_EQ(height, 118);  // 7015 x 5 / 297
  EXPECT_EQ(printer.Font().Height(), 118);
  EXPECT_EQ(printer.CurrentCanvas(), nullptr);

  const std::vector<Word> words = PdfWords(pdf, folder);
  auto it = std::find_if(words.begin(), words.end(), [](const Word& w) { return w.text == "Strana"; });
  ASSERT_NE(it, words.end());
  EXPECT_NEAR(it->xMin / kPointsPerMm, 15, 1);
  EXPECT_NEAR(it->yMin / kPointsPerMm, 10, 2);
  // A 5 mm line of text.
  EXPECT_NEAR((it->yMax - it->yMin) / kPointsPerMm, 5, 1);
}

// ---- preview --------------------------------------------------------------------------

// A 400 x 300 view of A4 (595 x 842 points) on a device of 720 dpi, 5950 x 8420 pixels,
// with margins of 20 and 10 points (offsets 200 and 100 pixels): the page is 295 high
// and Trunc(295 x 5950 / 8420) = 208 wide, at x = (400 - 213) div 2 = 93, y = 0, so
// P = (93, 0, 300, 294); the shadow is P moved by 5; the printable area is P inset by
// MulDiv(200, 208, 5950) = 7 and MulDiv(100, 295, 8420) = 4.
class PreviewTest : public PrinterTest {
 protected:
  void SetUp() override {
    PrinterTest::SetUp();
    QPrinter source(QPrinter::HighResolution);
    source.setOutputFormat(QPrinter::PdfFormat);
    source.setResolution(720);
    source.setPageSize(QPageSize(QPageSize::A4));
    source.setPageMargins(QMarginsF(20, 10, 20, 10), QPageLayout::Point);
    printer.PaperParams().RefreshPaperMetrics(&source);
    printer.PreviewParams().SetShadowColor(RGB(0, 0, 128));
    printer.PreviewParams().SetLabelColor(RGB(0, 160, 0));
    printer.PreviewParams().SetPaperColor(clWhite);
  }
  QImage Draw(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(255, 200, 200));
    QPainter p(&img);
    QtCanvas canvas(&p);
    printer.Preview(canvas, {0, 0, w, h});
    p.end();
    return img;
  }
};

TEST_F(PreviewTest, PageShadowPrintableAreaAndLabels) {
  ASSERT_EQ(printer.PaperParams().Record().pPaperWidth, 5950);
  ASSERT_EQ(printer.PaperParams().Record().pPaperHeight, 8420);
  ASSERT_EQ(printer.PaperParams().Record().FOffsetX, 200);
  ASSERT_EQ(printer.PaperParams().Record().FOffsetY, 100);
  printer.SetCount(20);
  const QImage img = Draw(400, 300);
  const QRgb background = qRgb(255, 200, 200), shadow = qRgb(0, 0, 128), silver = qRgb(192, 192, 192),
             label = qRgb(0, 160, 0), paper = qRgb(255, 255, 255);
  struct Probe {
    const char* what;
    int x, y;
    QRgb colour;
  };
  const Probe probes[] = {
      {"left of the page", 92, 150, background},
      {"page outline, left", 93, 150, silver},
      {"page outline, top", 200, 0, silver},
      {"page outline, right", 299, 150, silver},
      {"page outline, bottom", 200, 293, silver},
      {"shadow right of the page", 302, 150, shadow},
      {"shadow below the page", 200, 297, shadow},
      {"no shadow above its offset", 302, 2, background},
      {"paper inside", 98, 150, paper},
      // Label 1: 15..65 x 20..50 mm gives x 93 + 14..64, y 19..49.
      {"label 1", 130, 30, label},
      {"label 1, outline", 107, 30, silver},
      {"left of label 1", 106, 30, paper},
      {"gap between labels 1 and 2", 160, 30, paper},
      // Label 9 (third row, third column): 135..185 x 100..130 mm gives x 226..275.
      {"label 9", 250, 120, label},
      // The last row of page 1: 220..250 mm gives y 218..248.
      {"label 18", 250, 230, label},
      {"below the last row", 250, 260, paper},
  };
  for (const Probe& p : probes) EXPECT_EQ(img.pixel(p.x, p.y), p.colour) << p.what;
  // The printable area's outline is dotted: about half of its left side is drawn.
  int drawn = 0;
  for (int y = 10; y < 280; ++y) drawn += img.pixel(100, y) == silver;
  EXPECT_GT(drawn, 60);
  EXPECT_LT(drawn, 200);
  EXPECT_EQ(img.pixel(99, 150), paper);
  EXPECT_EQ(img.pixel(101, 150), paper);

  // Page 2 holds labels 19 and 20 in the first two places.
  printer.SetPageIndex(2);
  const QImage second = Draw(400, 300);
  EXPECT_EQ(second.pixel(130, 30), label);
  EXPECT_EQ(second.pixel(190, 30), label);
  EXPECT_EQ(second.pixel(250, 30), paper);
  EXPECT_EQ(second.pixel(130, 70), paper);
}

TEST_F(PreviewTest, WideViewTurnsTheFit) {
  // 600 x 200: the page fits the height (195 high, 137 wide) at x = (600 - 142) div 2.
  // 150 x 400: 395 high would be 279 wide, more than 150 - 5: the page takes the width,
  // 145 wide and Trunc(145 x 8420 / 5950) = 205 high, at y = (400 - 210) div 2 = 95.
  struct Case {
    int w, h;
    QRect page;  // the outline's pixels
  };
  const Case cases[] = {{600, 200, QRect(QPoint(229, 0), QPoint(364, 193))},
                        {150, 400, QRect(QPoint(0, 95), QPoint(143, 298))}};
  for (const Case& c : cases) {
    const QImage img = Draw(c.w, c.h);
    const QRgb silver = qRgb(192, 192, 192);
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    EXPECT_EQ(img.pixel(c.page.left(), c.page.center().y()), silver);
    EXPECT_EQ(img.pixel(c.page.right(), c.page.center().y()), silver);
    EXPECT_EQ(img.pixel(c.page.center().x(), c.page.top()), silver);
    EXPECT_EQ(img.pixel(c.page.center().x(), c.page.bottom()), silver);
    EXPECT_NE(img.pixel(c.page.right() + 1, c.page.top() + 2), silver);
  }
}

TEST_F(PreviewTest, LivePreviewPaintsTheBarcode) {
  printer.SetBarcodeObject(&barcode);
  printer.SetCount(1);
  // 1000 x 1200: the page is 1195 high and Trunc(1195 x 5950 / 8420) = 844 wide at
  // x = (1000 - 849) div 2 = 75; label 1 is x 75 + 60..261, y 80..201 (exclusive).
  const QImage img = Draw(1000, 1200);
  const QRect labelRect(QPoint(135, 80), QPoint(335, 200));
  int dark = 0, labelColour = 0;
  for (int y = labelRect.top(); y <= labelRect.bottom(); ++y)
    for (int x = labelRect.left(); x <= labelRect.right(); ++x) {
      dark += IsDark(img.pixel(x, y));
      labelColour += img.pixel(x, y) == qRgb(0, 160, 0);
    }
  EXPECT_GT(dark, 2000);
  EXPECT_EQ(labelColour, 0);
  EXPECT_EQ(Decode(img.copy(labelRect.adjusted(-10, -10, 10, 10)), folder), "4006381333931");

  // Without live preview the label is only a coloured box.
  printer.PreviewParams().SetLivePreview(false);
  const QImage boxes = Draw(1000, 1200);
  EXPECT_EQ(boxes.pixel(labelRect.center()), qRgb(0, 160, 0));
}

TEST_F(PreviewTest, PageEvents) {
  struct Case {
    int pageIndex;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {1, {"report header", "page header 1/2", "page footer 1/2", "page footer 2/2"}},
      {2, {"report header", "page header 1/2", "page header 2/2", "page footer 2/2"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> log;
    auto page = [&log](const char* what) {
      return [&log, what](TksPrinter*, int p, int n) {
        log.push_back(std::string(what) + " " + std::to_string(p) + "/" + std::to_string(n));
      };
    };
    printer.OnReportHeader = [&log](TksComponent*) { log.push_back("report header"); };
    printer.OnReportFooter = [&log](TksComponent*) { log.push_back("report footer"); };
    printer.OnPageHeader = page("page header");
    printer.OnPageFooter = page("page footer");
    printer.OnBeforePrint = [&log](TksPrinter*, TksBarcodeComponent*, TksPrintRect&, bool&, bool&) {
      log.push_back("label");
    };
    printer.SetCount(20);
    printer.SetPageIndex(c.pageIndex);
    Draw(400, 300);
    EXPECT_EQ(log, c.log) << "page " << c.pageIndex;
  }
}

TEST_F(PreviewTest, HelpersWorkOnThePreviewPage) {
  TPoint margin{};
  bool onPrinter = true;
  printer.OnReportHeader = [&](TksComponent*) {
    onPrinter = printer.CurrentIsPrinter();
    margin = printer.ConvertPoint(15, 20);
    printer.FontHeight(10);
    printer.TextOut(15, 20, u"Hlavička");
  };
  RecordingCanvas canvas;
  printer.Preview(canvas, {0, 0, 400, 300});
  EXPECT_FALSE(onPrinter);
  // The current rectangle is P = (93, 0, 300, 294), 207 x 294.
  EXPECT_EQ(margin, (TPoint{93 + 14, 19}));  // Trunc(207 x 15 / 210), Trunc(294 x 20 / 297)
  auto it = std::find_if(canvas.calls.begin(), canvas.calls.end(),
                         [](const CanvasCall& c) { return c.op == "TextOut" && c.text == u"Hlavička"; });
  ASSERT_NE(it, canvas.calls.end());
  EXPECT_EQ(it->pts.at(0), margin);
  EXPECT_EQ(it->fontHeight, 9);  // Trunc(294 x 10 / 297)
  EXPECT_EQ(it->bkMode, bkTransparent);
}

TEST_F(PreviewTest, SymbologySheetShowsSupportedSymbologiesWithTheirNames) {
  printer.SetBarcodeObject(&barcode);
  printer.PaperParams().SetStyle(ksSheetSymbologies);
  printer.SetCount(18);
  RecordingCanvas canvas;
  printer.Preview(canvas, {0, 0, 4000, 6000});
  std::vector<std::u16string> texts;
  for (const CanvasCall& c : canvas.calls)
    if (c.op == "TextOut") texts.push_back(c.text);
  // The second label onwards carries the name of the next supported symbology.
  std::vector<std::u16string> names;
  for (int s = 1; s < kSymbologyRows && names.size() < 17; ++s) {
    const TksBarCodeInfo info = SymbologyInfo(static_cast<TksBarcodeSymbology>(s), u"");
    if (info.Supported) names.push_back(FromUtf8(info.Name));
  }
  auto at = texts.begin();
  for (const std::u16string& name : names) {
    at = std::find(at, texts.end(), name);
    ASSERT_NE(at, texts.end()) << ToUtf8(name) << " missing or out of order";
  }
  EXPECT_EQ(std::count(texts.begin(), texts.end(), FromUtf8(SymbologyInfo(bcNone, u"").Name)), 0)
      << "the first label has no name";
}

// The place of a symbology sheet that stands for no symbology shows the label colour in
// the preview and stays blank on paper, instead of the empty-code error.
TEST_F(PreviewTest, SymbologySheetLeavesTheNoSymbologyPlaceBlank) {
  printer.SetBarcodeObject(&barcode);
  printer.PaperParams().SetStyle(ksSheetSymbologies);
  printer.SetCount(2);
  const QImage img = Draw(400, 300);
  int errorBox = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) errorBox += (img.pixel(x, y) & 0xFFFFFF) == 0xC0DCC0u;
  EXPECT_EQ(errorBox, 0);
  EXPECT_EQ(img.pixel(130, 30), qRgb(0, 160, 0)) << "label 1";
  // Label 2 (75..125 mm, x 93 + 74..123) shows the next symbology.
  int dark = 0;
  for (int y = 19; y < 49; ++y)
    for (int x = 167; x < 216; ++x) dark += IsDark(img.pixel(x, y));
  EXPECT_GT(dark, 100) << "label 2";
}

TEST_F(PrinterTest, SymbologySheetPrintsNothingForNoSymbology) {
  printer.SetBarcodeObject(&barcode);
  printer.PaperParams().SetStyle(ksSheetSymbologies);
  printer.SetCount(2);
  ASSERT_TRUE(printer.Print());
  const std::vector<QImage> pages = RenderPdf(pdf, 150, folder);
  ASSERT_EQ(pages.size(), 1u);
  auto darkIn = [&pages](int k) {
    const Place p = DefaultPlace(k);
    const QRect r = PixelRect(p.left, p.top, 50, 30, 150);
    int dark = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) dark += IsDark(pages[0].pixel(x, y));
    return dark;
  };
  EXPECT_EQ(darkIn(0), 0);
  EXPECT_GT(darkIn(1), 1000);
}

// A view far smaller than the paper still shows the barcodes, painted at the paper's
// resolution and scaled down: no too-small-box error, and the symbol keeps the share of
// the label it has on paper.
TEST_F(PreviewTest, SmallViewShowsTheBarcodeAsThePaperHoldsIt) {
  barcode.ErrorInfo().SetMode(emDrawErrorString);
  printer.SetBarcodeObject(&barcode);
  printer.SetCount(1);
  const QImage img = Draw(400, 300);  // label 1: x 107..157, y 19..49
  int errorBox = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) errorBox += (img.pixel(x, y) & 0xFFFFFF) == 0xC0DCC0u;
  EXPECT_EQ(errorBox, 0);
  // The bars span most of the label's width, as they do on paper.
  int first = -1, last = -1;
  for (int x = 102; x < 165; ++x)  // right of the printable area's dotted line
    if (qGray(img.pixel(x, 30)) < 200) {
      if (first < 0) first = x;
      last = x;
    }
  ASSERT_GE(first, 107);
  EXPECT_LE(last, 157);
  EXPECT_GT(last - first, 40);
}

// ---- barvello-cli --labels ------------------------------------------------------------

TEST_F(PrinterTest, CliPrintsLabelSheets) {
  struct Case {
    std::string args;
    int status;
    int pages;          // -1: no file
    std::string error;  // part of stderr
  };
  const Case cases[] = {
      {"-s bcEan13 -d 400638133393 --count 20", 0, 2, ""},
      {"-s bcEan13 -d 400638133393 --count 18", 0, 1, ""},
      {"-s bcEan13 -d 400638133393 --count 2 --start-from 17", 0, 2, ""},
      {"-s bcQRCode -d Barvello --count 25 --sheet a4-3x8", 0, 2, ""},
      {"-s bcEan13 -d 400638133393 --count 5 --sheet 'Big|100|100|5|5|5|5|0|0'", 0, 2, ""},  // 4 a page
      {"-s bcEan13 -d 400638133393 --count 5 --sheet nosuch", 2, -1, "unknown label sheet 'nosuch'"},
      {"-s bcEan13 -d 400638133393 --count 5 --sheet 'Huge|300|100'", 2, -1, "no label of this sheet fits"},
      {"-s bcEan13 -d 40063813339X --count 5", 1, -1, "erCharOutOfSet"},
      {"-s bcEan13 -d 400638133393 --count 5 --labels-to-png", 2, -1, "unknown option"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    fs::remove(pdf);
    int status = -1;
    const std::string err = Shell(std::string(BARVELLO_CLI) + " " + c.args + " --labels '" + pdf + "' 2>&1 >/dev/null",
                                &status);
    EXPECT_EQ(status, c.status) << err;
    EXPECT_EQ(PdfPageCount(pdf), c.pages);
    if (!c.error.empty()) {
      EXPECT_NE(err.find(c.error), std::string::npos) << err;
    }
  }
  // Each named sheet holds its full grid on one page, and one label more starts a second.
  const std::string help = Shell(std::string(BARVELLO_CLI) + " --help");
  struct Sheet {
    const char* name;
    int perPage;
  };
  const Sheet sheets[] = {{"A4-2x4", 8}, {"A4-2x8", 16}, {"A4-3x7", 21}, {"A4-3x8", 24}, {"A4-3x11", 33}};
  for (const Sheet& sheet : sheets) {
    SCOPED_TRACE(sheet.name);
    EXPECT_NE(help.find(sheet.name), std::string::npos) << "--help names the sheet";
    for (int extra : {0, 1}) {
      fs::remove(pdf);
      int status = -1;
      Shell(std::string(BARVELLO_CLI) + " -s bcCode128 -d A1 --sheet " + sheet.name + " --count " +
                std::to_string(sheet.perPage + extra) + " --labels '" + pdf + "'",
            &status);
      EXPECT_EQ(status, 0);
      EXPECT_EQ(PdfPageCount(pdf), 1 + extra);
    }
  }

  // The labels read back.
  int status = -1;
  Shell(std::string(BARVELLO_CLI) + " -s bcEan13 -d 400638133393 --count 2 --labels '" + pdf + "'", &status);
  ASSERT_EQ(status, 0);
  const std::vector<QImage> pages = RenderPdf(pdf, 150, folder);
  ASSERT_EQ(pages.size(), 1u);
  for (int k = 0; k < 2; ++k) {
    const Place p = DefaultPlace(k);
    EXPECT_EQ(Decode(pages[0].copy(PixelRect(p.left - 2, p.top - 2, 54, 34, 150)), folder), "4006381333931");
  }
  // Only a .pdf name is taken.
  EXPECT_NE(Shell(std::string(BARVELLO_CLI) + " -s bcEan13 -d 400638133393 --labels '" + folder.File("x.png") + "' 2>&1",
                &status)
                .find(".pdf"),
            std::string::npos);
  EXPECT_EQ(status, 2);
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // These tests describe a machine without printers, whatever this one has: the CUPS
  // client looks for its scheduler where there is none. (cups_print_test prints through
  // a real queue.)
  qputenv("CUPS_SERVER", "/nonexistent/barvello-no-printers.sock");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
