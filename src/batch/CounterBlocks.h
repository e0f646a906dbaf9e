#pragma once
#include <deque>
#include <map>
#include <vector>
#include <string>

#include "host/api/HostSystem.h"

namespace fo::batch {

// The ids and document numbers of one batch posting, drawn from the host in
// blocks: the first value a counter is asked for brings as many as the
// records still to post need, so a batch of N students draws each counter
// about once instead of N times. A counter one record needs more of (a
// student with several arrears rows to carry on) draws again, for what is
// left. Values a posting leaves unused are never handed out again: a gap,
// as a refused or rolled-back posting leaves one.
class CounterBlocks {
public:
    CounterBlocks(HostSystem& host, long records) : host_(host), left_(records) {}

    // The next record of the posting begins; the one before is done.
    void startRecord() {
        if (started_ && left_ > 1) --left_;
        started_ = true;
    }
    std::string id(const std::string& counter) { return take(ids_, counter, &HostSystem::pGetMaxIds); }
    std::string number(const std::string& prefix) { return take(numbers_, prefix, &HostSystem::pGetBillNums); }

private:
    using Pool = std::map<std::string, std::deque<std::string>>;
    using Draw = std::vector<std::string> (HostSystem::*)(const std::string&, int);
    std::string take(Pool& pool, const std::string& name, Draw draw);

    HostSystem& host_;
    long left_;  // records not yet posted, the one under way included
    bool started_ = false;
    Pool ids_, numbers_;
};

}  // namespace fo::batch
