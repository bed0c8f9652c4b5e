// The Linux program: the Qt back end, PCRE2 behind the regex object, libcurl
// behind the HTTP paths and the machine's clock, with the deployment values
// fixed at build time. It reads no command line, environment or file of its
// own (Qt may still take its standard platform options).

#include <QApplication>

#include "app/built_program.h"
#include "runtime/qt/qt_runtime.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    qorvex::runtime::qt::QtRuntime runtime;
    return qorvex::app::run_built_program(runtime);
}
