#pragma once

#include <stdexcept>

// The port cannot be served because something else has its name: a live host, or a link that
// is not a leftover of a host of this port.
class PortTakenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
