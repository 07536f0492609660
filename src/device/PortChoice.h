#pragma once
// The port the user names: a path (a /dev/serial/by-id name among them), usb:VID:PID or
// usb:SERIAL for the adapter with that identity.
#include <stdexcept>
#include <string>

// No port, or more than one, has the identity asked for.
class EPortChoice : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The port to open for Choice; a name that is no usb: choice is returned as given.
std::string ResolvePortChoice(const std::string& Choice);
