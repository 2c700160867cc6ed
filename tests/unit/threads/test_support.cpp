#include "test_support.h"

#include <fstream>
#include <sstream>

namespace qeltest {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace qeltest
