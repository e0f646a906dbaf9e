#include "support/FakeHostSystem.h"

#include "host/api/ModuleGlobals.h"

namespace fo::test {

ConnectionPtr FakeHostSystem::pGetCN() { return openConnection(linkString_); }
ConnectionPtr FakeHostSystem::pgettrcn() { return openConnection(linkString_); }

ScopedHost::ScopedHost(std::shared_ptr<HostSystem> host, std::string transLinkString)
    : previousHost_(globals().host), previousTransLink_(globals().transLinkString) {
    globals().host = std::move(host);
    globals().transLinkString = std::move(transLinkString);
}

ScopedHost::~ScopedHost() {
    globals().host = std::move(previousHost_);
    globals().transLinkString = std::move(previousTransLink_);
}

}  // namespace fo::test
