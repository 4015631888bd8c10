// The backend's single open file: little-endian 32-bit integers, bytes and
// lines, read or written in order. A written file replaces the old one only
// once it is complete, so a failed save never leaves a half-written file.
// Only the main thread uses the open file, so its bytes go through stdio's
// unlocked calls, which take them straight off its buffer: a save moves some
// 95,000 bytes. A plain file being read keeps its own position, so that
// asking for it, or seeking where reading already stands, costs no call into
// the system (a load does that after every block); every answer stays the
// one the system would give, so anything else (a pipe, a device) gets the
// system's own, and a file that grew behind the handle is asked again.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "sys_internal.h"

FILE* MyOpenFile = nullptr;
int FileOpen = 0;

// Never waits in the open: a named pipe with no program writing to it would
// keep a plain open waiting for one. Without O_NONBLOCK's meaning for a
// plain file's reads, it changes nothing else there.
FILE* KuvoOpenForReading(const char* path, bool* plain) {
    *plain = false;
    if (path == nullptr || path[0] == '\0') return nullptr;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    *plain = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    FILE* f = fdopen(fd, "rb");
    if (f == nullptr) close(fd);
    return f;
}

FILE* KuvoOpenPlainFile(const char* path) {
    bool plain = false;
    FILE* f = KuvoOpenForReading(path, &plain);
    if (f != nullptr && !plain) {
        std::fclose(f);
        f = nullptr;
    }
    return f;
}

namespace {

// Bytes go to this name beside the target and are renamed over it at close.
constexpr const char* kPartSuffix = ".part";

bool Writing = false;      // the open stream is a file being written
bool WriteFailed = false;  // a write to it did not take
std::string TargetPath;    // where a written file lands at close
std::string PartPath;      // where its bytes go until then
long ReadPos = 0;          // a read plain file's position, as ftell would give it
bool ReadPlain = false;    // the file being read is a plain file, so ReadPos holds

// Leaves the coverage tracing of the fuzz build out of the file primitives:
// their branches follow the file's length alone, and traced at every integer
// they were much of each save-file input's time.
#if defined(__clang__)
#define KUVO_UNTRACED __attribute__((no_sanitize("coverage")))
#else
#define KUVO_UNTRACED
#endif

void Report(const char* line) {
    std::puts(line);
    std::fflush(stdout);
}

void Put(int byte) {
    if (FileOpen != 1) return;
    if (putc_unlocked(byte, MyOpenFile) == EOF) WriteFailed = true;
}

// Flushes the written bytes to the disk and moves them over the target. Any
// failure keeps the previous file and drops the partial one.
void FinishWrite(FILE* f) {
    bool ok = !WriteFailed && std::fflush(f) == 0 && std::ferror(f) == 0;
    if (ok && fsync(fileno(f)) != 0) ok = false;
    if (std::fclose(f) != 0) ok = false;
    if (ok && std::rename(PartPath.c_str(), TargetPath.c_str()) != 0) ok = false;
    if (!ok) {
        std::remove(PartPath.c_str());
        Report("Error Writing File");
    }
}

// Ends work on the open file, if any: a written one is committed over its
// target, a read one closed.
void CloseOpenFile() {
    if (FileOpen != 1) return;
    FILE* f = MyOpenFile;
    MyOpenFile = nullptr;
    FileOpen = 0;
    if (Writing) {
        Writing = false;
        FinishWrite(f);
    } else {
        std::fclose(f);
    }
}

// A file still open when the program ends is committed as plain stdio would
// flush it, instead of being lost with only its part file left behind.
// Declared after the names it uses, so it is destroyed before them.
struct CommitAtExit {
    ~CommitAtExit() { CloseOpenFile(); }
} CommitOpenFileAtExit;

}  // namespace

int KUVOSys::WriteFile_Sys(char const* path) {
    CloseFile_Sys();
    if (path == nullptr || path[0] == '\0') {
        Report("Error Writing File");
        return 0;
    }
    TargetPath = path;
    PartPath = TargetPath + kPartSuffix;
    MyOpenFile = std::fopen(PartPath.c_str(), "wb");
    if (MyOpenFile == nullptr) {
        Report("Error Writing File");
        return 0;
    }
    FileOpen = 1;
    Writing = true;
    WriteFailed = false;
    return 1;
}

namespace {

int OpenForReading(char const* path, bool plainOnly) {
    CloseOpenFile();
    bool plain = plainOnly;
    MyOpenFile = plainOnly ? KuvoOpenPlainFile(path) : KuvoOpenForReading(path, &plain);
    if (MyOpenFile == nullptr) {
        Report("Error Reading File");
        return 0;
    }
    FileOpen = 1;
    Writing = false;
    ReadPos = 0;
    ReadPlain = plain;
    return 1;
}

// The length of the file being read now; -1 when the system cannot say.
long CurrentLength() {
    struct stat st;
    return fstat(fileno(MyOpenFile), &st) == 0 ? long(st.st_size) : -1;
}

}  // namespace

int KUVOSys::ReadFile_Sys(char const* path) { return OpenForReading(path, false); }

int KUVOSys::ReadPlainFile_Sys(char const* path) { return OpenForReading(path, true); }

KUVO_UNTRACED void KUVOSys::WriteInt_Sys(int value) {
    // Shifted as unsigned: the bytes of a negative value are its two's
    // complement, least significant first.
    if (FileOpen != 1) return;
    const uint32_t v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) Put(static_cast<int>((v >> shift) & 255u));
}

void KUVOSys::WriteByte_Sys(char value) { Put(static_cast<unsigned char>(value)); }

void KUVOSys::WriteString_Sys(char const* text) {
    if (FileOpen != 1) return;
    // Written whole, however long: a line is never cut to fit a buffer.
    const char* t = text != nullptr ? text : "";
    const size_t length = std::strlen(t);
    if (length > 0 && std::fwrite(t, 1, length, MyOpenFile) != length) WriteFailed = true;
    Put('\n');
}

KUVO_UNTRACED int KUVOSys::ReadInt_Sys() {
    if (FileOpen != 1) return 0;
    // A value cut short by the end of the file is missing; the bytes it had
    // are still read past, as one at a time would.
    uint32_t v = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int b = getc_unlocked(MyOpenFile);
        if (b == EOF) return kuvo::kMissingInt;
        ++ReadPos;
        v |= static_cast<uint32_t>(b) << shift;
    }
    return static_cast<int32_t>(v);
}

int KUVOSys::ReadIntb_Sys() { return ReadInt_Sys(); }

KUVO_UNTRACED int KUVOSys::ReadByte_Sys() {
    if (FileOpen != 1) return 0;
    const int b = getc_unlocked(MyOpenFile);
    if (b == EOF) return -1;
    ++ReadPos;
    return b;
}

char* KUVOSys::ReadString_Sys() {
    if (FileOpen != 1) return nullptr;
    // Past the end nothing is read: the answer is an empty line, never the
    // previous one again.
    if (std::fgets(TempstrSys, kuvo::kSysTextSize, MyOpenFile) == nullptr) {
        TempstrSys[0] = '\0';
        return TempstrSys;
    }
    // A line may hold zero bytes, so only stdio knows how far it went.
    if (!Writing && ReadPlain) ReadPos = std::ftell(MyOpenFile);
    // Only a line feed is taken off: a last line without one keeps all its
    // characters, and a line longer than the buffer arrives in pieces that
    // lose nothing. A carriage return before the line feed stays.
    const size_t length = std::strlen(TempstrSys);
    if (length > 0 && TempstrSys[length - 1] == '\n') TempstrSys[length - 1] = '\0';
    return TempstrSys;
}

int KUVOSys::FilePos_Sys() {
    // -1, as ftell itself answers, so no position is mistaken for the start.
    if (FileOpen != 1) return -1;
    const long at = Writing || !ReadPlain ? std::ftell(MyOpenFile) : ReadPos;
    if (at < 0) return -1;
    return at > 2147483647L ? 2147483647 : static_cast<int>(at);
}

KUVO_UNTRACED int KUVOSys::FileSeek_Sys(int offset) {
    if (FileOpen != 1 || offset < 0) return -1;
    if (!Writing && ReadPlain) {
        // A seek to where reading stands would only make stdio drop its
        // buffer and read it again. Once reading has met the end of the file
        // stdio keeps that, and a seek would forget it: a seek anywhere at or
        // past the end as the file now is changes nothing but the position,
        // every read still finds nothing; into bytes added since, it must
        // go through.
        const bool atEnd = std::feof(MyOpenFile) != 0;
        const long length = atEnd ? CurrentLength() : -1;
        if ((offset == ReadPos && !atEnd) || (atEnd && length >= 0 && offset >= length)) {
            ReadPos = offset;
            return 0;
        }
    }
    if (std::fseek(MyOpenFile, offset, SEEK_SET) != 0) return -1;
    if (!Writing) ReadPos = offset;
    return 0;
}

void KUVOSys::CloseFile_Sys() { CloseOpenFile(); }
