#pragma once

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QtGlobal>

namespace orvelan::bench {

// Runs the benchmarks of this program inside the Qt application object they need
// (QCoreApplication, QGuiApplication or QApplication), on the offscreen platform unless another
// is set.
template <class Application> int runQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace orvelan::bench
