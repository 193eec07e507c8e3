// The HTTP reply parser behind HttpClient::Receive. It never trusts a size
// from the peer: lengths are parsed strictly and checked against the limits
// before anything is stored, and a reply cut short is a failure.
#include "net/http_response_reader.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kMaxChunkSizeLine = 1024;  // hex size plus any chunk extension

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsTokenChar(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

std::string TrimSpaces(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return std::string();
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A short, printable excerpt of peer text for a log line.
std::string Excerpt(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size() && out.size() < 40; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return out;
}

}  // namespace

int ParseHttpStatusLine(const std::string& line) {
    auto digit = [&](size_t i) { return i < line.size() && line[i] >= '0' && line[i] <= '9'; };
    if (line.compare(0, 5, "HTTP/") != 0) return 0;
    if (!digit(5) || line.size() < 7 || line[6] != '.' || !digit(7)) return 0;
    if (line.size() < 9 || line[8] != ' ' || !digit(9) || !digit(10) || !digit(11)) return 0;
    if (line.size() > 12 && line[12] != ' ') return 0;
    int status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    return status >= 100 ? status : 0;
}

HttpResponseReader::HttpResponseReader(const HttpLimits& limits) : limits_(limits) {}

HttpResponseReader::State HttpResponseReader::Fail(const std::string& reason) {
    if (state_ == State::kNeedMore) {
        state_ = State::kFailed;
        error_ = reason;
        body_.clear();
    }
    return state_;
}

bool HttpResponseReader::TakeLine(size_t* pos, std::string* line, size_t limit, size_t namedLimit,
                                  const char* what) {
    size_t crlf = pending_.find("\r\n", std::max(*pos, scanFrom_));
    if (crlf == std::string::npos) {
        if (pending_.size() - *pos >= limit) {
            Fail(Format("%s longer than %zu bytes", what, namedLimit));
        } else {
            // A CR at the very end may still meet its LF in the next bytes.
            scanFrom_ = std::max(*pos, pending_.empty() ? 0 : pending_.size() - 1);
        }
        return false;
    }
    size_t length = crlf - *pos;
    if (length + 2 > limit) {
        Fail(Format("%s longer than %zu bytes", what, namedLimit));
        return false;
    }
    line->assign(pending_, *pos, length);
    *pos = crlf + 2;
    scanFrom_ = *pos;
    return true;
}

bool HttpResponseReader::ParseHeaderLine(const std::string& line) {
    size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
        Fail("malformed header line \"" + Excerpt(line) + "\"");
        return false;
    }
    std::string name = line.substr(0, colon);
    for (char c : name) {
        if (!IsTokenChar(static_cast<unsigned char>(c))) {
            Fail("malformed header name \"" + Excerpt(name) + "\"");
            return false;
        }
    }
    std::string value = TrimSpaces(line.substr(colon + 1));
    if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        Fail("control character in header \"" + Excerpt(name) + "\"");
        return false;
    }

    if (EqualsIgnoringCase(name, "Content-Length")) {
        if (value.empty() || value.size() > 19 || value.find_first_not_of("0123456789") != std::string::npos) {
            Fail("bad Content-Length \"" + Excerpt(value) + "\"");
            return false;
        }
        uint64_t length = 0;
        for (char c : value) length = length * 10 + static_cast<uint64_t>(c - '0');  // 19 digits cannot overflow
        if (hasLength_ && length != contentLength_) {
            Fail("two different Content-Length values");
            return false;
        }
        hasLength_ = true;
        contentLength_ = length;
    } else if (EqualsIgnoringCase(name, "Transfer-Encoding")) {
        if (!EqualsIgnoringCase(value, "chunked")) {
            Fail("unsupported Transfer-Encoding \"" + Excerpt(value) + "\"");
            return false;
        }
        chunked_ = true;
    }
    return true;
}

void HttpResponseReader::FinishHeaders() {
    if (status_ < 200) {
        // An interim reply (100 Continue and the like): the real one follows.
        headerLines_.clear();
        status_ = 0;
        hasLength_ = false;
        contentLength_ = 0;
        chunked_ = false;
        return;
    }
    if (status_ == 204 || status_ == 304) {
        phase_ = Phase::kEnd;
    } else if (chunked_) {
        phase_ = Phase::kChunkSize;  // a length next to chunked coding does not count
    } else if (hasLength_) {
        if (contentLength_ > limits_.maxBodyBytes) {
            Fail(Format("Content-Length %llu is above the %zu byte limit",
                        static_cast<unsigned long long>(contentLength_), limits_.maxBodyBytes));
            return;
        }
        phase_ = contentLength_ == 0 ? Phase::kEnd : Phase::kLengthBody;
    } else {
        phase_ = Phase::kUntilEof;
    }
    if (phase_ == Phase::kEnd) state_ = State::kDone;
}

bool HttpResponseReader::ParseChunkSize(const std::string& line) {
    uint64_t size = 0;
    size_t i = 0;
    for (; i < line.size() && HexDigit(line[i]) >= 0; ++i) {
        size = size * 16 + static_cast<uint64_t>(HexDigit(line[i]));
        if (size > limits_.maxBodyBytes) {
            Fail(Format("chunk size above the %zu byte limit", limits_.maxBodyBytes));
            return false;
        }
    }
    if (i == 0 || (i < line.size() && line[i] != ';' && line[i] != ' ' && line[i] != '\t')) {
        Fail("bad chunk size line \"" + Excerpt(line) + "\"");
        return false;
    }
    if (size == 0) {
        phase_ = Phase::kTrailers;
    } else if (body_.size() + size > limits_.maxBodyBytes) {
        Fail(Format("chunked body above the %zu byte limit", limits_.maxBodyBytes));
        return false;
    } else {
        chunkRemaining_ = size;
        phase_ = Phase::kChunkData;
    }
    return true;
}

HttpResponseReader::State HttpResponseReader::Feed(const char* bytes, size_t length) {
    if (state_ != State::kNeedMore) return state_;
    pending_.append(bytes, length);
    size_t pos = 0;
    std::string line;
    bool progress = true;
    while (state_ == State::kNeedMore && progress) {
        size_t available = pending_.size() - pos;
        switch (phase_) {
        case Phase::kHeaders:
            progress = TakeLine(&pos, &line, limits_.maxHeaderBytes - headerBytes_, limits_.maxHeaderBytes,
                                "reply header");
            if (!progress) break;
            headerBytes_ += line.size() + 2;
            if (line.empty()) {
                if (headerLines_.empty()) {
                    Fail("reply begins with an empty line");
                } else {
                    FinishHeaders();
                }
            } else if (headerLines_.empty()) {
                status_ = ParseHttpStatusLine(line);
                if (status_ == 0) {
                    Fail("garbage status line \"" + Excerpt(line) + "\"");
                } else {
                    headerLines_.push_back(line);
                }
            } else if (ParseHeaderLine(line)) {
                headerLines_.push_back(line);
            }
            break;
        case Phase::kLengthBody: {
            size_t take = static_cast<size_t>(std::min<uint64_t>(available, contentLength_ - body_.size()));
            body_.append(pending_, pos, take);
            pos += take;
            if (body_.size() == contentLength_) state_ = State::kDone;
            progress = false;
            break;
        }
        case Phase::kUntilEof:
            if (body_.size() + available > limits_.maxBodyBytes) {
                Fail(Format("body above the %zu byte limit", limits_.maxBodyBytes));
                break;
            }
            body_.append(pending_, pos, available);
            pos += available;
            progress = false;
            break;
        case Phase::kChunkSize:
            progress = TakeLine(&pos, &line, kMaxChunkSizeLine, kMaxChunkSizeLine, "chunk size line") &&
                       ParseChunkSize(line);
            break;
        case Phase::kChunkData: {
            size_t take = static_cast<size_t>(std::min<uint64_t>(available, chunkRemaining_));
            body_.append(pending_, pos, take);
            pos += take;
            chunkRemaining_ -= take;
            if (chunkRemaining_ == 0) phase_ = Phase::kChunkDataEnd;
            progress = take > 0;
            break;
        }
        case Phase::kChunkDataEnd:
            if (available < 2) {
                progress = false;
            } else if (pending_.compare(pos, 2, "\r\n") != 0) {
                Fail("chunk data not followed by CR LF");
            } else {
                pos += 2;
                scanFrom_ = pos;
                phase_ = Phase::kChunkSize;
            }
            break;
        case Phase::kTrailers:
            progress = TakeLine(&pos, &line, limits_.maxHeaderBytes - headerBytes_, limits_.maxHeaderBytes,
                                "reply header");
            if (!progress) break;
            headerBytes_ += line.size() + 2;
            if (line.empty()) state_ = State::kDone;
            break;
        case Phase::kEnd:
            progress = false;
            break;
        }
    }
    if (state_ == State::kNeedMore) {
        pending_.erase(0, pos);
        scanFrom_ = scanFrom_ > pos ? scanFrom_ - pos : 0;
    } else {
        pending_.clear();
        pending_.shrink_to_fit();
    }
    return state_;
}

HttpResponseReader::State HttpResponseReader::FinishAtEof() {
    if (state_ != State::kNeedMore) return state_;
    switch (phase_) {
    case Phase::kHeaders:
        return Fail(headerBytes_ == 0 && pending_.empty() ? "connection closed without a reply"
                                                          : "connection closed inside the reply header");
    case Phase::kLengthBody:
        return Fail(Format("body cut short: %zu of %llu bytes", body_.size(),
                           static_cast<unsigned long long>(contentLength_)));
    case Phase::kUntilEof:
        state_ = State::kDone;
        return state_;
    default:
        return Fail("connection closed inside the chunked body");
    }
}
