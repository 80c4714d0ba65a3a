// The link between the stand-in hid.dll/setupapi.dll and the receiver
// process: pipe names and one text request per connection on the link pipe.
//
// Requests (one line each) and replies:
//   list                        -> one line per interface: <path> <vid> <pid> <in> <feature>
//   attr <pipe>                 -> ok <vid> <pid> <in> <feature> | err
//   setf <client> <pipe> <hex>  -> ok | err
//   getf <client> <pipe> <len>  -> ok <hex> | err
// <pipe> is the last part of an interface pipe's name, <client> the
// process id of the program that opened it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrlink {

constexpr const char *kLinkPipe = "\\\\.\\pipe\\tarvex-vreceiver-link";
constexpr const char *kInterfacePipePrefix = "\\\\.\\pipe\\";
constexpr const char *kInterfaceNamePrefix = "tarvex-vreceiver-if-";

// Sends one request and returns the reply; false when no receiver runs.
bool Transact(const std::string &request, std::string *reply);

std::string ToHex(const uint8_t *bytes, size_t count);
// Parses pairs of hex digits, spaces allowed between them.
bool FromHex(const std::string &text, std::vector<uint8_t> *bytes);
std::vector<std::string> SplitWords(const std::string &text);

}  // namespace vrlink
