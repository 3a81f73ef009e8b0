// A canvas that records Windows metafile records: EMF (enhanced) or WMF (old-style with
// a placeable header). Text is measured with the same font metrics as the raster canvas.
#pragma once

#include <string>
#include <vector>

#include "render/canvas.h"

namespace ks {

class MetafileCanvas : public Canvas {
 public:
  // A surface of width x height pixels at 96 dots per inch.
  MetafileCanvas(int width, int height);
  ~MetafileCanvas() override;

  void Polygon(const std::vector<TPoint>& pts) override;
  void Rectangle(const TRect& r) override;
  void FillRect(const TRect& r) override;
  void Line(TPoint a, TPoint b) override;
  void Polyline(const std::vector<TPoint>& pts) override;
  void TextOut(int x, int y, const std::u16string& text) override;
  int TextWidth(const std::u16string& text) override;
  int TextHeight(const std::u16string& text) override;
  int AverageCharWidth() override;

  // The complete files, deterministic (no time stamps).
  std::string EmfBytes() const;
  std::string WmfBytes() const;

 private:
  MetafileCanvas(const MetafileCanvas&) = delete;
  MetafileCanvas& operator=(const MetafileCanvas&) = delete;
  struct Impl;
  Impl* impl_;
};

}  // namespace ks
