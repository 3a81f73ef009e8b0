// Entry of the benchmark suite. Painting text needs a Qt application object; it is
// created offscreen before the benchmarks run when the image benchmarks are built in.
#include <benchmark/benchmark.h>

#ifdef BARVELLO_BENCH_IMAGES
#include <QGuiApplication>
#endif

int main(int argc, char** argv) {
#ifdef BARVELLO_BENCH_IMAGES
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char name[] = "barvello_bench";
  char* qtArgv[] = {name, nullptr};
  QGuiApplication app(qtArgc, qtArgv);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
