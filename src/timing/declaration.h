#pragma once
// A declared result ("Official" or "No Race") is frozen: the box delay, the beaten-distance rules
// and every time as shown go into the header with the declaration, as the canonical result, and
// the result is shown, printed and published with them until it is reopened, whatever the
// settings say meanwhile. With the steward's key the declaration signs the canonical result.
#include "timing/beaten_distance.h"
#include "timing/result_files.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class Cls_XML_header;

struct Result_Settings {
  int32_t box_delay_ms = 0;
  Distance_Rules rules;
  bool frozen = false; // the declaration's
};
// The settings the result is shown with: the declaration's while there is one, else the live ones.
Result_Settings Result_Settings_For(const Cls_XML_header& header, int32_t live_box_delay_ms,
                                    const Distance_Rules& live_rules);

// The result as it is shown now, under the settings in force, with the recording's ID, audit
// head and the frame-data digest of the file at `recording_path`. Throws like Publish_Result.
Published_Result Current_Result(const Cls_XML_header& header, const QString& recording_path,
                                const Result_Settings& settings);

// Freezes the header's result under `settings` (the live ones when declaring, the frozen ones when
// a declared result changes a name): the canonical result, and its signature when the steward's
// key can be had. Returns why it is unsigned; empty when signed.
QString Freeze_Declaration(Cls_XML_header& header, const QString& recording_path, const Result_Settings& settings);
// A reopened result follows the settings again.
void Clear_Declaration(Cls_XML_header& header);

// What is wrong with the header's declaration: it does not parse, its signature fails, or its
// times, ranks, marks or state are not the header's. Empty when it is sound or there is none.
QString Declaration_Fault(const Cls_XML_header& header);

// The scoreboard JSON of the header's result: the frozen declaration with its signature while
// declared, else the current result.
QByteArray Scoreboard_Json_Of(const Cls_XML_header& header, const Published_Result& current);

// doravent-qn3 verify-result: a scoreboard JSON file checked against its signature, with the given
// public key (hex), else the key it names. `text` says what holds or what does not.
struct Result_File_Check {
  bool holds = false;
  QString text;
};
Result_File_Check Check_Result_File(const QByteArray& bytes, const QString& public_key_hex);
