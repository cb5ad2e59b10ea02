#include "shell/DesktopProgram.h"

#include <QApplication>

namespace marbrel {

int runDesktopProgram(int argc, char** argv) {
  QApplication application(argc, argv);
  return application.exec();
}

}  // namespace marbrel
