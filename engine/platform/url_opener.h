// Opens a web page in the user's browser. Only "http://" and "https://" URLs
// are handed on, as one argument, never through a shell. The program installs
// the desktop's launcher (GIO, in the qm_dialogs library); tests install one
// that records the URL instead.
#pragma once

#include <functional>
#include <string>

// True when the page was handed to a browser.
bool OpenUrl(const std::string& url);

using UrlOpener = std::function<bool(const std::string& url)>;
// Returns the opener it replaces.
UrlOpener SetUrlOpener(UrlOpener opener);

// The desktop's default handler for the URL's scheme, through GIO.
bool OpenUrlWithGio(const std::string& url);
