#pragma once
#include <QString>

// Makes the desktop open recordings (".qn3", and ".qn2" as the system names it) with this
// program: installs the MIME type, the desktop entry and the icon in the user's data folder and
// refreshes the desktop's caches when their tools are present. The executable defaults to the
// running program. False when a file could not be written.
bool Associate_File_Type(const QString& executable = {});

// The Exec key's program part for a path: quoted and escaped as desktop entries require.
QString Desktop_Exec_Quote(const QString& path);

// The installed files, under the user's data folder.
inline const QString Mime_Package_File = QStringLiteral("mime/packages/doravent-qn3.xml");
inline const QString Desktop_Entry_File = QStringLiteral("applications/doravent.desktop");
inline const QString Icon_File = QStringLiteral("icons/hicolor/scalable/apps/doravent.svg");
