#include "data/PasswordHash.h"

#include <sodium.h>

#include <stdexcept>

namespace fo::password {
namespace {

void ensureSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw std::runtime_error("libsodium could not be initialised");
}

}  // namespace

std::string hash(const std::string& clear) {
    ensureSodium();
    char out[crypto_pwhash_argon2id_STRBYTES];
    if (crypto_pwhash_argon2id_str(out, clear.data(), clear.size(), crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE,
                                   crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return out;
}

bool matches(const std::string& stored, const std::string& clear) {
    if (!isHash(stored)) return false;
    ensureSodium();
    return crypto_pwhash_argon2id_str_verify(stored.c_str(), clear.data(), clear.size()) == 0;
}

bool isHash(const std::string& text) {
    return text.rfind("$argon2id$", 0) == 0 && text.size() < crypto_pwhash_argon2id_STRBYTES;
}

}  // namespace fo::password
