// The one application object of the program.
#include "app/update_app.h"

CUpdateApp theApp;
