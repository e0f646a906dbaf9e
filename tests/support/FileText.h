#pragma once
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fo::test {

// The bytes of a file, all of them ("" when there is none).
inline std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace fo::test
