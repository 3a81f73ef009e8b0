// GS1 settings of a barcode object and the application-identifier machinery: the AI
// table, verification of AI values and element strings, the element view used for
// descriptions, and the three input notations (classic "(AI)value", percent, tilde) that
// turn the user's text into the group-separated data GS1-128, QR Code, Data Matrix and
// PDF417 receive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/errors.h"
#include "engine/export.h"
#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;
struct TksSpecialResult;

// Role of FNC1 in the symbol; fnc1None switches every GS1 processing step off.
enum TksFNC1Type : uint8_t { fnc1None, fnc1FirstPosition, fnc1SecondPosition, fnc1GS1 };
// How the user writes the field separator in the data text.
enum TksFNC1InputType : uint8_t { gs1Separators, gs1Percent, gs1Classic, gs1Tilde };

BARVELLO_ENGINE_API const EnumType& FNC1TypeEnum();
BARVELLO_ENGINE_API const EnumType& FNC1InputTypeEnum();

// The FNC1 / field separator every notation produces (ASCII GS).
inline constexpr char16_t kGroupSeparator = 29;

// The roles that make a symbol a GS1 symbol (FNC1 in first position).
BARVELLO_ENGINE_API bool IsGS1Role(TksFNC1Type t);

enum TksAIType : uint8_t {
  aiInteger, aiFloat, aiString, aiDate, aiDateTimeMinutes, aiDateTimeSeconds,
  aiISO_Country, aiISO_CountryMulti, aiISO_Currency
};

enum TksCheckSum : uint8_t {
  chUndefined, chNone, chGS, chMod10, chMod43, chMod11, chMod11_10, chMod37_2,
  chReedSolomon, chCRC, chGS1_Standard, chGS1_4DigitPrice, chGS1_5DigitPrice
};

// One application identifier. A final 'X' in AI matches any character in that place.
struct TksGS1Item {
  std::string_view AI;
  bool FNC1;
  std::string_view Title;
  std::string_view Description;
  TksAIType AIType;
  int LenMin;
  int LenMax;
  TksCheckSum CheckSum;
  bool SecUsed;
  std::string_view SecTitle;
  std::string_view SecDescription;
  TksAIType SecAIType;
  int SecLenMin;
  int SecLenMax;
};

inline constexpr int kGS1ItemCount = 115;
// Row idx of the AI table (0 <= idx < kGS1ItemCount).
BARVELLO_ENGINE_API const TksGS1Item& GS1Item(int idx);

class BARVELLO_ENGINE_API TksGS1 : public TksPersistent {
 public:
  explicit TksGS1(TksBarcodeComponent* parent);  // CreateBarcode

  TksBarcodeComponent* BarcodeObject() const { return FBarcodeComponent; }

  // ---- published properties ----
  TksFNC1Type FNC1Type() const { return FFNC1Type; }
  void SetFNC1Type(TksFNC1Type value);
  TksFNC1InputType FNC1InputType() const { return FFNC1Input; }
  void SetFNC1InputType(TksFNC1InputType value);

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

  // ---- AI table ----
  // Table index of an AI ("3103" finds 310X), or -1.
  static int LocateAI(std::u16string_view ai);
  static bool idxOK(int idx);
  // Length and digit checks of one value; on failure fills err and answers false. The
  // by-name form answers false without touching err when the AI is unknown.
  static bool VerifyAI(std::u16string_view ai, std::u16string_view value, TksErrRecord& err);
  static bool VerifyAI(int aiIdx, std::u16string_view value, TksErrRecord& err);

  // ---- classic notation "(AI)value(AI)value..." ----
  // Number of elements that passed; err.Err is erOK or the first error, Position
  // 1-based into s.
  static int Verify(std::u16string_view s, TksErrRecord& err);
  // The idx-th element (1-based): its AI and value; answers the AI's table index or -1.
  static int GetElement(std::u16string_view s, int idx, std::u16string& ai, std::u16string& value);
  // The value as shown to people: decimal point for weights and measures, dates as
  // day.month.year.
  static std::u16string GetElementVisual(int idx, std::u16string_view ai, std::u16string_view value,
                                         TksErrRecord& err);
  // "YYMMDD" as "D.M.YYYY" (years 00..50 are 20xx, 51..99 are 19xx).
  static std::u16string DecodeDateString(std::u16string_view s);
  // One line per element, "TITLE:value", lines joined by CR LF; empty when nothing passes.
  static std::u16string GetDescription(std::u16string_view s);

  // ---- element strings (AIs without parentheses, group separators) ----
  // Reads s as a GS1 reader does and verifies each element with VerifyAI: answers the
  // number of elements that passed; err.Err is erOK or the first error, Position 1-based
  // into s.
  static int VerifyElementString(std::u16string_view s, TksErrRecord& err);
  // The one GS1 rule of every GS1 symbol: the data text in this object's notation (a
  // text that begins with "(" is read in the classic notation whatever the setting) as a
  // verified element string without a trailing separator. Empty, with the first error in
  // err, when the text is not a valid element string.
  std::u16string ElementString(std::u16string_view text, TksErrRecord& err) const;

  // ---- special symbols, commands and check digits ----
  static bool IsSpecial(std::u16string_view s, int index, TksSpecialResult& result);
  static std::u16string RemoveCommands(std::u16string_view s);
  static bool CalcCheckDigit(std::u16string_view s, int totalLen, int version);

  // ---- notations converted to group-separated data ----
  static std::u16string Prepare(std::u16string_view s, TksErrRecord& err);       // gs1Classic
  static std::u16string PreparePerc(std::u16string_view s, TksErrRecord& err);   // gs1Percent
  static std::u16string PrepareTilde(std::u16string_view s, TksErrRecord& err);  // gs1Tilde

  // The text an encoder receives for these settings; errors only through err.
  std::u16string SolveGS1(std::u16string_view barcode, TksErrRecord& err) const;

 private:
  TksBarcodeComponent* FBarcodeComponent;
  TksFNC1Type FFNC1Type = fnc1None;
  TksFNC1InputType FFNC1Input = gs1Separators;
};

// The barcode object's SolveGS1: its stored data text prepared by its GS1 settings; in a
// GS1 role the verified element string (GS1ElementString). A GS1 error is raised through
// the object's error channel (bc.BarcodeRaise), so this answers only on success. QR Code,
// Data Matrix and PDF417 call this; they read bc.Params().GS1().FNC1Type() themselves to
// place the FNC1 codeword.
BARVELLO_ENGINE_API std::u16string SolveGS1(TksBarcodeComponent& bc);

// `text` as the verified element string of bc's GS1 settings (TksGS1::ElementString);
// raises the first GS1 error through bc. GS1-128 and the 2D symbols in a GS1 role use it.
BARVELLO_ENGINE_API std::u16string GS1ElementString(TksBarcodeComponent& bc, std::u16string_view text);

// ---- special symbols of the input syntax (IsSpecial) ----

enum TksSpecialSymbol : uint8_t { scASCII, scFNC1, scFNC2, scFNC3, scFNC4, scECI, scGLI0, scGLI1,
                                  scSegmentCount, scSegmentIndex, scFilename, scTimeStamp, scSender,
                                  scAddress, scFilesize, scChecksum, scStartA, scStartB, scStartC,
                                  scShift };

struct TksSpecialResult {
  TksSpecialSymbol Symbol = scASCII;
  std::u16string Cmd;
  int ValueInteger = 0;
  std::u16string ValueString;
  int NextIndex = 0;
  bool Error = false;
};

// ---- ISO 3166-1 countries and ISO 4217 currencies (gs1_reference.cpp) ----

struct TksISOCountry {
  std::string_view Country;
  std::string_view A2;
  std::string_view A3;
  int ISOCode;
};

struct TksISOCurrency {
  int ISOCountry;
  std::string_view CurrencyName;  // entity, a tab, the currency's name
  std::string_view AlphabeticCode;
  int NumericCode;
};

template <class T>
struct TableView {
  const T* rows;
  int count;
  const T* begin() const { return rows; }
  const T* end() const { return rows + count; }
  const T& operator[](int i) const { return rows[i]; }
};

BARVELLO_ENGINE_API TableView<TksISOCountry> ISOCountries();
BARVELLO_ENGINE_API TableView<TksISOCurrency> ISOCurrencies();
// Whether a numeric code is an ISO 3166-1 country, an ISO 4217 currency.
BARVELLO_ENGINE_API bool IsIsoCountry(int numericCode);
BARVELLO_ENGINE_API bool IsIsoCurrency(int numericCode);

}  // namespace ks
