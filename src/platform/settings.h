#pragma once
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

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

// A goal line as x1, y1, x2, y2 in image pixels.
using Goal_Line_Points = std::array<int32_t, 4>;

// nullopt for a text of 6 characters or fewer (no line stored) or one that is not four
// whole numbers joined by commas.
std::optional<Goal_Line_Points> Parse_Goal_Line(const QString& text);
QString Format_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// The stored goal line of camera 1 (goal) or 2 (split); nullopt when none or unusable.
std::optional<Goal_Line_Points> Read_Goal_Line(int16_t camera);
int16_t Save_Goal_line(int16_t camera, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
