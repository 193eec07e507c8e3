// The loopback provider (oauth_provider.py), one copy per test binary, and its known pairs.
#pragma once

#include <string>

#include "net/microblog_api.h"
#include "net/oauth_credentials.h"

constexpr char kPeerAccessSecret[] = "linked0secret0000000";

namespace Peer {

// Starts the provider on first use; false (with a test failure) when it cannot.
bool Start();
// The provider's consumer pair and, when `linked`, its access pair.
OAuthCredentials Credentials(bool linked);
// The last accepted post: its text, or text NUL file name NUL file bytes.
std::string LastPost();
// The PIN (verifier) on the page of a signed authorise URL; "" when none.
std::string FetchPin(const std::string& authorizeUrl);
// The service at a scripted peer's `port`, or by default the provider.
MicroblogService At(uint16_t port = 0);

}  // namespace Peer
