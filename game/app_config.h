// The player's settings: screen, sound and option choices made in the
// launcher, the two speeds and volumes the scripts change through the App
// config slots, and the micro-blog access token. One process-wide set, kept
// in "config.dat" in the save folder as 15 "key=value" lines.
#pragma once

#include <cstdint>
#include <string>

#include "net/oauth_credentials.h"

struct Stream;

// The longest access-token text kept (the credential block holds 255 bytes).
constexpr size_t kAccessTokenMaxLength = 255;
// The longest config.dat line read; the rest of a longer line is skipped.
constexpr uint32_t kConfigLineMaxLength = 1024;

struct AppConfig {
    int32_t screenMode = 0;  // 1 full screen, 0 window
    int32_t screenSize = 1;  // index into the size table
    int32_t soundMode = 1;   // 0 mono, 1 stereo, 2 surround
    int32_t soundVolBgm = 100;
    int32_t soundVolSe = 100;
    int32_t soundVolVoice = 100;
    int32_t optionShowFps = 0;
    int32_t option16bit = 0;
    int32_t optionShadowDrawing = 0;  // shadow map and the high-quality field shaders
    int32_t optionAntiAliasing = 0;
    int32_t optionDeactiveNoStop = 0;  // keep running while the window is inactive
    int32_t battleSpeed = 5;
    int32_t talkSpeed = 0;

    const std::string& AccessToken() const { return accessToken_; }
    const std::string& AccessTokenSecret() const { return accessTokenSecret_; }
    // Each text is cut to 255 bytes and at its first line break, so a token
    // can never add a line to config.dat.
    void SetAccessToken(const std::string& token, const std::string& secret);
    // The account counts as linked by the micro-blog client's own rule.
    bool HasAccessTokenSecret() const {
        return accessTokenSecret_.size() >= OAuthCredentials::kLinkedSecretLength;
    }

    // Reads config.dat (through file-system slot 1, whose current folder is
    // the save folder) into the process-wide settings; a missing file keeps
    // the defaults. False when the file could not be read.
    static bool Load();
    // Replaces config.dat with the process-wide settings; the file is never
    // left half written and is readable by its owner only. False (with a
    // log line) when it could not be written or put in place; the old file
    // then stays.
    static bool Save();

private:
    std::string accessToken_;
    std::string accessTokenSecret_;
};

// The process-wide settings.
AppConfig& GetAppConfig();

// Applies every readable line of a config.dat stream to `config`: unknown
// keys, lines without "=" and over-long remainders are skipped, values are
// clamped, the later of two equal keys wins.
void ReadAppConfig(Stream* stream, AppConfig* config);
// Writes the 15 lines with CR LF; false when a write failed.
bool WriteAppConfig(Stream* stream, const AppConfig& config);

// The setting behind an App config slot (0 battle speed, 1 talk speed, 2..4
// the BGM, SE and voice volumes); null for another slot.
int32_t* AppConfigSlot(AppConfig* config, int32_t slot);

// The client size for a ScreenSize index (clamped to the table).
void ScreenSizeOf(int32_t index, int32_t* width, int32_t* height);
