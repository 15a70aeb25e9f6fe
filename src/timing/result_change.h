#pragma once
// A change of a heat's result as the officials need it: refused on a declared result when it
// would change times, written into the recording's header, appended to the recording's audit
// trail and published in the result files, all on the disk before it is reported done.
#include "recording/audit_trail.h"

#include <QString>
#include <functional>
#include <vector>

class Cls_XML_header;
class cls_VideoFile_handler;

// The values of a result the audit trail follows, in a fixed order: the result state, the event
// and heat names, then per box 1 to 8 its time, split, dead-heat mark and dog name.
struct Result_Value {
  QString what;
  QString text;
  bool timing = false; // a time, split or dead-heat mark: frozen while the result is declared
};
std::vector<Result_Value> Read_Result_Values(const Cls_XML_header& header);
// The values that differ, with their old and new texts.
std::vector<Audit_Change> Result_Changes(const std::vector<Result_Value>& before,
                                         const std::vector<Result_Value>& after);
// How a stored goal or split time reads in the trail: "31250 ms", "DNF", "DSQ", "No Rnk", "not set".
QString Audit_Time_Text(int32_t ms);

// Shows "File is read only!" and answers true when the open recording may not be changed: the
// first step of every command that would change it.
bool Refuse_Read_Only(const cls_VideoFile_handler& recording);

// True, after telling the operator, when the recording's result is declared ("Official" or
// "No Race") and so takes no time changes until it is reopened.
bool Refuse_Declared_Result(const cls_VideoFile_handler& recording);

// Runs `change` on the recording's header; the values it changed go into the audit trail under
// `command`, then the header naming the trail's new head is written (Write_Header_Change), and the
// result files are written again. Declaring freezes the result (declaration.h), reopening thaws
// it. False when the header could not be written (the recording has reported it; the trail is
// cut back) or the change moved a time of a declared result (refused with a message): the header
// is then as before and nothing is published. A trail or result file that cannot be written is
// reported and the change stands. A change that throws is taken back and the exception passed on.
bool Write_Result_Change(cls_VideoFile_handler& recording, const QString& command, const std::function<void()>& change);

// Writes the result files of the recording's result as it stands; failures are reported.
void Publish_Result_Files(cls_VideoFile_handler& recording);

// Boxes 1 to 8 lose frame, times, click time and dead-heat mark: the change "Clear result" makes.
void Clear_Box_Results(cls_VideoFile_handler& recording);
