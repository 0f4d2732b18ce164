#include "WSockUtils.h"

#include <QApplication>

int main(int argc, char *argv[]) {
  WSockUtils::Initialize();
  int exitCode;
  {
    QApplication application(argc, argv);
    exitCode = application.exec();
  }
  WSockUtils::Finalize();
  return exitCode;
}
