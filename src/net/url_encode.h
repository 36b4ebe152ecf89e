#pragma once
#include "protocol/gbk.h"

// The client's names for the wire encoding, which the protocol library
// keeps for client and server alike.
namespace net {

using protocol::from_gbk;
using protocol::gbk_bytes;
using protocol::url_encode;

}  // namespace net
