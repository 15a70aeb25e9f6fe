#pragma once
#include <QString>
#include <cstdint>

// The per-user local application-data folder (honours XDG_DATA_HOME), created if missing,
// ending in '/'. Empty text when it cannot be determined or created.
QString Local_AppData_Folder();

// Stored defaults name a Windows drive ("C:", "c:\..."); here that means the user's home folder.
QString Resolve_Drive_Default(const QString& path);

// The path up to and including its last separator; empty when it has none.
QString Folder_Of(const QString& path);
// "<segments> / <megabytes to one decimal> MB".
QString File_Size_Text(int16_t segments, int64_t bytes, int32_t bytes_per_megabyte);

// Empty text when a recording can be written into the capture folder (a drive default means the
// home folder); else the failure's description and number. A folder that does not exist is told
// ("Capture folder does not exist!").
QString Validate_Folder(const QString& capture_folder);
