#include <QApplication>

#include "application.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    shell::Application program;
    return program.run();
}
