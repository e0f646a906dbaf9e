#include "batch/CounterBlocks.h"

#include <algorithm>
#include <stdexcept>

namespace fo::batch {

std::string CounterBlocks::take(Pool& pool, const std::string& name, Draw draw) {
    std::deque<std::string>& values = pool[name];
    if (values.empty()) {
        const int count = static_cast<int>(std::clamp<long>(left_, 1, 1L << 20));
        const std::vector<std::string> drawn = (host_.*draw)(name, count);
        if (drawn.empty()) throw std::logic_error("the host drew no value of " + name);
        values.assign(drawn.begin(), drawn.end());
    }
    std::string value = std::move(values.front());
    values.pop_front();
    return value;
}

}  // namespace fo::batch
