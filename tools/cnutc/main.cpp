// cnutc: compiles a Squirrel source script into a ".cnut" compiled closure.
// It uses the same Squirrel library as the engine, so the file carries the
// engine's integer and character sizes and the engine's VM can read it.
// The source is fed to the compiler byte by byte, as the engine feeds it.
#include <squirrel.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: cnutc IN.nut OUT.cnut\n";

struct SourceFeed {
    const std::vector<char>* text;
    size_t next;
};

SQInteger FeedSourceByte(SQUserPointer user) {
    auto* feed = static_cast<SourceFeed*>(user);
    if (feed->next >= feed->text->size()) return 0;
    return static_cast<signed char>((*feed->text)[feed->next++]);
}

void ReportCompileError(HSQUIRRELVM v, const SQChar* description, const SQChar* source, SQInteger line,
                        SQInteger column) {
    fprintf(stderr, "%s:%lld:%lld: %s\n", source, static_cast<long long>(line), static_cast<long long>(column),
            description);
}

SQInteger WriteBytes(SQUserPointer file, SQUserPointer data, SQInteger size) {
    if (size <= 0) return size;
    return fwrite(data, 1, static_cast<size_t>(size), static_cast<FILE*>(file)) == static_cast<size_t>(size) ? size
                                                                                                             : -1;
}

bool ReadWholeFile(const char* path, std::vector<char>* out) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) out->insert(out->end(), chunk, chunk + got);
    bool ok = ferror(file) == 0;
    fclose(file);
    return ok;
}

// Writes next to the target and renames, so a failed run never leaves a
// half-written ".cnut" for the pack build to pick up.
bool WriteClosure(HSQUIRRELVM v, const std::string& path) {
    std::string temporary = path + ".tmp";
    FILE* file = fopen(temporary.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = SQ_SUCCEEDED(sq_writeclosure(v, WriteBytes, file));
    ok = fclose(file) == 0 && ok;
    ok = ok && rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) remove(temporary.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fputs(kUsage, stderr);
        return 2;
    }
    const char* input = argv[1];
    const char* output = argv[2];

    std::vector<char> text;
    if (!ReadWholeFile(input, &text)) {
        fprintf(stderr, "cnutc: cannot read \"%s\"\n", input);
        return 1;
    }
    // The compiler takes a NUL as the end of the text and would quietly drop the rest.
    if (const void* nul = memchr(text.data(), 0, text.size())) {
        fprintf(stderr, "%s: NUL byte at offset %zu\n", input, static_cast<const char*>(nul) - text.data());
        return 1;
    }

    HSQUIRRELVM v = sq_open(1024);
    sq_setcompilererrorhandler(v, ReportCompileError);
    SourceFeed feed{&text, 0};
    int status = 0;
    if (SQ_FAILED(sq_compile(v, FeedSourceByte, &feed, input, SQTrue))) {
        status = 1;
    } else if (!WriteClosure(v, output)) {
        fprintf(stderr, "cnutc: cannot write \"%s\"\n", output);
        status = 1;
    }
    sq_close(v);
    return status;
}
