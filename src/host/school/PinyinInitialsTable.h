#pragma once
#include <string>
#include <utility>
#include <vector>

namespace fo::pinyin {

// Where the run of one initial starts among GB2312's first-level hanzi
// (the code's two bytes as one number); the runs are in code order and the
// last one ends at 0xD7F9.
struct FirstLevelRun {
    unsigned code;
    char initial;
};
const std::vector<FirstLevelRun>& firstLevelRuns();
inline constexpr unsigned kFirstLevelEnd = 0xD7F9;

// Hanzi outside the first level, each with its initial (UTF-8).
const std::vector<std::pair<std::string, char>>& listedHanzi();

}  // namespace fo::pinyin
