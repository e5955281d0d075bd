#pragma once
// The error a program operation raises when a run cannot go on.
#include <stdexcept>

namespace vorn {

// A run that cannot go on (creation or mutation gave up); the run ends and the
// front end shows the message.
class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace vorn
