#pragma once
#include <gtest/gtest.h>

#include "db/DbError.h"

namespace fo::test {

// The error `action` throws; when it throws none, a test failure and an
// error of code 0.
template <class Action>
DbError errorOf(Action&& action) {
    try {
        action();
    } catch (const DbError& e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return DbError(0, "");
}

}  // namespace fo::test
