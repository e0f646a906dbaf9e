// A wait for another program's write lock shows the wait pointer, as any
// long operation of a window does.
#include <gtest/gtest.h>

#include <vector>

#include "db/DbError.h"
#include "support/TempFeeDb.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

class PointerLog final : public HeadlessUi {
public:
    std::vector<bool> changes;

protected:
    void waitCursorChanged(bool busy) override { changes.push_back(busy); }
};

TEST(LockWait, AWaitForAnotherProgramsLockShowsTheWaitPointerForItsLength) {
    TempFeeDb db;
    PointerLog ui;
    ui.install();
    auto holder = db.open();
    auto clerk = db.open();
    clerk->setCommandTimeout(1);
    holder->beginTrans();

    EXPECT_THROW(clerk->beginTrans(), DbError);
    EXPECT_EQ(ui.changes, (std::vector<bool>{true, false}));
    EXPECT_FALSE(ui.waitCursorShown());

    // A window that showed the pointer itself keeps it after the wait.
    gMOpen();
    EXPECT_THROW(clerk->beginTrans(), DbError);
    EXPECT_TRUE(ui.waitCursorShown());
    gMclose();

    // No lock held, no wait, no pointer.
    ui.changes.clear();
    holder->rollbackTrans();
    EXPECT_NO_THROW(clerk->beginTrans());
    EXPECT_TRUE(ui.changes.empty());
    clerk->rollbackTrans();
}

}  // namespace
}  // namespace fo::test
