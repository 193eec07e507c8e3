// The process-wide micro-blog credential block: the game's consumer pair,
// built into the program, and the player's access pair, which config.dat
// keeps and a successful PIN authorisation replaces. Main thread only.
#pragma once

#include <cstddef>

struct OAuthCredentials {
    static constexpr size_t kStringSize = 256;  // each string keeps at most 255 characters
    // A linked account has an access token secret at least this long.
    static constexpr size_t kLinkedSecretLength = 20;

    char consumerKey[kStringSize] = {};
    char consumerSecret[kStringSize] = {};
    char accessToken[kStringSize] = {};
    char accessTokenSecret[kStringSize] = {};

    // Copies the four strings (null leaves that string empty); returns 1.
    int Set(const char* key, const char* secret, const char* token, const char* tokenSecret);
    // For the settings file: the access pair as stored there, cut at 255 characters.
    void SetAccessToken(const char* token);
    void SetAccessTokenSecret(const char* tokenSecret);
    const char* GetAccessToken() const { return accessToken; }
    const char* GetAccessTokenSecret() const { return accessTokenSecret; }
    bool HasConsumerPair() const { return consumerKey[0] != '\0' && consumerSecret[0] != '\0'; }
};

// Sets the block to the built-in consumer pair with an empty access pair.
// Called once before the settings file is read. (Sockets need no start-up
// here, and the HTTP client's sends never raise SIGPIPE.)
void InitMicroblogCredentials();
OAuthCredentials& GetOAuthCredentials();
// The account counts as linked: the stored access token secret is at least
// kLinkedSecretLength characters long.
bool HasAccessTokenSecret();

// The build settings (CMake cache variables QM_MICROBLOG_HOST,
// QM_MICROBLOG_CONSUMER_KEY and QM_MICROBLOG_CONSUMER_SECRET).
const char* BuiltInMicroblogHost();
const char* BuiltInConsumerKey();
const char* BuiltInConsumerSecret();
