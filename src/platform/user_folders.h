#pragma once
#include <QString>

// The per-user local application-data folder (honours XDG_DATA_HOME), created if missing,
// ending in '/'. Empty text when it cannot be determined or created.
QString Local_AppData_Folder();
