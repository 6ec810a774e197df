// ReturnInfo: the user function through which a script's Info reports its description.
#pragma once

#include "script_api.h"

// Arguments: text name, text author, four integers. ScriptInfo's name and author are
// emptied and receive the texts, its version the four integers. A name or author longer
// than 1023 bytes is refused: nothing changes and the call fails (0).
int32_t SCRIPTAPI ReturnInfo(ScriptElement* arguments);
