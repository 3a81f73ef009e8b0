// GS1 application identifiers: table lookup, value verification, the classic notation's
// elements and their display, the three notations converted to group-separated data,
// and the raise through the barcode object.
#include "engine/gs1/gs1.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "engine/barcode.h"
#include "engine/matrix/matrix.h"
#include "engine/matrix/pdf417.h"
#include "engine/params.h"

namespace ks {
namespace {

const std::u16string GS(1, kGroupSeparator);

// Test texts are written with "<GS>" for the group separator.
std::u16string T(std::string_view s) {
  std::u16string out = FromUtf8(s);
  for (size_t p; (p = out.find(u"<GS>")) != std::u16string::npos;) out.replace(p, 4, GS);
  return out;
}

std::string Show(const std::u16string& s) {
  std::u16string out = s;
  for (size_t p; (p = out.find(kGroupSeparator)) != std::u16string::npos;) out.replace(p, 1, u"<GS>");
  return ToUtf8(out);
}

// ---- AI table ----------------------------------------------------------------------

TEST(GS1Table, KeysInLookupOrder) {
  const char* keys =
      "00 01 02 10 11 12 13 15 17 20 21 22 240 241 242 250 251 253 254 30 310X 311X 312X 313X "
      "314X 315X 316X 320X 321X 322X 323X 324X 325X 326X 327X 328X 329X 330X 331X 332X 333X 334X "
      "335X 336X 337X 340X 341X 342X 343X 344X 345X 346X 347X 348X 349X 350X 351X 352X 353X 354X "
      "355X 356X 357X 360X 361X 362X 363X 364X 365X 366X 367X 368X 369X 37 390X 391X 392X 393X "
      "400 401 402 403 410 411 412 413 414 415 420 421 422 423 424 425 426 7001 7002 7003 703X "
      "8001 8002 8003 8004 8005 8006 8007 8008 8018 8020 8100 8101 8102 8110 90 9X";
  std::istringstream in(keys);
  std::string key;
  int idx = 0;
  for (; in >> key; ++idx) {
    ASSERT_LT(idx, kGS1ItemCount);
    EXPECT_EQ(GS1Item(idx).AI, key) << "row " << idx;
    EXPECT_FALSE(GS1Item(idx).FNC1);
    EXPECT_TRUE(GS1Item(idx).SecTitle.empty() && GS1Item(idx).SecDescription.empty());
  }
  EXPECT_EQ(idx, kGS1ItemCount);
}

// One row of each group of AIs that share type, lengths, check scheme and second part.
TEST(GS1Table, TypesLengthsAndSecondComponents) {
  struct Row {
    const char* ai;
    TksAIType type;
    int lo, hi;
    TksCheckSum check;
    bool sec;
    TksAIType secType;
    int secLo, secHi;
  };
  const Row rows[] = {
      {"00", aiInteger, 18, 18, chGS1_Standard, false, aiInteger, 0, 0},
      {"02", aiInteger, 14, 14, chGS1_Standard, false, aiInteger, 0, 0},
      {"21", aiString, 1, 20, chNone, false, aiInteger, 0, 0},
      {"15", aiDate, 6, 6, chNone, false, aiInteger, 0, 0},
      {"20", aiInteger, 2, 2, chNone, false, aiInteger, 0, 0},
      {"22", aiString, 1, 29, chNone, false, aiInteger, 0, 0},
      {"251", aiString, 1, 30, chNone, false, aiInteger, 0, 0},
      {"242", aiInteger, 1, 6, chNone, false, aiInteger, 0, 0},
      {"253", aiInteger, 13, 13, chGS1_Standard, true, aiInteger, 0, 17},
      {"254", aiString, 1, 20, chUndefined, false, aiInteger, 0, 0},
      {"37", aiInteger, 1, 8, chUndefined, false, aiInteger, 0, 0},
      {"310X", aiFloat, 6, 6, chUndefined, false, aiInteger, 0, 0},
      {"369X", aiFloat, 6, 6, chUndefined, false, aiInteger, 0, 0},
      {"316X", aiFloat, 1, 6, chUndefined, false, aiInteger, 0, 0},
      {"320X", aiFloat, 1, 6, chUndefined, false, aiInteger, 0, 0},
      {"392X", aiFloat, 1, 15, chUndefined, false, aiInteger, 0, 0},
      {"393X", aiISO_Currency, 3, 3, chUndefined, true, aiInteger, 0, 15},
      {"9X", aiString, 1, 30, chUndefined, false, aiInteger, 0, 0},
      {"402", aiInteger, 17, 17, chGS1_Standard, false, aiInteger, 0, 0},
      {"415", aiInteger, 13, 13, chGS1_Standard, false, aiInteger, 0, 0},
      {"8002", aiString, 1, 20, chUndefined, false, aiInteger, 0, 0},
      {"421", aiISO_Country, 3, 3, chUndefined, true, aiString, 0, 12},
      {"426", aiISO_Country, 3, 3, chUndefined, false, aiInteger, 0, 0},
      {"423", aiISO_CountryMulti, 3, 15, chUndefined, true, aiInteger, 0, 12},
      {"7001", aiInteger, 13, 13, chUndefined, false, aiInteger, 0, 0},
      {"7003", aiDateTimeMinutes, 12, 12, chUndefined, false, aiInteger, 0, 0},
      {"703X", aiISO_Country, 3, 3, chUndefined, true, aiString, 0, 27},
      {"8001", aiInteger, 14, 14, chUndefined, false, aiInteger, 0, 0},
      {"8003", aiInteger, 14, 14, chGS1_Standard, true, aiString, 0, 16},
      {"8100", aiInteger, 6, 6, chUndefined, false, aiInteger, 0, 0},
      {"8006", aiInteger, 18, 18, chUndefined, false, aiInteger, 0, 0},
      {"8008", aiDateTimeSeconds, 8, 8, chUndefined, true, aiInteger, 0, 4},
      {"8018", aiInteger, 18, 18, chGS1_Standard, false, aiInteger, 0, 0},
      {"8020", aiString, 1, 25, chUndefined, false, aiInteger, 0, 0},
      {"8101", aiInteger, 10, 10, chUndefined, false, aiInteger, 0, 0},
      {"8102", aiInteger, 2, 2, chUndefined, false, aiInteger, 0, 0},
  };
  for (const Row& r : rows) {
    int idx = TksGS1::LocateAI(FromUtf8(r.ai));
    ASSERT_TRUE(TksGS1::idxOK(idx)) << r.ai;
    const TksGS1Item& it = GS1Item(idx);
    EXPECT_EQ(it.AI, r.ai);
    EXPECT_EQ(it.AIType, r.type) << r.ai;
    EXPECT_EQ(it.LenMin, r.lo) << r.ai;
    EXPECT_EQ(it.LenMax, r.hi) << r.ai;
    EXPECT_EQ(it.CheckSum, r.check) << r.ai;
    EXPECT_EQ(it.SecUsed, r.sec) << r.ai;
    EXPECT_EQ(it.SecAIType, r.secType) << r.ai;
    EXPECT_EQ(it.SecLenMin, r.secLo) << r.ai;
    EXPECT_EQ(it.SecLenMax, r.secHi) << r.ai;
  }
}

TEST(GS1Table, TitlesAndDescriptions) {
  struct Row {
    const char *ai, *title, *description;
  };
  const Row rows[] = {
      {"00", "SSCC", "SSCC (Serial Shipping Container Code)"},
      {"01", "GTIN", "GTIN (Global Trade Item Number)"},
      {"10", "BATCH/LOT", "Batch or Lot Number"},
      {"17", "EXPIRY", "Expiration Date"},
      {"310X", "NET WEIGHT(kg)", "Net weight, kilograms"},
      {"391X", "AMOUNT", "Applicable Amount Payable with ISO Currency Code"},
      {"8100", "-", "GS1-128 Coupon Extended Code"},
      {"9X", "INTERNAL", "Company internal Information"},
  };
  for (const Row& r : rows) {
    const TksGS1Item& it = GS1Item(TksGS1::LocateAI(FromUtf8(r.ai)));
    EXPECT_EQ(it.Title, r.title);
    EXPECT_EQ(it.Description, r.description);
  }
  for (int i = 0; i < kGS1ItemCount; ++i)
    EXPECT_FALSE(GS1Item(i).Title.empty() || GS1Item(i).Description.empty()) << GS1Item(i).AI;
}

TEST(GS1LocateAI, ExactRowsBeforeFamiliesAndLengthMustMatch) {
  struct Row {
    const char* ai;
    int idx;
    const char* row;
  };
  const Row rows[] = {
      {"00", 0, "00"},     {"01", 1, "01"},      {"37", 73, "37"},     {"3103", 20, "310X"},
      {"3100", 20, "310X"}, {"3699", 72, "369X"}, {"7031", 98, "703X"}, {"90", 113, "90"},
      {"99", 114, "9X"},   {"98", 114, "9X"},    {"8110", 112, "8110"},
      {"999", -1, ""},     {"703", -1, ""},      {"1", -1, ""},        {"", -1, ""},
      {"0101", -1, ""},    {"31", -1, ""},
  };
  for (const Row& r : rows) {
    int idx = TksGS1::LocateAI(FromUtf8(r.ai));
    EXPECT_EQ(idx, r.idx) << r.ai;
    if (r.idx >= 0) {
      EXPECT_EQ(GS1Item(idx).AI, r.row);
    }
  }
  EXPECT_FALSE(TksGS1::idxOK(-1));
  EXPECT_TRUE(TksGS1::idxOK(0));
  EXPECT_TRUE(TksGS1::idxOK(114));
  EXPECT_FALSE(TksGS1::idxOK(115));
}

// ---- value verification -------------------------------------------------------------

TEST(GS1VerifyAI, LengthDigitsCharactersAndCheckDigit) {
  struct Row {
    const char* ai;
    const char* value;
    TksBarcodeErrorCode err;  // erOK: passes
    int par1, par2;
  };
  const Row rows[] = {
      {"01", "12345678901231", erOK, 0, 0},
      {"01", "12345678901234", erGS1, 0, 0},  // check digit 4 where 1 belongs
      {"01", "123", erGS1_BadValueLength, 14, 14},
      {"01", "123456789012345", erGS1_BadValueLength, 14, 14},
      {"01", "1234567890123A", erGS1_ValueMustBeInteger, 0, 0},
      {"00", "123456789012345675", erOK, 0, 0},
      {"00", "123456789012345670", erGS1, 0, 0},
      {"402", "12345678901234560", erOK, 0, 0},
      {"402", "12345678901234568", erGS1, 0, 0},
      {"11", "10A231", erGS1_ValueMustBeInteger, 0, 0},
      {"11", "109931", erOK, 0, 0},  // no range test: month 99
      {"11", "101200", erOK, 0, 0},  // day 00
      {"10", "", erGS1_BadValueLength, 1, 20},
      {"10", "ABCDEFGHIJKLMNOPQRST", erOK, 0, 0},
      {"10", "ABCDEFGHIJKLMNOPQRSTU", erGS1_BadValueLength, 1, 20},
      {"10", "A-B/C_d%(1)", erOK, 0, 0},  // punctuation of the GS1 set of 82 characters
      {"10", "AB C", erGS1, 0, 0},        // the space is not one of them
      {"10", "A~B", erGS1, 0, 0},
      {"10", "A\u00E9", erGS1, 0, 0},
      {"3102", "00125", erGS1_BadValueLength, 6, 6},
      // Readers take a predefined-length value by its length, so a shorter one is refused.
      {"3112", "000001", erOK, 0, 0},
      {"3112", "1", erGS1_BadValueLength, 6, 6},
      {"3922", "1250", erOK, 0, 0},
      {"3922", "12.50", erGS1_ValueMustBeInteger, 0, 0},  // decimals are implied by the AI
      {"422", "203", erOK, 0, 0},
      {"422", "CZE", erGS1_ValueMustBeInteger, 0, 0},  // numeric country codes
      // Country and currency codes that exist (ISO 3166-1, ISO 4217).
      {"422", "999", erGS1, 0, 0},
      {"423", "203276", erOK, 0, 0},
      {"423", "203999", erGS1, 0, 0},
      {"423", "2032", erGS1, 0, 0},  // three digits per country
      {"7031", "203ABC", erOK, 0, 0},
      {"7031", "000ABC", erGS1, 0, 0},
      {"3912", "9781250", erOK, 0, 0},  // EUR
      {"3912", "0001250", erGS1, 0, 0},
      // A second component adds its length range to the first's.
      {"8008", "10123112", erOK, 0, 0},
      {"8008", "1012311230", erOK, 0, 0},
      {"8008", "1012311", erGS1_BadValueLength, 8, 12},
      {"253", "1234567890128", erOK, 0, 0},
      {"253", "1234567890128ABC-17", erOK, 0, 0},  // serial component in the GS1 set
      {"253", "1234567890127ABC", erGS1, 0, 0},    // check digit of the first component
      {"8003", "01234567890128SER", erOK, 0, 0},
      {"8003", "0123456789012", erGS1_BadValueLength, 14, 30},
  };
  for (const Row& r : rows) {
    TksErrRecord err;
    bool ok = TksGS1::VerifyAI(FromUtf8(r.ai), FromUtf8(r.value), err);
    EXPECT_EQ(ok, r.err == erOK) << r.ai << " " << r.value;
    EXPECT_EQ(err.Err, r.err) << r.ai << " " << r.value;
    if (r.err != erOK) {
      EXPECT_EQ(err.StrPar, FromUtf8(r.value));
      EXPECT_EQ(err.Par1, r.par1) << r.ai << " " << r.value;
      EXPECT_EQ(err.Par2, r.par2) << r.ai << " " << r.value;
    }
  }
}

TEST(GS1VerifyAI, UnknownAIAnswersFalseAndLeavesRecord) {
  TksErrRecord err;
  err.Err = erEmptyCode;
  err.Par1 = 7;
  EXPECT_FALSE(TksGS1::VerifyAI(u"999", u"x", err));
  EXPECT_FALSE(TksGS1::VerifyAI(-1, u"x", err));
  EXPECT_FALSE(TksGS1::VerifyAI(kGS1ItemCount, u"x", err));
  EXPECT_EQ(err.Err, erEmptyCode);
  EXPECT_EQ(err.Par1, 7);
}

// ---- classic notation -----------------------------------------------------------------

TEST(GS1Verify, ElementsAndFirstError) {
  struct Row {
    const char* text;
    int count;
    TksBarcodeErrorCode err;
    int position;
    const char* strPar;
    int par1, par2;
  };
  const Row rows[] = {
      {"(01)12345678901231(10)ABC(17)101231", 3, erOK, 0, "", 0, 0},
      {"", 0, erOK, 0, "", 0, 0},
      {"(99)x", 1, erOK, 0, "", 0, 0},
      {"(98)x", 1, erOK, 0, "", 0, 0},
      {"(11)109931", 1, erOK, 0, "", 0, 0},
      {"(10)A)B", 1, erOK, 0, "", 0, 0},  // ")" inside a value is data
      {"01123", 0, erGS1, 1, "", 0, 0},
      {"(01)12345678901231(10", 1, erGS1, 19, "", 0, 0},  // no ")"
      {"(A1)5", 0, erGS1_AI_MustBeInteger, 1, "A1", 0, 0},
      {"()5", 0, erGS1_AI_NotFound, 4, "", 0, 0},
      {"(999)x", 0, erGS1_AI_NotFound, 7, "999", 0, 0},
      {"(10)A(999)x(17)101231", 1, erGS1_AI_NotFound, 12, "999", 0, 0},
      {"(01)123", 0, erGS1_BadValueLength, 5, "123", 14, 14},
      {"(10)A(17)1012", 1, erGS1_BadValueLength, 10, "1012", 6, 6},
      {"(11)10A231", 0, erGS1_ValueMustBeInteger, 5, "10A231", 0, 0},
      {"(10)A(01)12345678901234", 1, erGS1, 10, "12345678901234", 0, 0},  // check digit
  };
  for (const Row& r : rows) {
    TksErrRecord err;
    err.Err = erEmptyCode;  // Verify starts from a clean result
    EXPECT_EQ(TksGS1::Verify(FromUtf8(r.text), err), r.count) << r.text;
    EXPECT_EQ(err.Err, r.err) << r.text;
    if (r.err == erOK) continue;
    EXPECT_EQ(err.Position, r.position) << r.text;
    EXPECT_EQ(ToUtf8(err.StrPar), r.strPar) << r.text;
    EXPECT_EQ(err.Par1, r.par1) << r.text;
    EXPECT_EQ(err.Par2, r.par2) << r.text;
  }
}

TEST(GS1GetElement, NthElementAsAIAndValue) {
  const std::u16string s = u"(01)12345678901231(10)ABC(17)101231";
  struct Row {
    std::u16string text;
    int idx;
    int result;
    const char *ai, *value;
  };
  const Row rows[] = {
      {s, 1, 1, "01", "12345678901231"},
      {s, 2, 3, "10", "ABC"},
      {s, 3, 8, "17", "101231"},
      {s, 4, -1, "", ""},
      {s, 0, -1, "", ""},
      {u"(77)x", 1, -1, "77", "x"},  // unknown AI: parts still given
      {u"(10", 1, -1, "", ""},
      {u"(3102)001250", 1, 20, "3102", "001250"},
  };
  for (const Row& r : rows) {
    std::u16string ai = u"old", value = u"old";
    EXPECT_EQ(TksGS1::GetElement(r.text, r.idx, ai, value), r.result) << r.idx;
    EXPECT_EQ(ToUtf8(ai), r.ai);
    EXPECT_EQ(ToUtf8(value), r.value);
  }
}

TEST(GS1GetElementVisual, DecimalsAndDates) {
  struct Row {
    const char *ai, *value, *shown;
  };
  const Row rows[] = {
      {"3102", "001250", "0012.50"},
      {"3100", "001250", "001250"},
      {"3105", "123456", "1.23456"},
      // The point goes before the last k characters, also when that is all of them.
      {"3106", "001250", ".001250"},
      {"3925", "12345", ".12345"},
      // Fewer characters than decimals: the point in front, no digits added.
      {"3925", "12", ".12"},
      {"17", "101231", "31.12.2010"},
      {"10", "ABC", "ABC"},
      {"01", "12345678901231", "12345678901231"},
  };
  for (const Row& r : rows) {
    TksErrRecord err;
    std::u16string ai = FromUtf8(r.ai);
    EXPECT_EQ(ToUtf8(TksGS1::GetElementVisual(TksGS1::LocateAI(ai), ai, FromUtf8(r.value), err)), r.shown)
        << r.ai;
    EXPECT_EQ(err.Err, erOK);
  }
  TksErrRecord err;
  EXPECT_EQ(TksGS1::GetElementVisual(-1, u"3102", u"001250", err), u"001250");  // unknown: as is
}

TEST(GS1DecodeDateString, DayMonthYearWithoutLeadingZeros) {
  const std::pair<const char*, const char*> rows[] = {
      {"101231", "31.12.2010"}, {"510101", "1.1.1951"}, {"500101", "1.1.2050"}, {"991231", "31.12.1999"},
      {"000000", "0.0.2000"},   {"109931", "31.99.2010"},
      {"1012", "1012"},          // not a date: shown as it stands
      {"10A231", "10A231"},
  };
  for (const auto& [in, out] : rows) EXPECT_EQ(ToUtf8(TksGS1::DecodeDateString(FromUtf8(in))), out) << in;
}

TEST(GS1GetDescription, OneLinePerVerifiedElement) {
  const std::pair<const char*, const char*> rows[] = {
      {"(01)12345678901231(10)ABC(17)101231", "GTIN:12345678901231\r\nBATCH/LOT:ABC\r\nEXPIRY:31.12.2010"},
      {"(3102)001250(99)x", "NET WEIGHT(kg):0012.50\r\nINTERNAL:x"},
      {"(10)A(999)x", "BATCH/LOT:A"},  // the elements before the error
      {"01123", ""},
      {"", ""},
  };
  for (const auto& [in, out] : rows) EXPECT_EQ(ToUtf8(TksGS1::GetDescription(FromUtf8(in))), out) << in;
}

// ---- notations ------------------------------------------------------------------------

TEST(GS1Prepare, ElementStringWithSeparators) {
  struct Row {
    const char *text, *prepared;
  };
  const Row rows[] = {
      // The separator follows the variable-length 10, not the fixed-length 01, and never
      // the last element.
      {"(01)12345678901231(10)ABC(17)101231", "0112345678901231" "10ABC<GS>17101231"},
      {"(10)ABC", "10ABC"},
      // Full-length values of AIs that readers do not end by length still need the
      // separator, or the next AI would be read as part of the value.
      {"(8005)123456(10)ABC", "8005123456<GS>10ABC"},
      {"(10)ABCDEFGHIJKLMNOPQRST(21)1", "10ABCDEFGHIJKLMNOPQRST<GS>211"},
      // A measure value has its full six digits and needs no separator.
      {"(3112)000012(10)A", "311200001210A"},
  };
  for (const Row& r : rows) {
    TksErrRecord err;
    EXPECT_EQ(Show(TksGS1::Prepare(FromUtf8(r.text), err)), r.prepared);
    EXPECT_EQ(err.Err, erOK);
  }
}

TEST(GS1Prepare, ErrorsAnswerNothingAndKeepTheRecord) {
  const std::pair<const char*, TksBarcodeErrorCode> rows[] = {
      {"", erOK},  // nothing to prepare
      {"01123", erGS1},
      {"(01)12345678901231(10)ABC(17)1012", erGS1_BadValueLength},
      {"(A1)5", erGS1_AI_MustBeInteger},
      {"(3112)12(10)A", erGS1_BadValueLength},  // a measure value shorter than six digits
      {"(01)12345678901234", erGS1},             // wrong check digit
  };
  for (const auto& [text, code] : rows) {
    TksErrRecord err;
    EXPECT_EQ(TksGS1::Prepare(FromUtf8(text), err), u"") << text;
    EXPECT_EQ(err.Err, code) << text;
  }
}

// Element strings that bwip-js's GS1 Data Matrix carries for the same classic texts.
TEST(GS1Prepare, AgreesWithReferenceEncoder) {
  std::ifstream in(BARVELLO_TEST_DATA "/gs1_vectors.txt");
  ASSERT_TRUE(in) << "missing gs1_vectors.txt";
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    TksErrRecord err;
    std::u16string prepared = TksGS1::Prepare(FromUtf8(line.substr(0, tab)), err);
    EXPECT_EQ(err.Err, erOK) << line;
    EXPECT_EQ(prepared, T(line.substr(tab + 1))) << line;
    ++rows;
  }
  EXPECT_GT(rows, 0);
}

TEST(GS1PreparePerc, PercentIsSeparatorDoubledIsLiteral) {
  const std::pair<const char*, const char*> rows[] = {
      {"01%%5%10", "01%5<GS>10"},
      {"%01%", "<GS>01<GS>"},
      {"%%%", "%<GS>"},
      {"%%%%", "%%"},
      {"0112345678901231", "0112345678901231"},
      {"", ""},
  };
  for (const auto& [in, out] : rows) {
    TksErrRecord err;
    err.Err = erGS1;
    EXPECT_EQ(Show(TksGS1::PreparePerc(FromUtf8(in), err)), out) << in;
    EXPECT_EQ(err.Err, erOK);
  }
}

TEST(GS1PrepareTilde, MarkersBecomeSeparators) {
  const std::pair<const char*, const char*> rows[] = {
      {"~0112~~3~", "~0112~3"},  // leading kept, doubled once, trailing dropped
      {"01[10A", "01<GS>10A"},
      {"01~10A[21B", "01<GS>10A<GS>21B"},
      {"0~[1", "0~1"},
      {"0[~1", "0[1"},
      {"0[[1", "0[1"},
      {"[[x", "[<GS>x"},  // the first character is data, whatever it is
      {"A~", "A"},
      {"~", "~"},
      {"", ""},
  };
  for (const auto& [in, out] : rows) {
    TksErrRecord err;
    err.Err = erGS1;
    EXPECT_EQ(Show(TksGS1::PrepareTilde(FromUtf8(in), err)), out) << in;
    EXPECT_EQ(err.Err, erGS1);  // the tilde notation reports nothing
  }
}

TEST(GS1SolveGS1, NotationChosenByInputTypeOnlyWithFNC1) {
  struct Row {
    TksFNC1Type fnc1;
    TksFNC1InputType input;
    const char *text, *solved;
  };
  const Row rows[] = {
      {fnc1None, gs1Classic, "(01)12345678901231(10)AB", "(01)12345678901231(10)AB"},
      {fnc1None, gs1Percent, "10A%21B", "10A%21B"},
      {fnc1None, gs1Tilde, "10A~21B", "10A~21B"},
      {fnc1None, gs1Classic, "no GS1 at all", "no GS1 at all"},
      {fnc1GS1, gs1Separators, "10A<GS>21B", "10A<GS>21B"},
      {fnc1GS1, gs1Separators, "(10)A%B~", "(10)A%B~"},
      {fnc1GS1, gs1Percent, "10A%21B", "10A<GS>21B"},
      {fnc1GS1, gs1Classic, "(10)A(21)B", "10A<GS>21B"},
      {fnc1GS1, gs1Tilde, "10A~21B", "10A<GS>21B"},
      {fnc1FirstPosition, gs1Classic, "(10)A(21)B", "10A<GS>21B"},
      {fnc1SecondPosition, gs1Percent, "10A%21B", "10A<GS>21B"},
  };
  for (const Row& r : rows) {
    TksGS1 gs1(nullptr);
    gs1.SetFNC1Type(r.fnc1);
    gs1.SetFNC1InputType(r.input);
    TksErrRecord err;
    EXPECT_EQ(Show(gs1.SolveGS1(T(r.text), err)), r.solved) << r.text;
    EXPECT_EQ(err.Err, erOK);
  }
  TksGS1 gs1(nullptr);
  gs1.SetFNC1Type(fnc1GS1);
  gs1.SetFNC1InputType(gs1Classic);
  TksErrRecord err;
  EXPECT_EQ(gs1.SolveGS1(u"(01)123", err), u"");
  EXPECT_EQ(err.Err, erGS1_BadValueLength);
}

// ---- element strings and the one GS1 rule ----------------------------------------------

TEST(GS1VerifyElementString, ReadAsAReaderReadsIt) {
  struct Row {
    const char* text;  // "<GS>" for the group separator
    int count;
    TksBarcodeErrorCode err;
    int position;
    const char* strPar;
  };
  const Row rows[] = {
      {"0112345678901231", 1, erOK, 0, ""},
      {"011234567890123110ABC<GS>17101231", 3, erOK, 0, ""},
      {"0112345678901231<GS>10ABC", 2, erOK, 0, ""},  // a separator after a fixed length is allowed
      {"10ABC<GS>", 1, erOK, 0, ""},                  // as is one at the very end
      {"3103000189392212990<GS>10B", 3, erOK, 0, ""},
      {"99INTERNAL<GS>98x", 2, erOK, 0, ""},           // 9X rows
      {"80081012311230<GS>10X", 2, erOK, 0, ""},       // second component
      {"0112345678901234", 0, erGS1, 3, "12345678901234"},
      {"12", 0, erGS1_BadValueLength, 3, ""},          // AI 12 without its date
      {"1", 0, erGS1_AI_MustBeInteger, 1, "1"},
      {"ABC", 0, erGS1_AI_MustBeInteger, 1, "AB"},
      {"10ABC<GS>A1", 1, erGS1_AI_MustBeInteger, 7, "A1"},
      {"1999", 0, erGS1_AI_NotFound, 1, "1999"},      // no AI 19, 199 or 1999
      {"<GS>10A", 0, erGS1, 1, ""},                    // a separator where an AI begins
      {"10A<GS><GS>21B", 1, erGS1, 5, ""},
      {"011234567890123<GS>10A", 0, erGS1_BadValueLength, 3, "1234567890123"},  // 13 digits for 14
      {"10ABC def", 0, erGS1, 3, "ABC def"},
  };
  for (const Row& r : rows) {
    TksErrRecord err;
    err.Err = erEmptyCode;  // starts from a clean result
    EXPECT_EQ(TksGS1::VerifyElementString(T(r.text), err), r.count) << r.text;
    EXPECT_EQ(err.Err, r.err) << r.text;
    if (r.err == erOK) continue;
    EXPECT_EQ(err.Position, r.position) << r.text;
    if (*r.strPar) {
      EXPECT_EQ(ToUtf8(err.StrPar), r.strPar) << r.text;
    }
  }
}

TEST(GS1ElementString, EveryNotationGivesTheVerifiedElementString) {
  struct Row {
    TksFNC1InputType input;
    const char* text;
    const char* elements;     // when accepted
    TksBarcodeErrorCode err;  // erOK: accepted
  };
  const Row rows[] = {
      {gs1Separators, "011234567890123110ABC<GS>17101231", "011234567890123110ABC<GS>17101231", erOK},
      {gs1Separators, "10ABC<GS><GS>", "10ABC", erOK},  // trailing separators dropped
      // A text that begins with "(" is read in the classic notation in every setting.
      {gs1Separators, "(01)12345678901231(10)ABC(17)101231", "011234567890123110ABC<GS>17101231", erOK},
      {gs1Tilde, "(10)ABC(21)1", "10ABC<GS>211", erOK},
      {gs1Classic, "(01)12345678901231(10)ABC<GS>", "011234567890123110ABC", erOK},
      {gs1Percent, "10ABC%17101231%", "10ABC<GS>17101231", erOK},
      {gs1Tilde, "10ABC~17101231", "10ABC<GS>17101231", erOK},
      {gs1Separators, "(01)12345678901234", "", erGS1},
      {gs1Separators, "0112345678901234", "", erGS1},
      {gs1Separators, "12", "", erGS1_BadValueLength},
      {gs1Classic, "0112345678901231", "", erGS1},  // classic without parentheses
      {gs1Percent, "%", "", erGS1},                 // nothing but a separator
      {gs1Percent, "10A%%B", "10A%B", erOK},        // "%%" is a literal "%"
  };
  for (const Row& r : rows) {
    TksGS1 gs1(nullptr);
    gs1.SetFNC1Type(fnc1GS1);
    gs1.SetFNC1InputType(r.input);
    TksErrRecord err;
    const std::u16string elements = gs1.ElementString(T(r.text), err);
    EXPECT_EQ(err.Err, r.err) << r.text;
    EXPECT_EQ(Show(elements), r.elements) << r.text;
  }
}

// GS1-128 and the 2D symbologies in a GS1 role follow one rule: the same texts are
// accepted, the same are refused with the same error.
TEST(GS1OneRule, SameVerdictForGS1128AndThe2DSymbologies) {
  struct Row {
    const char* text;
    TksBarcodeErrorCode err;  // erOK: encoded
  };
  const Row rows[] = {
      {"(01)12345678901231(10)ABC", erOK},
      {"(01)12345678901231(10)ABC(17)101231", erOK},
      {"0112345678901231<GS>10ABC", erOK},
      {"(253)1234567890128ABC", erOK},
      {"(01)12345678901234", erGS1},      // wrong check digit
      {"12", erGS1_BadValueLength},       // no AI at all
      {"(999)1", erGS1_AI_NotFound},
      {"(3112)12", erGS1_BadValueLength},
      {"(10)A B", erGS1},                 // a space in a value
      {"0112345678901231<GS><GS>10A", erGS1},
  };
  const TksBarcodeSymbology symbologies[] = {bcUccEan128, bcQRCode, bcDataMatrix, bcPDF417};
  for (const Row& r : rows) {
    for (TksBarcodeSymbology sym : symbologies) {
      TksBarcodeComponent bc;
      bc.SetBarcodeSymbology(sym);
      if (sym != bcUccEan128) bc.Params().GS1().SetFNC1Type(fnc1GS1);
      bc.Params().PDF417().SetMode(ksPDF417AutoCode);  // holds the separator
      bc.SetBarCode(T(r.text));
      bc.ErrorInfo().Init();
      bool raised = false;
      try {
        if (sym == bcPDF417)
          BuildPdf417Rows(bc, bc.Bars());
        else
          bc.EncodeBars(bc.BarCode());
      } catch (const ksBarcodeException&) {
        raised = true;
      }
      const std::string where = std::string(r.text) + " as " + SymbologyIdentifier(sym);
      EXPECT_EQ(raised, r.err != erOK) << where;
      EXPECT_EQ(bc.ErrorInfo().Code(), r.err) << where;
      if (r.err != erOK) continue;
      const bool drawn = sym == bcUccEan128 || sym == bcPDF417 ? !bc.Bars().empty() && !bc.Bars()[0].empty()
                                                                 : bc.Pixels().NC > 0;
      EXPECT_TRUE(drawn) << where;
    }
  }
}

std::string RunCommand(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Symbols written by the command-line tool read back with the GS1 symbology identifier
// and the element string (the group separator where an FNC1 ends a value).
TEST(GS1OneRule, SymbolsReadBackAsGS1ByPublicReaders) {
  if (RunCommand("command -v ZXingReader").empty()) GTEST_SKIP() << "ZXingReader not installed";
  const bool dmtx = !RunCommand("command -v dmtxread").empty();
  const struct {
    const char* text;
    const char* elements;
  } texts[] = {
      {"(01)12345678901231(10)ABC(17)101231", "011234567890123110ABC<GS>17101231"},
      {"0112345678901231<GS>10ABC", "0112345678901231<GS>10ABC"},
      {"(253)1234567890128ABC(8008)1012311230", "2531234567890128ABC<GS>80081012311230"},
  };
  const struct {
    const char* symbology;
    const char* settings;
    const char* identifier;
  } symbols[] = {
      {"bcUccEan128", "", "]C1"},
      {"bcQRCode", "--set Params.GS1.FNC1Type=fnc1GS1", "]Q3"},
      {"bcDataMatrix", "--set Params.GS1.FNC1Type=fnc1GS1", "]d2"},
      // PDF417 marks no GS1 data: the reader sees the element string as plain data.
      {"bcPDF417", "--set Params.GS1.FNC1Type=fnc1GS1 --set Params.PDF417.Mode=ksPDF417AutoCode", "]L2"},
  };
  const std::string path = ::testing::TempDir() + "barvello_gs1_" + std::to_string(getpid()) + ".png";
  for (const auto& t : texts) {
    for (const auto& sym : symbols) {
      const std::string where = std::string(t.text) + " as " + sym.symbology;
      std::remove(path.c_str());
      const std::string cmd = std::string(BARVELLO_CLI) + " -s " + sym.symbology + " " + sym.settings + " -d " +
                              Quoted(ToUtf8(T(t.text))) + " -o " + path + " 2>&1";
      ASSERT_EQ(RunCommand(cmd), "") << where;
      const std::string full = RunCommand("ZXingReader " + path);
      EXPECT_NE(full.find("Identifier: " + std::string(sym.identifier) + "\n"), std::string::npos)
          << where << "\n" << full;
      EXPECT_EQ(RunCommand("ZXingReader -bytes " + path), ToUtf8(T(t.elements))) << where;
      if (dmtx && std::string(sym.symbology) == "bcDataMatrix") {
        // dmtxread reads the same element string.
        EXPECT_EQ(RunCommand("dmtxread -N1 " + path), ToUtf8(T(t.elements))) << where;
      }
    }
  }
  std::remove(path.c_str());
}

// ---- operations kept for the interface ----------------------------------------------------

TEST(GS1Interface, SpecialSymbolsCommandsAndCheckDigits) {
  struct Row {
    const char* text;
    int index;
    int totalLen;
    int version;
  };
  const Row rows[] = {
      {"", 0, 0, 0},
      {"<GS>FNC1", 1, 4, 1},
      {"[FNC1]0112345678901231", 1, 14, 0},
      {"0112345678901231", 3, 14, 2},
  };
  for (const Row& r : rows) {
    const std::u16string s = T(r.text);
    TksSpecialResult result;
    result.Cmd = u"kept";
    EXPECT_FALSE(TksGS1::IsSpecial(s, r.index, result)) << r.text;
    EXPECT_EQ(result.Cmd, u"kept") << r.text;
    EXPECT_EQ(TksGS1::RemoveCommands(s), s) << r.text;
    EXPECT_FALSE(TksGS1::CalcCheckDigit(s, r.totalLen, r.version)) << r.text;
  }
}

// ---- through the barcode object --------------------------------------------------------

struct GS1Barcode : ::testing::Test {
  TksBarcodeComponent bc;
  void SetUp() override {
    bc.SetBarcodeSymbology(bcDataMatrix);
    bc.Params().GS1().SetFNC1Type(fnc1GS1);
    bc.Params().GS1().SetFNC1InputType(gs1Classic);
  }
};

TEST_F(GS1Barcode, ErrorsRaiseWithTheirMessages) {
  struct Row {
    const char* text;
    TksBarcodeErrorCode code;
    int idx;
    const char* message;
  };
  const Row rows[] = {
      {"01123", erGS1, 1, "Error in GS1 syntax"},
      {"(A1)5", erGS1_AI_MustBeInteger, 1, "GS1 Application identifier must be integer"},
      {"(999)x", erGS1_AI_NotFound, 7, "GS1 unknown Application identifier"},
      {"(01)123", erGS1_BadValueLength, 5, "Value length must be between 14 and 14"},
      {"(10)", erGS1_BadValueLength, 5, "Value length must be between 1 and 20"},
      {"(11)10A231", erGS1_ValueMustBeInteger, 5, "Value must be integer"},
  };
  for (const Row& r : rows) {
    bc.SetBarCode(FromUtf8(r.text));
    try {
      SolveGS1(bc);
      ADD_FAILURE() << "no raise for " << r.text;
    } catch (const ksBarcodeException& e) {
      EXPECT_EQ(std::string(e.what()), r.message) << r.text;
      EXPECT_EQ(bc.ErrorInfo().Code(), r.code) << r.text;
      EXPECT_EQ(bc.ErrorInfo().Idx(), r.idx) << r.text;
    }
  }
}

TEST_F(GS1Barcode, PreparedTextOnSuccess) {
  bc.SetBarCode(u"(01)12345678901231(10)ABC(17)101231");
  EXPECT_EQ(Show(SolveGS1(bc)), "011234567890123110ABC<GS>17101231");
  bc.Params().GS1().SetFNC1Type(fnc1None);
  EXPECT_EQ(SolveGS1(bc), u"(01)12345678901231(10)ABC(17)101231");
  bc.SetBarCode(u"01123");  // not checked without FNC1
  EXPECT_EQ(SolveGS1(bc), u"01123");
}

TEST_F(GS1Barcode, SettersNotifyOnlyOnChange) {
  int updates = 0;
  bc.OnUpdate = [&](TksComponent*) { ++updates; };
  TksGS1& gs1 = bc.Params().GS1();
  gs1.SetFNC1Type(fnc1GS1);
  gs1.SetFNC1InputType(gs1Classic);
  EXPECT_EQ(updates, 0);
  gs1.SetFNC1Type(fnc1SecondPosition);
  gs1.SetFNC1InputType(gs1Tilde);
  EXPECT_EQ(updates, 2);
  EXPECT_EQ(gs1.FNC1Type(), fnc1SecondPosition);
  EXPECT_EQ(gs1.FNC1InputType(), gs1Tilde);
}

TEST_F(GS1Barcode, PropertiesByValueName) {
  TksGS1 fresh(nullptr);
  const PropertyTable& t = fresh.Properties();
  ASSERT_EQ(t.props.size(), 2u);
  EXPECT_EQ(t.props[0].name, "FNC1Type");
  EXPECT_EQ(t.props[0].defaultText, "fnc1None");
  EXPECT_EQ(t.props[1].name, "FNC1InputType");
  EXPECT_EQ(t.props[1].defaultText, "gs1Separators");
  EXPECT_EQ(t.props[0].get(fresh), "fnc1None");
  EXPECT_EQ(t.props[1].get(fresh), "gs1Separators");

  int updates = 0;
  bc.OnUpdate = [&](TksComponent*) { ++updates; };
  EXPECT_EQ(SetPropertyText(bc, "Params.GS1.FNC1Type", "fnc1FirstPosition"), SetResult::Ok);
  EXPECT_EQ(SetPropertyText(bc, "Params.GS1.FNC1InputType", "gs1Percent"), SetResult::Ok);
  EXPECT_EQ(SetPropertyText(bc, "Params.GS1.FNC1InputType", "gs1Nothing"), SetResult::BadValue);
  EXPECT_EQ(bc.Params().GS1().FNC1Type(), fnc1FirstPosition);
  EXPECT_EQ(bc.Params().GS1().FNC1InputType(), gs1Percent);
  EXPECT_EQ(updates, 2);
  std::string text;
  ASSERT_TRUE(GetPropertyText(bc, "Params.GS1.FNC1InputType", text));
  EXPECT_EQ(text, "gs1Percent");
}

TEST(GS1Assign, CopiesBothSettingsOnlyFromGS1) {
  TksGS1 a(nullptr), b(nullptr);
  a.SetFNC1Type(fnc1SecondPosition);
  a.SetFNC1InputType(gs1Tilde);
  b.Assign(a);
  EXPECT_EQ(b.FNC1Type(), fnc1SecondPosition);
  EXPECT_EQ(b.FNC1InputType(), gs1Tilde);
  TksBarcodeError other(nullptr);
  EXPECT_THROW(b.Assign(other), Exception);
}

// ---- reference tables ------------------------------------------------------------------

TEST(GS1ReferenceTables, CountriesAndCurrencies) {
  auto countries = ISOCountries();
  ASSERT_GT(countries.count, 0);
  EXPECT_EQ(countries[0].Country, "AALAND ISLANDS");
  EXPECT_EQ(countries[0].ISOCode, 248);
  EXPECT_EQ(countries[countries.count - 1].A3, "ZWE");
  for (int i = 1; i < countries.count; ++i) EXPECT_LT(countries[i - 1].Country, countries[i].Country);
  EXPECT_TRUE(IsIsoCountry(203));
  EXPECT_TRUE(IsIsoCountry(728));  // South Sudan
  EXPECT_FALSE(IsIsoCountry(0));
  EXPECT_FALSE(IsIsoCountry(999));

  bool czk = false;
  for (const TksISOCurrency& c : ISOCurrencies()) {
    EXPECT_EQ(c.ISOCountry, 0);
    EXPECT_NE(c.CurrencyName.find('\t'), std::string_view::npos);
    czk = czk || (c.AlphabeticCode == "CZK" && c.NumericCode == 203);
  }
  EXPECT_TRUE(czk);
  EXPECT_TRUE(IsIsoCurrency(978));
  EXPECT_FALSE(IsIsoCurrency(0));
}

}  // namespace
}  // namespace ks
