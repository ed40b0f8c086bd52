// Errors raised by the world stores and the map reader.
#pragma once

#include <stdexcept>
#include <string>

// An entry that does not fit a store's table; nothing of it was stored.
class CapacityError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A map file that cannot be opened.
class MapFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
