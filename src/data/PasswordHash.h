#pragma once
#include <string>

namespace fo::password {

// Operators' passwords are kept only as Argon2id hashes (libsodium's
// crypto_pwhash_str): slow on purpose, salted, and carrying their own
// parameters, so a stolen fee database gives no password away cheaply.

// A new hash of `clear` ("$argon2id$v=19$m=…"); each call has its own salt.
// Throws std::runtime_error when the machine cannot spare the memory.
std::string hash(const std::string& clear);

// True when `stored` is a hash made from `clear`. Any other stored text,
// an empty one or a clear-text password included, matches nothing.
bool matches(const std::string& stored, const std::string& clear);

// True when `text` has the form of a password hash this program writes.
bool isHash(const std::string& text);

}  // namespace fo::password
