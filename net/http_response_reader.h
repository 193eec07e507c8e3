// Reads one HTTP/1.1 reply from bytes as they arrive: status line, header
// lines, then a body delimited by Content-Length, chunked coding or the end
// of the connection. Every size from the peer is checked against a limit, so
// a hostile reply ends in a failure with a reason, never in a huge buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct HttpLimits {
    size_t maxHeaderBytes = 64 * 1024;     // status line, header lines and trailers together
    size_t maxBodyBytes = 4 * 1024 * 1024;
};

class HttpResponseReader {
public:
    enum class State { kNeedMore, kDone, kFailed };

    explicit HttpResponseReader(const HttpLimits& limits = HttpLimits());

    // Takes the next bytes of the reply. Bytes after a finished reply are ignored.
    State Feed(const char* bytes, size_t length);
    // The peer closed the connection.
    State FinishAtEof();

    State state() const { return state_; }
    // The status line first, then the header lines, each without CR LF.
    const std::vector<std::string>& headerLines() const { return headerLines_; }
    int status() const { return status_; }
    const std::string& body() const { return body_; }
    // Why the reply was refused, for the log line.
    const std::string& error() const { return error_; }

private:
    enum class Phase { kHeaders, kLengthBody, kChunkSize, kChunkData, kChunkDataEnd, kTrailers, kUntilEof, kEnd };

    State Fail(const std::string& reason);
    // False when the line is not complete yet or is over `limit` (then the
    // reply fails, naming `namedLimit`); otherwise `pos` moves past it.
    bool TakeLine(size_t* pos, std::string* line, size_t limit, size_t namedLimit, const char* what);
    bool ParseHeaderLine(const std::string& line);
    void FinishHeaders();
    bool ParseChunkSize(const std::string& line);

    HttpLimits limits_;
    State state_ = State::kNeedMore;
    Phase phase_ = Phase::kHeaders;
    std::string pending_;
    size_t scanFrom_ = 0;     // CR LF search resumes here within pending_
    size_t headerBytes_ = 0;  // header and trailer bytes taken so far
    std::vector<std::string> headerLines_;
    int status_ = 0;
    bool hasLength_ = false;
    uint64_t contentLength_ = 0;
    bool chunked_ = false;
    uint64_t chunkRemaining_ = 0;
    std::string body_;
    std::string error_;
};

// Strict "HTTP/d.d ddd[ reason]"; the status code, or 0 when it is not one.
int ParseHttpStatusLine(const std::string& line);
