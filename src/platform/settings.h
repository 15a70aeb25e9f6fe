#pragma once
#include <QString>
#include <cstdint>

// The one settings store: an INI file read and written key by key. Section and key names
// compare without regard to case; each call opens, uses and closes the file.

// The value under section/key, cut to 512 characters; the default when the value is empty,
// "N/A" when the default is empty too. An empty path shows "Ini_file_path is empty!" and
// yields an empty text. A file that cannot be read or is not a text file reads as empty.
QString Read_Ini_Value(const QString& section, const QString& key, const QString& file_path,
                       const QString& default_value);

// 1 on success, 0 on failure (after showing the failure). The file is replaced as a whole,
// so a failed write leaves the old file as it was.
int16_t Write_Ini_Value(const QString& section, const QString& key, const QString& value, const QString& file_path);

// Window positions in twips, section windowpos.
void Store_Form_Pos(const QString& name, int32_t left, int32_t top, int16_t width, int16_t height);
void Get_Form_Pos(const QString& name, int16_t& left, int16_t& top, int16_t& width, int16_t& height);

// Fills program().CPU_Bitness and OS_Bitness, caching them in the settings file.
void Check_Bitness();

// Reads the three delays into program(); a value that is not a whole number is reported and
// all three delays keep their previous values.
void Load_Compensations();

// A check box of the settings window as the file holds it (section Settings): a whole number
// other than 0 is on; a missing or damaged value is off.
bool Setting_Checked(const QString& key, bool default_on = false);
// The whole number under `key` of [Settings]; `fallback` when it is missing or not a number.
int64_t Setting_Number(const QString& key, int64_t fallback);
