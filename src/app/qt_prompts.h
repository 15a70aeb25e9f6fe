#pragma once
#include "platform/prompts.h"

#include <QString>
#include <memory>

// The real dialogs, for the running program.
std::unique_ptr<Prompts> Make_Qt_Prompts();
// A filter in the "text|pattern|text|pattern" form as the file dialogs want it
// ("text (pattern);;text (pattern)"); other filters are returned unchanged.
QString Qt_File_Filter(const QString& filter);
