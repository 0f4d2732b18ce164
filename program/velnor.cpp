#include "Unit1.h"
#include "WSockUtils.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[]) {
  WSockUtils::initialize();
  int exitCode;
  {
    QApplication application(argc, argv);
    auto form1 = std::make_unique<TForm1>();
    form1->show();
    exitCode = application.exec();
    // Destroying the window saves its bounds, while WinSock is still started.
    form1.reset();
  }
  WSockUtils::finalize();
  return exitCode;
}
