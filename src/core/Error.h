#pragma once

#include <stdexcept>
#include <string>

namespace ordane {

// The one exception that ends a command; what() is the exact text the user sees.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& text) : std::runtime_error(text) {}
};

} // namespace ordane
