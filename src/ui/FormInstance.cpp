#include "ui/FormInstance.h"

#include <vector>

namespace fo {
namespace {
std::vector<std::function<void()>>& releasers() {
    static std::vector<std::function<void()>> r;
    return r;
}
}  // namespace

void FormInstances::addReleaser(std::function<void()> release) { releasers().push_back(std::move(release)); }

void FormInstances::releaseAll() {
    for (auto& r : releasers()) r();
}

}  // namespace fo
