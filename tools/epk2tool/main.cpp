// epk2tool: builds EPK2 packs from folders, lists them and prints entries.
// Listing and printing go through the engine's own pack reader, so what the
// tool shows is what the game will read.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fs/fs_mgr.h"
#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "platform/debug_log.h"
#include "platform/directory_walk.h"
#include "platform/files.h"
#include "tools/epk2tool/pack_rules.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  epk2tool build [--keys FILE] [--zlib PATTERN] [--plain PATTERN] [--row K:PATTERN] DIR OUT.dat\n"
    "  epk2tool list [--keys FILE] PACK\n"
    "  epk2tool cat [--keys FILE] PACK PATH\n"
    "\n"
    "build packs every file below DIR. By default a file is compressed when that\n"
    "makes it smaller and is not scrambled. --zlib compresses matching files,\n"
    "--plain stores them as they are, --row K:PATTERN scrambles their first 1024\n"
    "bytes with key row K (0 = none, 1 to 4). PATTERN is matched against the path\n"
    "inside the pack without its leading '/' ('*' any run, '?' one character);\n"
    "later options win. --keys FILE takes the 1024-byte key table from FILE.\n"
    "list prints every folder and file, tab-separated: path, size and flags, and\n"
    "for a file how it is stored (zlib or plain) and its scramble row (row 0 = none).\n"
    "cat writes one entry's bytes to standard output.\n";

// The engine's log lines while a command runs, so a failure is reported as
// one line with the engine's own reason.
class LogCollector {
public:
    LogCollector() {
        previous_ = SetDebugSink([this](const char* line) {
            std::string text(line);
            while (!text.empty() && text.back() == '\n') text.pop_back();
            for (const char* prefix : {"Error: ", "Warning: "}) {
                if (text.compare(0, strlen(prefix), prefix) == 0) text.erase(0, strlen(prefix));
            }
            lines_.push_back(text);
        });
    }
    ~LogCollector() { SetDebugSink(previous_); }
    size_t Count() const { return lines_.size(); }
    std::string Joined() const {
        std::string all;
        for (const std::string& line : lines_) all += (all.empty() ? "" : "; ") + line;
        return all;
    }

private:
    DebugSink previous_;
    std::vector<std::string> lines_;
};

int Fail(const std::string& message) {
    fprintf(stderr, "epk2tool: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    fprintf(stderr, "epk2tool: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool LoadKeyTable(const std::string& path, std::vector<uint8_t>* table, std::string* error) {
    if (!ReadWholeFile(path, table)) {
        *error = "cannot read the key file \"" + path + "\"";
        return false;
    }
    if (table->size() != kEpk2KeyTableSize) {
        *error = "the key file \"" + path + "\" holds " + std::to_string(table->size()) + " bytes, not " +
                 std::to_string(kEpk2KeyTableSize);
        return false;
    }
    return true;
}

// Adds the contents of `folder` (sorted, the way the engine lists folders)
// to the pack below `directory`.
bool AddFolder(PackWriter* writer, int directory, const std::string& folder, const std::string& packPath,
               const PackRules& rules, std::string* error) {
    std::vector<DirectoryEntryInfo> entries;
    if (!ListDirectory(folder.c_str(), &entries)) {
        *error = "cannot read the folder \"" + folder + "\"";
        return false;
    }
    for (const DirectoryEntryInfo& entry : entries) {
        std::string path = packPath.empty() ? entry.name : packPath + "/" + entry.name;
        std::string source = folder + "/" + entry.name;
        if (!PackWriter::IsValidName(entry.name)) {
            *error = "\"" + source + "\" has a name a pack cannot hold";
            return false;
        }
        if (entry.isDirectory) {
            if (entry.isLink) {
                fprintf(stderr, "epk2tool: skipped \"%s\": links to folders are not followed\n", source.c_str());
                continue;
            }
            int child = writer->AddDirectory(directory, entry.name);
            if (child < 0 || !AddFolder(writer, child, source, path, rules, error)) return false;
            continue;
        }
        std::vector<uint8_t> data;
        if (!ReadWholeFile(source, &data)) {
            *error = "cannot read \"" + source + "\"";
            return false;
        }
        if (!writer->AddFile(directory, entry.name, std::move(data), rules.OptionsFor(path))) {
            *error = "cannot add \"" + source + "\" (over 4 GiB?)";
            return false;
        }
    }
    return true;
}

int Build(const std::vector<std::string>& args, const std::vector<uint8_t>& keys, const PackRules& rules) {
    if (args.size() != 2) return Usage("build wants DIR and OUT.dat");
    const std::string& folder = args[0];
    const std::string& output = args[1];
    if (!IsDirectory(folder.c_str())) return Fail("\"" + folder + "\" is not a folder");
    PackWriter writer;
    std::string error;
    if (!AddFolder(&writer, PackWriter::kRoot, NormalizePath(folder.c_str()), "", rules, &error)) return Fail(error);
    std::vector<uint8_t> pack;
    if (!writer.Build(keys.data(), &pack, &error)) return Fail(error);
    // Written beside the target and renamed, so a failed build leaves no half pack.
    std::string temporary = output + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(pack.data()), static_cast<std::streamsize>(pack.size()));
        out.close();
        if (!out) {
            RemoveFile(temporary.c_str());
            return Fail("cannot write \"" + output + "\"");
        }
    }
    if (!RenameFile(temporary.c_str(), output.c_str())) {
        RemoveFile(temporary.c_str());
        return Fail("cannot write \"" + output + "\"");
    }
    return 0;
}

// Folders: path, 0, flags. Files add how they are stored: "zlib" or "plain",
// and the scramble row ("row 0" = not scrambled).
void PrintEntry(void* user, FsMgr*, const FsEnumEntry* entry) {
    const PackFile* file = FindPackEntry(static_cast<PackMgr*>(user), entry->name);
    if ((entry->flags & kFsEntryDirectory) != 0 || file == nullptr) {
        printf("%s\t%u\t%u\n", entry->name, entry->size, entry->flags);
        return;
    }
    printf("%s\t%u\t%u\t%s\trow %u\n", entry->name, entry->size, entry->flags,
           file->storedSize != file->unpackedSize ? "zlib" : "plain", file->scrambleRow);
}

int List(const std::vector<std::string>& args) {
    if (args.size() != 1) return Usage("list wants PACK");
    LogCollector log;
    PackMgr* pack = OpenPackFile(nullptr, args[0].c_str(), nullptr);
    if (pack == nullptr) return Fail("cannot read \"" + args[0] + "\": " + log.Joined());
    ListPackDirectory(pack, "/", 1, pack, PrintEntry);
    FsMgr::Release(pack);
    if (fflush(stdout) != 0) return Fail("cannot write the listing");
    std::string warnings = log.Joined();
    if (!warnings.empty()) fprintf(stderr, "epk2tool: warning: %s\n", warnings.c_str());
    return 0;
}

int Cat(const std::vector<std::string>& args) {
    if (args.size() != 2) return Usage("cat wants PACK and PATH");
    LogCollector log;
    PackMgr* pack = OpenPackFile(nullptr, args[0].c_str(), nullptr);
    if (pack == nullptr) return Fail("cannot read \"" + args[0] + "\": " + log.Joined());
    Stream* stream = OpenPackedFile(pack, args[1].c_str(), 0, 0, kOpenRead, nullptr);
    FsMgr::Release(pack);
    if (stream == nullptr) return Fail("no entry \"" + args[1] + "\" in \"" + args[0] + "\": " + log.Joined());
    uint32_t size = stream->Size();
    uint32_t total = 0;
    std::vector<uint8_t> buffer(1 << 16);
    bool written = true;
    while (total < size) {
        uint32_t want = size - total < buffer.size() ? size - total : static_cast<uint32_t>(buffer.size());
        uint32_t got = stream->Read(buffer.data(), want);
        if (got == 0) break;
        written = written && fwrite(buffer.data(), 1, got, stdout) == got;
        total += got;
    }
    // Compressed data that goes on past the recorded size is damaged too. Ask
    // for one byte more rather than trusting State: a compressed entry of size
    // 0 is never read above, so its stream cannot know yet that it is at the end.
    bool overlong = false;
    bool damagedAtEnd = false;
    if (total == size) {
        size_t linesBefore = log.Count();
        uint8_t extra = 0;
        overlong = stream->Read(&extra, 1) > 0;
        damagedAtEnd = log.Count() > linesBefore;  // the data's end or checksum is bad
    }
    stream->Release();
    if (fflush(stdout) != 0 || !written) return Fail("cannot write the entry to standard output");
    if (overlong) return Fail("\"" + args[1] + "\" is damaged: it holds more than " + std::to_string(size) + " bytes");
    if (total != size || damagedAtEnd) {
        std::string reason = log.Joined();
        return Fail("\"" + args[1] + "\" is damaged: read " + std::to_string(total) + " of " + std::to_string(size) +
                    " bytes" + (reason.empty() ? "" : ": " + reason));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage("no command");
    std::string command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        fputs(kUsage, stdout);
        return 0;
    }
    if (command != "build" && command != "list" && command != "cat") return Usage("unknown command \"" + command + "\"");

    std::vector<uint8_t> keys(GetBuiltInPackKeyTable(), GetBuiltInPackKeyTable() + kEpk2KeyTableSize);
    PackRules rules;
    std::vector<std::string> args;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        bool takesValue = arg == "--keys" || (command == "build" && (arg == "--zlib" || arg == "--plain" || arg == "--row"));
        if (!takesValue) {
            if (arg.size() > 1 && arg[0] == '-' && arg != "--") return Usage("unknown option \"" + arg + "\"");
            if (arg == "--") {
                for (++i; i < argc; ++i) args.push_back(argv[i]);
                break;
            }
            args.push_back(arg);
            continue;
        }
        if (i + 1 >= argc) return Usage(arg + " wants a value");
        std::string value = argv[++i];
        std::string error;
        if (arg == "--keys") {
            if (!LoadKeyTable(value, &keys, &error)) return Fail(error);
        } else if (arg == "--zlib") {
            rules.AddCompression(value, PackCompression::kAlways);
        } else if (arg == "--plain") {
            rules.AddCompression(value, PackCompression::kNever);
        } else if (!rules.AddRow(value, &error)) {
            return Usage(error);
        }
    }
    if (command == "build") return Build(args, keys, rules);
    SetPackKeyTable(keys.data());
    if (command == "list") return List(args);
    return Cat(args);
}
