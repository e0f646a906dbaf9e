// The reading initials of hanzi, as data.
//
// The 3755 hanzi of GB2312's first level are ordered by their reading, so
// the code where each initial's run starts says it for all of them. The
// second level is ordered by radical; the hanzi of it that names often use
// are listed one by one.
#include "host/school/PinyinInitialsTable.h"

namespace fo::pinyin {

const std::vector<FirstLevelRun>& firstLevelRuns() {
    static const std::vector<FirstLevelRun> runs = {
        {0xB0A1, 'A'}, {0xB0C5, 'B'}, {0xB2C1, 'C'}, {0xB4EE, 'D'}, {0xB6EA, 'E'}, {0xB7A2, 'F'},
        {0xB8C1, 'G'}, {0xB9FE, 'H'}, {0xBBF7, 'J'}, {0xBFA6, 'K'}, {0xC0AC, 'L'}, {0xC2E8, 'M'},
        {0xC4C3, 'N'}, {0xC5B6, 'O'}, {0xC5BE, 'P'}, {0xC6DA, 'Q'}, {0xC8BB, 'R'}, {0xC8F6, 'S'},
        {0xCBFA, 'T'}, {0xCDDA, 'W'}, {0xCEF4, 'X'}, {0xD1B9, 'Y'}, {0xD4D1, 'Z'}};
    return runs;
}

const std::vector<std::pair<std::string, char>>& listedHanzi() {
    static const std::vector<std::pair<std::string, char>> listed = {
        {"梓", 'Z'}, {"琪", 'Q'}, {"萱", 'X'}, {"晗", 'H'}, {"昊", 'H'}, {"钰", 'Y'}, {"瑾", 'J'}, {"璇", 'X'},
        {"熠", 'Y'}, {"煜", 'Y'}, {"玥", 'Y'}, {"芮", 'R'}, {"蕊", 'R'}, {"璐", 'L'}, {"琳", 'L'}, {"瑶", 'Y'},
        {"琦", 'Q'}, {"瑞", 'R'}, {"珂", 'K'}, {"珊", 'S'}, {"珍", 'Z'}, {"玲", 'L'}, {"琛", 'C'}, {"瑜", 'Y'},
        {"璟", 'J'}, {"骁", 'X'}, {"铭", 'M'}, {"锦", 'J'}, {"钧", 'J'}, {"铮", 'Z'}, {"锐", 'R'}, {"烨", 'Y'},
        {"炜", 'W'}, {"焱", 'Y'}, {"翊", 'Y'}, {"翎", 'L'}, {"歆", 'X'}, {"暄", 'X'}, {"旻", 'M'}, {"昀", 'Y'},
        {"晟", 'S'}, {"晔", 'Y'}, {"昕", 'X'}, {"彤", 'T'}, {"婷", 'T'}, {"婧", 'J'}, {"娅", 'Y'}, {"妍", 'Y'},
        {"娴", 'X'}, {"嫣", 'Y'}, {"姝", 'S'}, {"媛", 'Y'}, {"婕", 'J'}, {"淼", 'M'}, {"沐", 'M'}, {"潇", 'X'},
        {"澜", 'L'}, {"浠", 'X'}, {"漪", 'Y'}, {"泓", 'H'}, {"沛", 'P'}, {"濠", 'H'}, {"溪", 'X'}, {"涵", 'H'},
        {"芊", 'Q'}, {"芷", 'Z'}, {"苒", 'R'}, {"茜", 'Q'}, {"荻", 'D'}, {"莘", 'S'}, {"菁", 'J'}, {"蔓", 'M'},
        {"蔚", 'W'}, {"祺", 'Q'}, {"祎", 'Y'}, {"禹", 'Y'}, {"皓", 'H'}, {"睿", 'R'}, {"铄", 'S'}, {"恺", 'K'},
        {"懿", 'Y'}, {"奕", 'Y'}, {"弈", 'Y'}, {"骏", 'J'}, {"驰", 'C'}, {"麒", 'Q'}, {"鑫", 'X'}, {"蓁", 'Z'}};
    return listed;
}

}  // namespace fo::pinyin
