// What the micro-blog tests share about the loopback provider
// (oauth_provider.py): one running copy per test binary, its consumer pair
// and pre-issued access pair, and the PIN its authorise page shows.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "net/microblog_api.h"
#include "net/oauth_credentials.h"
#include "tests/net/provider_process.h"

constexpr char kPeerConsumerKey[] = "dpf43f3p2l4k3l03";
constexpr char kPeerConsumerSecret[] = "kd94hf93k423kf44";
constexpr char kPeerAccessToken[] = "linked0token0000000000000";
constexpr char kPeerAccessSecret[] = "linked0secret0000000";

namespace Peer {

// Starts the provider on first use; false (with a test failure) when it cannot.
bool Start();
MicroblogService Service();
// Credentials with the provider's consumer pair and, when `linked`, its access pair.
OAuthCredentials Credentials(bool linked);
// What the last accepted post delivered: the status text, or for a media
// post the text, NUL, the file name, NUL and the file's bytes.
std::string LastPost();
// Opens the signed authorise URL as the browser would and returns the PIN
// (the verifier) the page carries; "" when it has none.
std::string FetchPin(const std::string& authorizeUrl);

}  // namespace Peer

class MicroblogPeerTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Peer::Start()); }
};
