#pragma once
#include <string>

namespace fo {

// The short code (简码) of a name: the capital initial of each hanzi's
// reading ("王子涵" gives "WZH"); ASCII letters and digits are kept (in
// capitals), everything else, and a hanzi the table does not know, is left
// out. The clerk may edit what it gives.
std::string pinyinInitials(const std::string& utf8Name);

}  // namespace fo
