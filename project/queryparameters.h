#pragma once

/*
** Which parameters a browse query (QrToBrowse) holds, and which request
** values (Input) they name: the one rule the generator, the wizard's
** query page (its pop-up of request values, the sample values "Execute
** Now!" asks for, the summary, the check at Next) and anyone else use.
**
** A parameter is a ":Name" mark as platform/sqlmarks.h finds it: not
** inside string literals, quoted identifiers or comments, and not a
** PostgreSQL cast ("::text").  It names a request value when Name equals
** one of the project's Input entries without regard to letter case (both
** are Pascal identifiers, and Pascal ignores case).  Each name appears
** once, in the order of its first mark, spelled as that mark spells it.
*/

#include "project/wizardproject.h"

#include <string>
#include <vector>

namespace quillon {

struct QueryParameter
{
    std::string name;         // as the query's first mark writes it, without ":"
    std::string requestValue; // the Input entry it names, as Input spells it; empty when none
};

std::vector<QueryParameter> queryParameters(const std::string &sql, const StringList &requestValues);

} // namespace quillon
