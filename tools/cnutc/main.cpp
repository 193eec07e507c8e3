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

const char kUsage[] =
    "usage: cnutc IN.nut OUT.cnut\n"
    "       cnutc [-o FOLDER] IN.nut...    each IN.nut becomes IN.cnut (in FOLDER when given)\n"
    "       cnutc --check IN.nut...        compiles every file, writes nothing\n"
    "Every error is reported as FILE:LINE:COLUMN: message; the status is 1 when any file failed.\n";

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

// Compiles one file; writes the closure to `output` unless it is empty (a check).
// Reports every problem on stderr; true when the file compiled (and was written).
bool CompileOne(const char* input, const std::string& output) {
    std::vector<char> text;
    if (!ReadWholeFile(input, &text)) {
        fprintf(stderr, "cnutc: cannot read \"%s\"\n", input);
        return false;
    }
    // The compiler takes a NUL as the end of the text and would quietly drop the rest.
    if (const void* nul = memchr(text.data(), 0, text.size())) {
        fprintf(stderr, "%s: NUL byte at offset %zu\n", input, static_cast<const char*>(nul) - text.data());
        return false;
    }
    HSQUIRRELVM v = sq_open(1024);
    sq_setcompilererrorhandler(v, ReportCompileError);
    SourceFeed feed{&text, 0};
    bool ok = SQ_SUCCEEDED(sq_compile(v, FeedSourceByte, &feed, input, SQTrue));
    if (ok && !output.empty() && !WriteClosure(v, output)) {
        fprintf(stderr, "cnutc: cannot write \"%s\"\n", output.c_str());
        ok = false;
    }
    sq_close(v);
    return ok;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// "dir/name.nut" -> "dir/name.cnut" (or into `folder` when one is given).
std::string OutputFor(const std::string& input, const std::string& folder) {
    size_t slash = input.find_last_of('/');
    size_t dot = input.find_last_of('.');
    std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? input.substr(0, dot)
                                                                                               : input;
    if (folder.empty()) return stem + ".cnut";
    std::string base = slash == std::string::npos ? stem : stem.substr(slash + 1);
    return folder + "/" + base + ".cnut";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> inputs;
    std::string folder;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--check") {
            check = true;
        } else if (arg == "-o" && i + 1 < argc) {
            folder = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            fputs(kUsage, stderr);
            return 2;
        } else {
            inputs.push_back(arg);
        }
    }
    if (inputs.empty() || (check && !folder.empty())) {
        fputs(kUsage, stderr);
        return 2;
    }
    // The original form: one source and the compiled file's name.
    if (!check && folder.empty() && inputs.size() == 2 && EndsWith(inputs[1], ".cnut")) {
        return CompileOne(inputs[0].c_str(), inputs[1]) ? 0 : 1;
    }
    int failed = 0;
    for (const std::string& input : inputs) {
        if (!CompileOne(input.c_str(), check ? std::string() : OutputFor(input, folder))) ++failed;
    }
    return failed == 0 ? 0 : 1;
}
