#pragma once
#include <functional>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/Currency.h"
#include "host/api/HostSystem.h"

// Reductions in force that already reduced what a batch is about to reduce
// again: a clerk who runs the same batch twice (each time from a fresh
// window) gives every student a second reduction of the same item and
// period, which the dues allow as long as something is left. The batch
// windows name these and post only when the clerk confirms.
namespace fo::jmjl {

// One item of one period a batch reduces for one student.
struct BatchItem {
    std::string xsid, itemId, itemName, period;
};

// A live reduction record of the same student that reduced the same item in
// the same period: one that settled stored arrears rows of that period, or
// one that settled none and is dated within the period (the period of the
// item's kind that holds its date, or the one-off period).
struct EarlierReduction {
    BatchItem item;  // what the batch would reduce again
    std::string djbh;
    Currency amount;  // what that record took off the item
};

// The earlier reductions of every item of `items`, read on `cn`, in the
// order of `items`. The host's period object is left on the month it was on.
std::vector<EarlierReduction> earlierReductions(Connection& cn, HostSystem& run, const std::vector<BatchItem>& items);

// The question for the clerk: each earlier record named with its student
// (`who` gives the student's number and name for an id), the first ten.
std::string secondReductionQuestion(const std::vector<EarlierReduction>& earlier,
                                    const std::function<std::string(const std::string&)>& who);

}  // namespace fo::jmjl
