// TksEditorColorButton: the editor's colour control, a button showing a swatch of its
// colour; clicking it opens the colour dialog.
#pragma once

#include <QPushButton>

#include "engine/ksmath.h"

namespace ks {

class TksEditorColorButton : public QPushButton {
  Q_OBJECT

 public:
  explicit TksEditorColorButton(QWidget* parent = nullptr);

  TColor Color() const { return color_; }
  // Shows `c`; announces colorChanged when it differs from the shown colour.
  void SetColor(TColor c);

 signals:
  void colorChanged();

 private:
  void Pick();
  void UpdateSwatch();
  TColor color_ = clBlack;
};

}  // namespace ks
