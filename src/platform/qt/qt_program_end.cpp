#include "platform/qt/qt_program_end.h"

#include <QApplication>
#include <QTimer>

namespace platform::qt {

void QtProgramEnd::endProgram() {
    ended_ = true;
    QApplication::closeAllWindows();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace platform::qt
