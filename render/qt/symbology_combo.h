// TksComboBox: a drop-down list of the symbologies of the catalogue, each entry carrying
// its enumeration value, optionally limited to the supported ones.
#pragma once

#include <QComboBox>
#include <cstdint>

#include "engine/symbology.h"

namespace ks {

enum TksBoxOption : uint8_t { bxOnlySupported };
using TksBoxOptions = uint32_t;  // bit i = option i
inline constexpr TksBoxOptions BoxOptionBit(TksBoxOption o) { return 1u << o; }

// Text appended to the entry of a symbology that cannot be painted.
inline constexpr const char* kUnsupportedSuffix = " (nepodporováno)";

class TksComboBox : public QComboBox {
  Q_OBJECT

 public:
  // A drop-down list without free text, built from the catalogue with entry 0 selected.
  explicit TksComboBox(QWidget* parent = nullptr, TksBoxOptions options = 0);

  TksBoxOptions Options() const { return FOptions; }
  // Stores the options and rebuilds the list, leaving nothing selected.
  void SetOptions(TksBoxOptions options);

  // bcNone when nothing is selected.
  TksBarcodeSymbology SelectedSymbology() const;
  // Selects the entry of the symbology; none when the list does not hold it.
  void SetSelectedSymbology(TksBarcodeSymbology value);

  // Clears the list and adds the symbologies in enumeration order.
  void BuildList();

  // The symbology an entry carries (bcNone for an index outside the list).
  static TksBarcodeSymbology EntrySymbology(const QComboBox& box, int index);

 private:
  TksBoxOptions FOptions = 0;
};

}  // namespace ks
