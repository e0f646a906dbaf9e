#include "db/EngineRegistry.h"

#include <map>
#include <mutex>

#include "db/values/TextCase.h"

namespace fo {
namespace {

// Engines are registered at a host's start and read at every open: a lock,
// since a connection may open on another thread (a side database).
struct Registry {
    std::mutex lock;
    std::map<std::string, EngineFactory> byProvider;  // lower-case names
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

void registerEngine(const std::string& provider, EngineFactory factory) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.byProvider[lowerAscii(trimWhitespace(provider))] = std::move(factory);
}

bool unregisterEngine(const std::string& provider) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.byProvider.erase(lowerAscii(trimWhitespace(provider))) > 0;
}

EngineFactory registeredEngine(const std::string& provider) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const auto it = r.byProvider.find(lowerAscii(trimWhitespace(provider)));
    return it == r.byProvider.end() ? EngineFactory() : it->second;
}

}  // namespace fo
