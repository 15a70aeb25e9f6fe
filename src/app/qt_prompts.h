#pragma once
#include "platform/prompts.h"

#include <memory>

// The real dialogs, for the running program.
std::unique_ptr<Prompts> Make_Qt_Prompts();
