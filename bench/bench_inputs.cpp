// Writes the batch input files of the benchmark workloads and a manifest for
// bench/compare-peers.sh: bench_inputs DIR [SCALE] writes DIR/<workload>.txt (the
// workload's batch line count times SCALE, one data text per line, for barvello-cli
// --batch and zint --batch alike) and DIR/workloads.tsv, one line per compared workload:
// name, lines, symbology, --set options ("-" for none), width, height, zint options
// (tab-separated).
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/workloads.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: bench_inputs DIR [SCALE]\n";
    return 2;
  }
  const std::string dir = argv[1];
  const double scale = argc == 3 ? std::strtod(argv[2], nullptr) : 1.0;
  if (!(scale > 0)) {
    std::cerr << "bench_inputs: SCALE must be a positive number\n";
    return 2;
  }
  std::ofstream manifest(dir + "/workloads.tsv", std::ios::binary);
  for (const auto& w : bench::Workloads()) {
    if (w.batchLines <= 0) continue;
    const long count = std::max(1L, static_cast<long>(w.batchLines * scale));
    const std::string path = dir + "/" + w.name + ".txt";
    std::ofstream out(path, std::ios::binary);
    for (long i = 0; i < count; ++i) out << w.text(static_cast<uint32_t>(i)) << '\n';
    if (!out) {
      std::cerr << "bench_inputs: cannot write " << path << "\n";
      return 1;
    }
    std::string sets;
    for (const auto& [path, value] : w.sets) sets += (sets.empty() ? "" : " ") + ("--set " + path + "=" + value);
    if (sets.empty()) sets = "-";  // no empty fields: shells read runs of tabs as one
    manifest << w.name << '\t' << count << '\t' << w.symbology << '\t' << sets << '\t' << w.width << '\t' << w.height
             << '\t' << w.zintArgs << '\n';
  }
  if (!manifest) {
    std::cerr << "bench_inputs: cannot write " << dir << "/workloads.tsv\n";
    return 1;
  }
  return 0;
}
