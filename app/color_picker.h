// TksColorPicker: a button showing a colour swatch; clicking it asks for a new colour.
#pragma once

#include <QPushButton>
#include <functional>

#include "engine/ksmath.h"

namespace ks {

class TksColorPicker : public QPushButton {
  Q_OBJECT

 public:
  explicit TksColorPicker(QWidget* parent = nullptr);

  TColor Color() const { return color_; }
  // Shows the colour without announcing a change.
  void SetColor(TColor c);

  // Asks for a colour, starting from `color`; returns false when cancelled. The default
  // shows a QColorDialog; tests replace it.
  std::function<bool(QWidget* parent, TColor& color)> ColorDialog;

 signals:
  // The user picked a colour different from the shown one.
  void changed();

 private:
  void Pick();
  void UpdateSwatch();
  TColor color_ = clBlack;
};

}  // namespace ks
