// The label service program: runs the module TsrvTarnwick as a service, or
// installs / uninstalls it with the switches INSTALL, UNINSTALL and SILENT.
#include "class_library/service/Service.h"
#include "class_library/core/SysUtils.h"
#include "label_service/srvMain.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  TServiceApplication application(nullptr);
  application.Initialize();
  application.CreateForm<TsrvTarnwick>();
  return application.Run();
}
