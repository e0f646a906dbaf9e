#pragma once
#include <unistd.h>

#include <string>
#include <vector>

#include "data/PgFeeSchema.h"
#include "support/PgTestServer.h"

namespace fo::test {

// Databases a test makes on the test cluster itself, not from a template:
// each name is this process's own, dropped when asked for (a run before may
// have left it) and again when the object goes.
class ScratchPgDatabases {
public:
    ~ScratchPgDatabases() {
        for (const std::string& link : made_) dropPgDatabase(link);
    }
    // The link string of database `name`_PID, which is not there.
    std::string fresh(const std::string& name) {
        made_.push_back(pgTestLink(name + "_" + std::to_string(::getpid())));
        dropPgDatabase(made_.back());
        return made_.back();
    }

private:
    std::vector<std::string> made_;
};

}  // namespace fo::test
