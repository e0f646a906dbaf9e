#pragma once
#include "FeeOfficeApi.h"

#include <functional>
#include <memory>
#include <string>

#include "db/Engine.h"

namespace fo {

// A database engine of the host's own: what opens a session for a
// connection string whose Provider names it. A host that reaches its
// database another way (ODBC, a pool of its own) implements Engine and
// registers it here; every connection of the module (myDB, the host's own
// through openConnection) then opens through it, with the dialects and
// statements unchanged. It throws DbError when it cannot open.
using EngineFactory = std::function<std::unique_ptr<Engine>(const ConnectionStringParts& parts,
                                                            int timeoutSeconds, OpenMode mode)>;

// Makes `provider` ("Provider=NAME", matched without regard to case) open
// through `factory`, in place of any engine registered under that name
// before. The built-in engines (SQLite, PostgreSQL links) stay as they are
// for every other provider. Call it before the first connection opens.
FEEOFFICE_API void registerEngine(const std::string& provider, EngineFactory factory);

// Forgets the engine registered as `provider`; true when there was one.
FEEOFFICE_API bool unregisterEngine(const std::string& provider);

// The factory registered for `provider` (a copy, so a registration made
// meanwhile does not pull it away); empty when there is none.
EngineFactory registeredEngine(const std::string& provider);

}  // namespace fo
