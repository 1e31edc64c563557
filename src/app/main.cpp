// The program: the core behind the Qt window.
#include "analysis/routes.h"
#include "app/commands.h"
#include "platform/programdir.h"
#include "platform/qt/qtwindow.h"
#include "program/program.h"

#include <cstdio>
#include <optional>

int main(int argc, char** argv) {
    using namespace xiuyun;
    const Text programDirectory = locateProgramDirectory();
    if (!enterProgramDirectory(programDirectory)) {
        std::fputs("xiuyun: no program directory to work in\n", stderr);
        return 1;
    }
    std::optional<Program> program;
    runQtWindow(argc, argv, [&](Window& window) {
        program.emplace(window, programDirectory);
        program->routes = analysisRoutes();
        return commandHandlers(*program);
    });
}
