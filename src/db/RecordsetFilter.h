#pragma once
#include <memory>
#include <string>
#include <vector>

#include "db/Recordset.h"

namespace fo {

// A compiled Filter expression of a Recordset: decides whether a row is visible.
class RecordsetFilter {
public:
    virtual ~RecordsetFilter() = default;
    virtual bool matches(const std::vector<Value>& row) const = 0;

    // Compiles `expression` against the set's fields; throws DbError(BadFilter)
    // when it is not understood or names an unknown field.
    static std::shared_ptr<const RecordsetFilter> compile(const std::string& expression,
                                                       const std::vector<FieldInfo>& fields);
};

}  // namespace fo
