// The credential block and the linked test.
#include "net/oauth_credentials.h"

#include <cstring>

namespace {

void CopyCut(char* to, const char* from) {
    if (from == nullptr) from = "";
    size_t length = strnlen(from, OAuthCredentials::kStringSize - 1);
    memcpy(to, from, length);
    to[length] = '\0';
}

}  // namespace

int OAuthCredentials::Set(const char* key, const char* secret, const char* token, const char* tokenSecret) {
    CopyCut(consumerKey, key);
    CopyCut(consumerSecret, secret);
    CopyCut(accessToken, token);
    CopyCut(accessTokenSecret, tokenSecret);
    return 1;
}

void OAuthCredentials::SetAccessToken(const char* token) { CopyCut(accessToken, token); }
void OAuthCredentials::SetAccessTokenSecret(const char* tokenSecret) { CopyCut(accessTokenSecret, tokenSecret); }

OAuthCredentials& GetOAuthCredentials() {
    static OAuthCredentials credentials;
    return credentials;
}

void InitMicroblogCredentials() {
    GetOAuthCredentials().Set(BuiltInConsumerKey(), BuiltInConsumerSecret(), nullptr, nullptr);
}

bool HasAccessTokenSecret() {
    return strlen(GetOAuthCredentials().accessTokenSecret) >= OAuthCredentials::kLinkedSecretLength;
}
