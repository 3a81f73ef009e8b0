// Writes batch input files of the benchmark workloads: bench_inputs DIR COUNT writes
// DIR/<workload>.txt with COUNT data texts, one per line, for barvello-cli --batch and
// zint --batch alike.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/workloads.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: bench_inputs DIR COUNT\n";
    return 2;
  }
  const std::string dir = argv[1];
  const long count = std::strtol(argv[2], nullptr, 10);
  if (count <= 0) {
    std::cerr << "bench_inputs: COUNT must be a positive number\n";
    return 2;
  }
  for (const auto& w : bench::Workloads()) {
    const std::string path = dir + "/" + w.name + ".txt";
    std::ofstream out(path, std::ios::binary);
    for (long i = 0; i < count; ++i) out << w.text(static_cast<uint32_t>(i)) << '\n';
    if (!out) {
      std::cerr << "bench_inputs: cannot write " << path << "\n";
      return 1;
    }
  }
  return 0;
}
