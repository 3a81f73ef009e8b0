#include "render/qt/symbology_combo.h"

#include <QString>

namespace ks {

TksComboBox::TksComboBox(QWidget* parent, TksBoxOptions options) : QComboBox(parent), FOptions(options) {
  setEditable(false);
  BuildList();
  setCurrentIndex(count() > 0 ? 0 : -1);
}

void TksComboBox::SetOptions(TksBoxOptions options) {
  FOptions = options;
  BuildList();
}

void TksComboBox::BuildList() {
  const bool onlySupported = (FOptions & BoxOptionBit(bxOnlySupported)) != 0;
  clear();
  for (int i = bcNone; i < kSymbologyRows; ++i) {
    const auto symbology = static_cast<TksBarcodeSymbology>(i);
    const TksBarCodeInfo info = SymbologyInfo(symbology, u"");
    if (onlySupported && !info.Supported) continue;
    QString text = QString::fromStdString(info.Name);
    if (!info.Supported) text += QString::fromUtf8(kUnsupportedSuffix);
    addItem(text, QVariant(i));
  }
  setCurrentIndex(-1);
}

TksBarcodeSymbology TksComboBox::EntrySymbology(const QComboBox& box, int index) {
  if (index < 0 || index >= box.count()) return bcNone;
  bool ok = false;
  const int value = box.itemData(index).toInt(&ok);
  if (!ok || value < 0 || value >= kSymbologyRows) return bcNone;
  return static_cast<TksBarcodeSymbology>(value);
}

TksBarcodeSymbology TksComboBox::SelectedSymbology() const { return EntrySymbology(*this, currentIndex()); }

void TksComboBox::SetSelectedSymbology(TksBarcodeSymbology value) {
  setCurrentIndex(findData(QVariant(static_cast<int>(value))));
}

}  // namespace ks
