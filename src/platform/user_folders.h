#pragma once
#include <QString>

// The per-user local application-data folder (honours XDG_DATA_HOME), created if missing,
// ending in '/'. Empty text when it cannot be determined or created.
QString Local_AppData_Folder();

// Stored defaults name a Windows drive ("C:", "c:\..."); here that means the user's home folder.
QString Resolve_Drive_Default(const QString& path);
