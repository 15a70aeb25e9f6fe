#pragma once
// A change of the recording's heat data as one step: made in memory, written to the file at
// once, and taken back when the file refuses it, so what is shown and ranked is what the file
// holds.
#include <functional>

class cls_VideoFile_handler;

// Runs `change` on the recording's header and rewrites it. False when the write failed (the
// handler has reported it) or the change threw: the header in memory is then as before.
bool Write_Header_Change(cls_VideoFile_handler& recording, const std::function<void()>& change);
