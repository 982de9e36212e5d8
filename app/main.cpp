// The program's one application object, constructed during static initialisation.
#include "app/uninstall_app.h"

CUninstallApp theApp;
