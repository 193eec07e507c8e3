// config.dat: one table of keys with their clamps drives both the reader and
// the writer, so the two can never disagree on names or order.
#include "game/app_config.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fs/fs_slots.h"
#include "fs/stream.h"
#include "game/config_slots.h"
#include "platform/debug_log.h"

namespace {

constexpr char kConfigFile[] = "config.dat";

enum Clamp { kOnlyOne, kRange, kFlag, kText };

struct ConfigKey {
    const char* name;
    Clamp clamp;
    int32_t AppConfig::*field;  // null for the two texts
    int32_t low, high;
};

// config.dat's lines in write order.
constexpr ConfigKey kKeys[] = {
    {"ScreenMode", kOnlyOne, &AppConfig::screenMode, 0, 1},
    {"ScreenSize", kRange, &AppConfig::screenSize, 0, 3},
    {"SoundMode", kRange, &AppConfig::soundMode, 0, 2},
    {"SoundVolBgm", kRange, &AppConfig::soundVolBgm, 0, 100},
    {"SoundVolSe", kRange, &AppConfig::soundVolSe, 0, 100},
    {"SoundVolVoice", kRange, &AppConfig::soundVolVoice, 0, 100},
    {"OptionShowFps", kFlag, &AppConfig::optionShowFps, 0, 1},
    {"Option16bit", kFlag, &AppConfig::option16bit, 0, 1},
    {"OptionShadowDrawing", kFlag, &AppConfig::optionShadowDrawing, 0, 1},
    {"OptionAntiAliasing", kFlag, &AppConfig::optionAntiAliasing, 0, 1},
    {"OptionDeactiveNoStop", kFlag, &AppConfig::optionDeactiveNoStop, 0, 1},
    {"TwitAccessKey", kText, nullptr, 0, 0},
    {"TwitAccessSecret", kText, nullptr, 0, 0},
    {"BattleSpeed", kRange, &AppConfig::battleSpeed, 0, 100},
    {"TalkSpeed", kRange, &AppConfig::talkSpeed, 0, 100},
};

constexpr int32_t kScreenSizes[4][2] = {{800, 480}, {1024, 576}, {1280, 720}, {1280, 800}};

// atoi's reading (leading blanks, a sign, digits; anything else ends the
// number, no digits give 0), saturated to 32 bits instead of overflowing.
int32_t ParseInteger(const char* text) {
    while (isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    int64_t value = 0;
    while (isdigit(static_cast<unsigned char>(*text))) {
        value = value * 10 + (*text++ - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}

int32_t ApplyClamp(const ConfigKey& key, int32_t value) {
    switch (key.clamp) {
        case kOnlyOne: return value == 1 ? 1 : 0;
        case kFlag: return value != 0 ? 1 : 0;
        default: return value < key.low ? key.low : (value > key.high ? key.high : value);
    }
}

// The text up to its first line break, at most 255 bytes.
std::string TokenText(const std::string& text) {
    std::string kept = text.substr(0, text.find_first_of("\r\n"));
    if (kept.size() > kAccessTokenMaxLength) kept.resize(kAccessTokenMaxLength);
    return kept;
}

void ApplyLine(char* line, AppConfig* config) {
    // The first "=" splits; a token's own "=" stays in its value.
    char* equals = strchr(line, '=');
    if (equals == nullptr) return;
    *equals = '\0';
    const char* value = equals + 1;
    for (const ConfigKey& key : kKeys) {
        if (strcmp(line, key.name) != 0) continue;
        if (key.clamp != kText) {
            config->*key.field = ApplyClamp(key, ParseInteger(value));
        } else if (strcmp(key.name, "TwitAccessKey") == 0) {
            config->SetAccessToken(value, config->AccessTokenSecret());
        } else {
            config->SetAccessToken(config->AccessToken(), value);
        }
        return;
    }
}

}  // namespace

AppConfig& GetAppConfig() {
    static AppConfig config;
    return config;
}

void AppConfig::SetAccessToken(const std::string& token, const std::string& secret) {
    accessToken_ = TokenText(token);
    accessTokenSecret_ = TokenText(secret);
}

void ReadAppConfig(Stream* stream, AppConfig* config) {
    char line[kConfigLineMaxLength + 1];
    while (stream->State() == kStreamHasData) {
        // What does not fit is the rest of this line, not lines of their own.
        stream->ReadLine(line, sizeof line, true);
        ApplyLine(line, config);
    }
}

bool WriteAppConfig(Stream* stream, const AppConfig& config) {
    for (const ConfigKey& key : kKeys) {
        std::string line = std::string(key.name) + "=";
        if (key.clamp != kText) {
            line += std::to_string(config.*key.field);
        } else {
            line += strcmp(key.name, "TwitAccessKey") == 0 ? config.AccessToken() : config.AccessTokenSecret();
        }
        stream->WriteLine(line.c_str());
    }
    return stream->State() != kStreamFailed;
}

bool AppConfig::Load() {
    if (GetFsMgrSlot(kSlotUserFolder) == nullptr) {
        LogError("\"%s\" not read: the user's data folder is not open", kConfigFile);
        return false;
    }
    Stream* stream = OpenSlotStream(kSlotUserFolder, kConfigFile, kOpenRead, nullptr);
    if (stream == nullptr) return true;  // a first start: the defaults stand
    ReadAppConfig(stream, &GetAppConfig());
    stream->Release();
    return true;
}

bool AppConfig::Save() {
    if (GetFsMgrSlot(kSlotUserFolder) == nullptr) {
        LogError("\"%s\" not saved: the user's data folder is not open", kConfigFile);
        return false;
    }
    Stream* stream = OpenSlotStream(kSlotUserFolder, kConfigFile, kOpenWrite | kOpenPrivate, nullptr);
    if (stream == nullptr) {
        LogError("\"%s\" cannot be created; the settings are not saved", kConfigFile);
        return false;
    }
    // Saved only once the new file has replaced the old one (synced and renamed).
    bool saved = WriteAppConfig(stream, GetAppConfig()) && stream->Commit();
    stream->Release();
    return saved;
}

int32_t* AppConfigSlot(AppConfig* config, int32_t slot) {
    switch (slot) {
        case kConfigBattleSpeed: return &config->battleSpeed;
        case kConfigTalkSpeed: return &config->talkSpeed;
        case kConfigSoundVolBgm: return &config->soundVolBgm;
        case kConfigSoundVolSe: return &config->soundVolSe;
        case kConfigSoundVolVoice: return &config->soundVolVoice;
        default: return nullptr;
    }
}

void ScreenSizeOf(int32_t index, int32_t* width, int32_t* height) {
    if (index < 0) index = 0;
    if (index > 3) index = 3;
    *width = kScreenSizes[index][0];
    *height = kScreenSizes[index][1];
}
