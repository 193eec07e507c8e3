// Walks a closure stream the way the VM will read it and checks every tag,
// type, count and length against the bytes that are really there, and each
// function's frame against what the VM will put into it: its parameters and
// defaults fit its stack size, and its code ends with a return.
//
// Layout (little-endian, as this VM build writes it):
//   u16 0xFAFA, u32 'SQIR', u32 sizeof char, u32 sizeof integer, u32 sizeof float,
//   function, u32 'TAIL'
// function:
//   'PART' source-name name 'PART' eight integer counts 'PART'
//   literals 'PART' parameters 'PART' outer values 'PART' local variables 'PART'
//   line infos 'PART' default parameters 'PART' instructions 'PART'
//   nested functions, integer stack size, u8 generator flag, integer var-params flag
// object: u32 type, then an integer (integer, bool), a float, an integer
//   length and the characters (string), or nothing (null).
#include "script/cnut_check.h"

#include <squirrel.h>

#include <cstring>

#include "fs/stream.h"
#include "platform/debug_log.h"

namespace {

constexpr uint16_t kStreamTag = 0xFAFA;
constexpr uint32_t kHeadTag = 0x53514952;  // 'SQIR'
constexpr uint32_t kPartTag = 0x50415254;  // 'PART'
constexpr uint32_t kTailTag = 0x5441494C;  // 'TAIL'

// Nested function definitions; real scripts stay far below this, and the
// VM's own reader recurses once per level.
constexpr int kMaxNesting = 64;

// Registers of one frame: instructions address them with one byte, and the
// compiler refuses a function that would need more.
constexpr SQInteger kMaxStackSize = 256;

constexpr uint32_t kIntegerSize = sizeof(SQInteger);
constexpr uint32_t kFloatSize = sizeof(SQFloat);
constexpr uint32_t kLineInfoSize = 2 * sizeof(SQInteger);
constexpr uint32_t kInstructionSize = 8;
constexpr uint32_t kTypeSize = 4;
// An instruction is a 32-bit operand, the opcode byte and three byte operands.
constexpr uint32_t kOpcodeOffset = 4;
constexpr uint8_t kOpReturn = 0x17;

// Which object types a field may hold.
enum ObjectKinds : unsigned {
    kAllowNull = 1,
    kAllowString = 2,
    kAllowNumber = 4,  // integer, float or bool
};

class ClosureWalker {
public:
    ClosureWalker(Stream* stream) : stream_(stream) {}

    const char* fault() const { return fault_; }
    uint32_t faultOffset() const { return faultOffset_; }

    bool Fail(const char* fault) {
        if (fault_ == nullptr) {
            fault_ = fault;
            faultOffset_ = position_;
        }
        return false;
    }

    uint32_t Remaining() const { return size_ - position_; }

    bool Start() {
        size_ = stream_->Size();
        position_ = 0;
        return stream_->Seek(0, kSeekSet) == 0 || Fail("cannot seek");
    }

    bool Read(void* out, uint32_t count) {
        if (count > Remaining()) return Fail("data ends early");
        if (stream_->Read(out, count) != count) return Fail("read error");
        position_ += count;
        return true;
    }

    bool Skip(uint64_t count) {
        if (count > Remaining()) return Fail("data ends early");
        while (count > 0) {
            int32_t step = count > (1u << 30) ? (1 << 30) : static_cast<int32_t>(count);
            stream_->Seek(step, kSeekCurrent);
            position_ += static_cast<uint32_t>(step);
            count -= static_cast<uint32_t>(step);
        }
        return stream_->Tell() == position_ || Fail("cannot seek");
    }

    bool Tag(uint32_t expected) {
        uint32_t tag = 0;
        return Read(&tag, sizeof tag) && (tag == expected || Fail("a section tag is wrong"));
    }

    bool Integer(SQInteger* out) { return Read(out, sizeof *out); }

    // A count of elements that each take at least `elementSize` bytes.
    bool Count(SQInteger* out, uint32_t elementSize) {
        if (!Integer(out)) return false;
        if (*out < 0 || static_cast<uint64_t>(*out) > Remaining() / elementSize) {
            return Fail("a count is larger than the data");
        }
        return true;
    }

    bool Object(unsigned allowed) {
        uint32_t type = 0;
        if (!Read(&type, sizeof type)) return false;
        switch (type) {
            case OT_NULL:
                return (allowed & kAllowNull) || Fail("an object has the wrong type");
            case OT_INTEGER:
            case OT_BOOL:
                return ((allowed & kAllowNumber) || Fail("an object has the wrong type")) && Skip(kIntegerSize);
            case OT_FLOAT:
                return ((allowed & kAllowNumber) || Fail("an object has the wrong type")) && Skip(kFloatSize);
            case OT_STRING: {
                if (!(allowed & kAllowString)) return Fail("an object has the wrong type");
                SQInteger length = 0;
                if (!Integer(&length)) return false;
                if (length < 0 || static_cast<uint64_t>(length) > Remaining()) {
                    return Fail("a string is longer than the data");
                }
                return Skip(static_cast<uint64_t>(length));
            }
            default:
                return Fail("an object has an unknown type");
        }
    }

    bool Objects(SQInteger count, unsigned allowed) {
        for (SQInteger i = 0; i < count; ++i) {
            if (!Object(allowed)) return false;
        }
        return true;
    }

    bool Function(int depth) {
        if (depth > kMaxNesting) return Fail("functions are nested too deeply");
        if (!Tag(kPartTag) || !Object(kAllowString | kAllowNull) || !Object(kAllowString | kAllowNull) ||
            !Tag(kPartTag)) {
            return false;
        }
        SQInteger literals, parameters, outers, locals, lineInfos, defaults, instructions, functions;
        if (!Count(&literals, kTypeSize) || !Count(&parameters, kTypeSize) || !Count(&outers, kTypeSize) ||
            !Count(&locals, kTypeSize) || !Count(&lineInfos, kLineInfoSize) ||
            !Count(&defaults, kIntegerSize) || !Count(&instructions, kInstructionSize) ||
            !Count(&functions, kTypeSize) || !Tag(kPartTag)) {
            return false;
        }
        if (!Objects(literals, kAllowString | kAllowNumber | kAllowNull) || !Tag(kPartTag)) return false;
        if (!Objects(parameters, kAllowString) || !Tag(kPartTag)) return false;
        for (SQInteger i = 0; i < outers; ++i) {
            // The kind is a 32-bit value written into a wider field; the
            // upper half is whatever lay next to it in memory.
            SQUnsignedInteger kind = 0;
            if (!Read(&kind, sizeof kind)) return false;
            if ((kind & 0xFFFFFFFFu) > 1) return Fail("an outer value has an unknown kind");
            if (!Object(kAllowNumber | kAllowNull) || !Object(kAllowString | kAllowNull)) return false;
        }
        if (!Tag(kPartTag)) return false;
        for (SQInteger i = 0; i < locals; ++i) {
            if (!Object(kAllowString | kAllowNull) || !Skip(3 * kIntegerSize)) return false;
        }
        if (!Tag(kPartTag)) return false;
        if (!Skip(static_cast<uint64_t>(lineInfos) * kLineInfoSize) || !Tag(kPartTag)) return false;
        // The VM copies the arguments and the defaults into a frame of the
        // function's stack size, so neither may outnumber the frame.
        if (parameters > kMaxStackSize || defaults > parameters) {
            return Fail("a function has more parameters or defaults than it can hold");
        }
        if (!DefaultRegisters(defaults) || !Tag(kPartTag)) return false;
        if (!Instructions(instructions) || !Tag(kPartTag)) return false;
        for (SQInteger i = 0; i < functions; ++i) {
            if (!Function(depth + 1)) return false;
        }
        SQInteger stackSize = 0;
        uint8_t generator = 0;
        SQInteger varParams = 0;
        if (!Integer(&stackSize) || !Read(&generator, 1) || !Integer(&varParams)) return false;
        if (stackSize < parameters || stackSize > kMaxStackSize || generator > 1 || varParams < 0 ||
            varParams > 1) {
            return Fail("a function's frame description is invalid");
        }
        return true;
    }

    // Each default value is a register of the enclosing function's frame.
    bool DefaultRegisters(SQInteger count) {
        for (SQInteger i = 0; i < count; ++i) {
            SQInteger reg = 0;
            if (!Integer(&reg)) return false;
            if (reg < 0 || reg >= kMaxStackSize) return Fail("a default value lies outside the frame");
        }
        return true;
    }

    // The operands are trusted, but the VM runs on past the last instruction
    // unless that one returns.
    bool Instructions(SQInteger count) {
        if (count == 0) return Fail("a function has no instructions");
        uint8_t last[kInstructionSize];
        if (!Skip(static_cast<uint64_t>(count - 1) * kInstructionSize) || !Read(last, sizeof last)) return false;
        return last[kOpcodeOffset] == kOpReturn || Fail("a function does not end with a return");
    }

private:
    Stream* stream_;
    uint32_t size_ = 0;
    uint32_t position_ = 0;
    const char* fault_ = nullptr;
    uint32_t faultOffset_ = 0;
};

}  // namespace

bool CheckCompiledScript(Stream* stream, const char* name) {
    ClosureWalker walker(stream);
    uint16_t streamTag = 0;
    uint32_t head = 0;
    uint32_t sizes[3] = {};
    bool ok = walker.Start() && walker.Read(&streamTag, sizeof streamTag) && walker.Read(&head, sizeof head);
    if (ok && (streamTag != kStreamTag || head != kHeadTag)) {
        LogError("\"%s\" is not a compiled script", name);
        stream->Seek(0, kSeekSet);
        return false;
    }
    ok = ok && walker.Read(sizes, sizeof sizes);
    if (ok && (sizes[0] != sizeof(SQChar) || sizes[1] != kIntegerSize || sizes[2] != kFloatSize)) {
        LogError("\"%s\" was compiled by another Squirrel build (%u-byte characters, %u-byte integers, "
                 "%u-byte floats; this one uses %u, %u and %u)",
                 name, sizes[0], sizes[1], sizes[2], static_cast<unsigned>(sizeof(SQChar)), kIntegerSize,
                 kFloatSize);
        stream->Seek(0, kSeekSet);
        return false;
    }
    ok = ok && walker.Function(0) && walker.Tag(kTailTag);
    if (ok && walker.Remaining() != 0) ok = walker.Fail("data follows the end");
    stream->Seek(0, kSeekSet);
    if (!ok) {
        LogError("\"%s\" is not a usable compiled script: %s at byte %u", name, walker.fault(),
                 walker.faultOffset());
    }
    return ok;
}
