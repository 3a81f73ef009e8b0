// Setting up a barcode object for a workload, the same way barvello-cli does: the
// symbology, then every --set in order; the data text comes last, per iteration.
#pragma once

#include <string>
#include <vector>

#include "bench/workloads.h"
#include "engine/barcode.h"
#include "engine/persistent.h"
#include "engine/ustring.h"

namespace bench {

// Enough different texts that caches do not see one text over and over.
inline constexpr int kTextCount = 64;

inline bool Configure(const Workload& w, ks::TksBarcodeComponent& bc) {
  bc.ErrorInfo().SetMode(ks::emStandardRaise);
  if (ks::SetPropertyText(bc, "BarcodeSymbology", w.symbology) != ks::SetResult::Ok) return false;
  for (const auto& [path, value] : w.sets)
    if (ks::SetPropertyText(bc, path, value) != ks::SetResult::Ok) return false;
  return true;
}

inline std::vector<std::u16string> Texts(const Workload& w, int count) {
  std::vector<std::u16string> texts;
  for (int i = 0; i < count; ++i) texts.push_back(ks::FromUtf8(w.text(static_cast<uint32_t>(i))));
  return texts;
}

}  // namespace bench
