#include "PortNames.h"

#include <algorithm>
#include <cctype>

namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

bool CandidatePort(const std::string& friendlyName, std::string& port) {
  std::string upper = friendlyName;
  std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
  if (upper.find("LPT") != std::string::npos) return false;
  const size_t open = friendlyName.find_first_of("()");
  const size_t close = open == std::string::npos ? std::string::npos : friendlyName.find_first_of("()", open + 1);
  port = open == std::string::npos
             ? ""
             : friendlyName.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
  return true;
}

void SortPortNames(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Upper(x) < Upper(y); });
  });
}
