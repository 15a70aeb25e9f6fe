#pragma once
#include "platform/prompts.h"

#include <QString>
#include <memory>

// The real dialogs, for the running program.
std::unique_ptr<Prompts> Make_Qt_Prompts();
// A filter in the "text|pattern|text|pattern" form as the file dialogs want it
// ("text (pattern);;text (pattern)"); other filters are returned unchanged.
QString Qt_File_Filter(const QString& filter);
// No person to ask (a race script plays): every question takes its default answer and every
// message and beep is written to the standard error, so the run can be followed.
std::unique_ptr<Prompts> Make_Default_Answer_Prompts();
